// The PDF of FA(3) files read back as text (pdftotext) and as a picture
// (pdftoppm, then zbarimg for the QR code).
#include <gtest/gtest.h>
#include <libxml/tree.h>

#include <filesystem>
#include <functional>
#include <regex>

#include "common/TestFiles.h"
#include "common/TestPdf.h"
#include "fa3/XmlSafeParse.h"
#include "render/AmountInWords.h"
#include "render/InvoicePdf.h"
#include "support/Errors.h"

namespace brenvik {
namespace {

using testing::DecodeQrCode;
using testing::ExpectedVerificationLink;
using testing::Fa3SamplesDir;
using testing::NoSpaces;
using testing::PageTexts;
using testing::ReadFile;
using testing::TTempDir;
using testing::WordsOffPage;
using testing::WriteFile;

// The texts of every element named name, as the file has them.
std::vector<std::string> Texts(const std::string& xml, const std::string& name) {
  std::vector<std::string> found;
  const std::regex element("<" + name + ">([^<]*)</" + name + ">");
  for (std::sregex_iterator it(xml.begin(), xml.end(), element), end; it != end; ++it)
    found.push_back((*it)[1]);
  return found;
}

std::string Unescape(std::string text) {
  for (auto [entity, c] :
       {std::pair{"&amp;", "&"}, {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&apos;", "'"}})
    for (size_t at; (at = text.find(entity)) != std::string::npos;)
      text.replace(at, std::string(entity).size(), c);
  return text;
}

struct TWordsCase {
  const char* Amount;
  const char* Currency;
  const char* Words;
};

TEST(AmountInWordsTest, WritesHandWorkedAmounts) {
  const TWordsCase cases[] = {
      {"0.01", "PLN", "zero złotych 01/100"},
      {"1", "PLN", "jeden złoty 00/100"},
      {"2", "PLN", "dwa złote 00/100"},
      {"5", "PLN", "pięć złotych 00/100"},
      {"11", "PLN", "jedenaście złotych 00/100"},
      {"12", "PLN", "dwanaście złotych 00/100"},
      {"21", "PLN", "dwadzieścia jeden złotych 00/100"},
      {"22", "PLN", "dwadzieścia dwa złote 00/100"},
      {"100", "PLN", "sto złotych 00/100"},
      {"101", "PLN", "sto jeden złotych 00/100"},
      {"1000", "PLN", "tysiąc złotych 00/100"},
      {"1001", "PLN", "tysiąc jeden złotych 00/100"},
      {"2000000", "PLN", "dwa miliony złotych 00/100"},
      {"15000.00", "PLN", "piętnaście tysięcy złotych 00/100"},
      {"1234567.89", "PLN",
       "milion dwieście trzydzieści cztery tysiące pięćset sześćdziesiąt siedem złotych 89/100"},
      {"22114.5", "EUR", "dwadzieścia dwa tysiące sto czternaście EUR 50/100"},
      {"-12.345", "PLN", "minus dwanaście złotych 35/100"},
  };
  for (const TWordsCase& c : cases)
    EXPECT_EQ(AmountInWords(ParseHundredths(c.Amount), c.Currency), c.Words) << c.Amount;
}

TEST(InvoicePdfTest, ShowsEveryMinistrySample) {
  for (const auto& entry : std::filesystem::directory_iterator(Fa3SamplesDir())) {
    if (entry.path().extension() != ".xml") continue;
    SCOPED_TRACE(entry.path().filename().string());
    TTempDir dir;
    const std::string xml = entry.path().string(), pdf = dir / "faktura.pdf";
    WriteInvoicePdf(xml, pdf, {"https://qr-test.ksef.mf.gov.pl/", ""});
    const std::vector<std::string> pages = PageTexts(pdf);
    ASSERT_FALSE(pages.empty());
    std::string all;
    for (const std::string& p : pages) all += p;
    const std::string text = NoSpaces(all);
    const std::string bytes = ReadFile(xml);
    std::vector<std::string> wanted = Texts(bytes, "P_2");
    for (const char* name : {"NIP", "P_7", "P_7Z"})
      for (const std::string& t : Texts(bytes, name)) wanted.push_back(t);
    const std::string currency = Texts(bytes, "KodWaluty").at(0);
    for (const std::string& due : Texts(bytes, "P_15")) {
      wanted.push_back(DecimalText(due, 2));
      wanted.push_back(AmountInWords(ParseHundredths(due), currency));
    }
    for (const std::string& w : wanted)
      EXPECT_NE(text.find(NoSpaces(Unescape(w))), std::string::npos) << w;
    EXPECT_NE(text.find("OFFLINE"), std::string::npos);
    EXPECT_EQ(WordsOffPage(pdf), 0);
    EXPECT_EQ(DecodeQrCode(pdf, static_cast<int>(pages.size()), dir.Path()),
              ExpectedVerificationLink("https://qr-test.ksef.mf.gov.pl", xml));
  }
}

// The first sample with its lines replaced by count copies of the first one.
std::string WithLines(const std::string& xml, int count, const std::string& name) {
  const size_t begin = xml.find("<FaWiersz>"), end = xml.rfind("</FaWiersz>") + 11;
  const std::string row = xml.substr(begin, xml.find("</FaWiersz>") + 11 - begin);
  std::string rows;
  for (int i = 1; i <= count; ++i)
    rows += std::regex_replace(std::regex_replace(row, std::regex("<NrWierszaFa>\\d+"),
                                                  "<NrWierszaFa>" + std::to_string(i)),
                               std::regex("<P_7>[^<]*"), "<P_7>" + name + " " + std::to_string(i));
  return xml.substr(0, begin) + rows + xml.substr(end);
}

TEST(InvoicePdfTest, ContinuesLongLineTablesWithTheirHeader) {
  TTempDir dir;
  WriteFile(dir / "f.xml",
            WithLines(ReadFile(Fa3SamplesDir() + "/mf-example-01.xml"), 1000, "Pozycja"));
  WriteInvoicePdf(dir / "f.xml", dir / "f.pdf", {"https://qr-test.ksef.mf.gov.pl", ""});
  const std::vector<std::string> pages = PageTexts(dir / "f.pdf");
  ASSERT_GT(pages.size(), 10u);
  const std::string m = std::to_string(pages.size());
  std::string all;
  for (size_t n = 0; n < pages.size(); ++n) {
    EXPECT_NE(pages[n].find("strona " + std::to_string(n + 1) + " z " + m), std::string::npos) << n;
    if (pages[n].find("Pozycja") != std::string::npos)
      EXPECT_NE(pages[n].find("Wartość netto"), std::string::npos) << n;
    all += NoSpaces(pages[n]);
  }
  for (int i = 1; i <= 1000; ++i)
    ASSERT_NE(all.find("Pozycja" + std::to_string(i) + "szt"), std::string::npos) << i;
  EXPECT_EQ(WordsOffPage(dir / "f.pdf"), 0);
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  const size_t at = text.find(from);
  return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

struct TBadInputCase {
  const char* Name;
  std::function<std::string(const std::string&)> Change;
  std::string PdfShows;  // empty: the PDF is refused
  const char* Refusal;   // what the refusal says
};

TEST(InvoicePdfTest, SurvivesBadInput) {
  const std::string longWord(3000, 'W');
  std::string longName;
  for (int i = 0; i < 400; ++i) longName += "Przedsiębiorstwo ";
  const TBadInputCase cases[] = {
      {"no issue date",
       [](const std::string& x) {
         return std::regex_replace(x, std::regex("<P_1>[^<]*</P_1>"), "");
       },
       "brak daty wystawienia (P_1)", ""},
      {"no seller NIP",
       [](const std::string& x) { return Replace(x, "<NIP>9999999999</NIP>", ""); },
       "brak NIP sprzedawcy", ""},
      {"long names",
       [&](const std::string& x) {
         return Replace(Replace(WithLines(x, 3, longWord), "ABC AGD sp. z o. o.", longName),
                        "ul. Polna 1", longWord);
       },
       longWord + "3", ""},
      // Letters the PDF's own font (DejaVu) has; others depend on the machine's fonts.
      {"beyond Latin-2",
       [](const std::string& x) { return WithLines(x, 2, "Жёлтый Ωmega ✓ Zażółć"); },
       "ЖёлтыйΩmega✓Zażółć1", ""},
      {"hostile",
       [](const std::string& x) {
         return Replace(x, "<Faktura ", "<!DOCTYPE Faktura [<!ENTITY e \"x\">]><Faktura ");
       },
       "", "DOCTYPE"},
      {"not FA(3)",
       [](const std::string&) { return std::string("<?xml version=\"1.0\"?><Inna/>"); }, "",
       "Faktura"},
  };
  const std::string sample = ReadFile(Fa3SamplesDir() + "/mf-example-01.xml");
  for (const TBadInputCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TTempDir dir;
    WriteFile(dir / "f.xml", c.Change(sample));
    if (!c.PdfShows.empty()) {
      WriteInvoicePdf(dir / "f.xml", dir / "f.pdf", {});
      std::string all;
      for (const std::string& p : PageTexts(dir / "f.pdf")) all += NoSpaces(p);
      EXPECT_NE(all.find(NoSpaces(c.PdfShows)), std::string::npos);
      EXPECT_EQ(WordsOffPage(dir / "f.pdf"), 0);
    } else {
      try {
        WriteInvoicePdf(dir / "f.xml", dir / "f.pdf", {});
        ADD_FAILURE() << "written";
      } catch (const EXMLDocError& e) {
        EXPECT_NE(std::string(e.what()).find(c.Refusal), std::string::npos) << e.what();
      }
      EXPECT_FALSE(std::filesystem::exists(dir / "f.pdf"));
    }
  }
}

}  // namespace
}  // namespace brenvik
