#include "commands/PdfCommand.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>

#include <sys/stat.h>

#include "config/Config.h"
#include "render/InvoicePdf.h"
#include "support/Errors.h"
#include "support/KsefContract.h"
#include "support/Paths.h"
#include "support/Platform.h"
#include "warehouse/SentFilePdf.h"

namespace brenvik {
namespace {

namespace fs = std::filesystem;

bool SameLocalDay(std::time_t a, std::time_t b) {
  std::tm ta{}, tb{};
  localtime_r(&a, &ta);
  localtime_r(&b, &tb);
  return ta.tm_year == tb.tm_year && ta.tm_yday == tb.tm_yday;
}

std::time_t ModifiedAt(const fs::path& file) {
  struct stat info {};
  if (stat(file.c_str(), &info) != 0)
    throw EInOutError("Nie można odczytać daty pliku \"" + file.string() + "\"");
  return info.st_mtime;
}

// The sent files of today under Sent and its month folders, in name order.
std::vector<std::string> SentToday(const TConfig& config) {
  const fs::path sent = fs::path(PathJoin(config.KsefDataDir(), ksef::SentFolder));
  std::vector<std::string> files;
  std::error_code ec;
  if (!fs::is_directory(sent, ec))
    throw EInOutError("Folder wysłanych faktur nie istnieje:\r\n" + sent.string());
  const std::time_t today = std::time(nullptr);
  for (auto it = fs::recursive_directory_iterator(sent); it != fs::recursive_directory_iterator();
       ++it) {
    if (!it->is_regular_file()) continue;
    const std::string name = it->path().filename().string();
    if (MatchesMask(name, ksef::SentFilePattern(), true) &&
        SameLocalDay(ModifiedAt(it->path()), today))
      files.push_back(it->path().string());
  }
  std::sort(files.begin(), files.end());
  return files;
}

void WritePdf(const std::string& xml, const std::string& pdf, const std::string& qrBase) {
  TInvoicePdfOptions options;
  options.QrBaseAddress = qrBase;
  options.KsefNumber = KsefNumberOfFile(xml);
  WriteInvoicePdf(xml, pdf, options);
  std::fprintf(stdout, "%s\n", pdf.c_str());
  std::fflush(stdout);
}

}  // namespace

int PdfOnTerminal(const TConfig& config, const std::vector<std::string>& operands) {
  const bool sentToday = operands.size() == 1 && operands[0] == SentTodayOption;
  if (!sentToday && (operands.empty() || operands.size() > 2 || operands[0] == SentTodayOption)) {
    std::fprintf(stderr, "Użycie: pdf PLIK.xml [WYNIK.pdf] albo pdf %s\n", SentTodayOption);
    return 2;
  }
  try {
    const std::string qrBase = SiteQrBaseAddress(config);
    if (!sentToday) {
      WritePdf(operands[0], operands.size() == 2 ? operands[1] : PdfPathBeside(operands[0]),
               qrBase);
      return 0;
    }
    const std::vector<std::string> files = SentToday(config);
    if (files.empty()) std::fprintf(stdout, "Dziś nie wysłano żadnej faktury.\n");
    // One file that cannot be shown does not stop the others; it is named.
    int exitCode = 0;
    for (const std::string& xml : files) {
      try {
        WritePdf(xml, PdfPathBeside(xml), qrBase);
      } catch (const Exception& e) {
        std::fprintf(stderr, "%s: %s\n", xml.c_str(), NormalizeLineBreaks(e.what()).c_str());
        exitCode = 1;
      }
    }
    return exitCode;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", NormalizeLineBreaks(e.what()).c_str());
    return 1;
  }
}

}  // namespace brenvik
