#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "common/TestFiles.h"
#include "common/TestPdf.h"
#include "common/TestProcess.h"

using namespace brenvik::testing;

// The demo site's invoices sent through the connector stand-in: each PDF
// carries the invoice's number, its KSeF number from the sent file's name
// and the QR code of the demo environment made from the file's bytes.
TEST(CliPdf, WritesThePdfOfEveryInvoiceSentToday) {
  TTempDir dir;
  TDemoSite demo(dir.Path());
  const std::string &site = demo.Site, &ini = demo.Ini;
  const TProcessOptions& o = demo.Options;
  TProcessResult r =
      RunProcess(BRENVIK_CLI_EXE, {ini, "send", "--yes", "--accept-data-warnings"}, o);
  ASSERT_EQ(r.ExitCode, 0) << r.Out << r.Err;
  r = RunProcess(BRENVIK_CLI_EXE, {ini, "pdf", "--sent-today"}, o);
  ASSERT_EQ(r.ExitCode, 0) << r.Out << r.Err;
  int pdfs = 0;
  for (const auto& e : std::filesystem::recursive_directory_iterator(site + "/ksef-data/Sent")) {
    if (e.path().extension() != ".xml" || e.path().string().find(".upo.") != std::string::npos)
      continue;
    SCOPED_TRACE(e.path().string());
    const std::string xml = e.path().string(),
                      pdf = e.path().parent_path() / (e.path().stem().string() + ".pdf");
    EXPECT_NE(r.Out.find(pdf), std::string::npos) << r.Out;
    const std::vector<std::string> pages = PageTexts(pdf);
    ASSERT_FALSE(pages.empty());
    const std::string number =
        e.path().stem().string().substr(e.path().stem().string().find('_') + 1);
    EXPECT_NE(NoSpaces(pages.back()).find(number), std::string::npos) << pages.back();
    EXPECT_EQ(DecodeQrCode(pdf, static_cast<int>(pages.size()), dir.Path()),
              ExpectedVerificationLink("https://qr-demo.ksef.mf.gov.pl", xml));
    ++pdfs;
  }
  EXPECT_GT(pdfs, 0);

  // A file that is no FA(3) invoice and a target folder that does not exist.
  WriteFile(dir / "inna.xml", "<?xml version=\"1.0\"?><Inna/>");
  const struct {
    std::vector<std::string> Args;
    const char* Message;
  } refusals[] = {
      {{dir / "inna.xml"}, "Faktura"},
      {{dir / "brak.xml"}, "brak.xml"},
      {{Fa3SamplesDir() + "/mf-example-01.xml", dir / "brak/x.pdf"}, "Nie można zapisać pliku PDF"},
  };
  for (const auto& row : refusals) {
    std::vector<std::string> args = {ini, "pdf"};
    args.insert(args.end(), row.Args.begin(), row.Args.end());
    r = RunProcess(BRENVIK_CLI_EXE, args, o);
    EXPECT_EQ(r.ExitCode, 1) << r.Out;
    EXPECT_NE(r.Err.find(row.Message), std::string::npos) << r.Err;
  }
}
