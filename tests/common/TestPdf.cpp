#include "common/TestPdf.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <regex>

#include "common/TestFiles.h"
#include "common/TestProcess.h"
#include "support/Sha256.h"

namespace brenvik::testing {
namespace {

// A tool of poppler-utils or zbar-tools, found on PATH.
std::string Tool(const std::string& exe, const std::vector<std::string>& args) {
  std::string path = exe;
  const std::string dirs = std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin";
  for (size_t start = 0, colon = 0; colon != std::string::npos; start = colon + 1) {
    colon = dirs.find(':', start);
    const std::string candidate = dirs.substr(start, colon - start) + "/" + exe;
    if (std::filesystem::exists(candidate)) {
      path = candidate;
      break;
    }
  }
  const auto r = RunProcess(path, args);
  EXPECT_EQ(r.ExitCode, 0) << exe << ": " << r.Err;
  return r.Out;
}

std::string NoSpaces(std::string text) {
  std::erase_if(text, [](unsigned char c) { return std::isspace(c); });
  return text;
}

std::string FirstText(const std::string& xml, const std::string& name) {
  std::smatch m;
  const std::regex element("<" + name + ">([^<]*)</" + name + ">");
  return std::regex_search(xml, m, element) ? m[1].str() : std::string();
}

}  // namespace

std::string NoSpaces(std::string text) {
  std::erase_if(text, [](unsigned char c) { return std::isspace(c); });
  return text;
}

// The page texts of a PDF, split at the form feeds pdftotext ends pages with.
std::vector<std::string> PageTexts(const std::string& pdf) {
  std::vector<std::string> pages;
  std::string text = Tool("pdftotext", {pdf, "-"});
  for (size_t start = 0, ff; (ff = text.find('\f', start)) != std::string::npos; start = ff + 1)
    pages.push_back(text.substr(start, ff - start));
  return pages;
}

int WordsOffPage(const std::string& pdf) {
  const std::string boxes = Tool("pdftotext", {"-bbox", pdf, "-"});
  const std::regex word(R"re(xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)")re");
  int off = 0;
  for (std::sregex_iterator it(boxes.begin(), boxes.end(), word), end; it != end; ++it)
    if (std::stod((*it)[1]) < 10 || std::stod((*it)[2]) < 10 || std::stod((*it)[3]) > 585.3 ||
        std::stod((*it)[4]) > 831.9)
      ++off;
  return off;
}

std::string DecodeQrCode(const std::string& pdf, int page, const std::string& workDir) {
  const std::string number = std::to_string(page);
  const std::string root = workDir + "/qr-page";
  Tool("pdftoppm", {"-r", "150", "-png", "-singlefile", "-f", number, "-l", number, pdf, root});
  std::string text = Tool("zbarimg", {"--raw", "-q", root + ".png"});
  while (!text.empty() && text.back() == '\n') text.pop_back();
  return text;
}

std::string ExpectedVerificationLink(const std::string& qrBase, const std::string& xmlPath) {
  const std::string bytes = ReadFile(xmlPath);
  const std::string p1 = FirstText(bytes, "P_1");
  return qrBase + "/invoice/" + FirstText(bytes, "NIP") + "/" + p1.substr(8, 2) + "-" +
         p1.substr(5, 2) + "-" + p1.substr(0, 4) + "/" + Base64UrlNoPadding(Sha256(bytes));
}

}  // namespace brenvik::testing
