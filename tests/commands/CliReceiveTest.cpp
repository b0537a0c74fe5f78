#include <gtest/gtest.h>

#include <filesystem>

#include "common/TestFiles.h"
#include "common/TestProcess.h"
#include "common/TestSite.h"
#include "support/Paths.h"
#include "fixtures/TableWriter.h"
#include "paradox/Table.h"

using namespace brenvik;
using namespace brenvik::testing;

namespace {

// A site whose seller is the buyer of the Ministry's first sample invoice.
std::string ReceiveSite(const TTempDir& dir) {
  std::string ini = MinimalSiteIni(dir.Path());
  for (std::string* text : {&ini}) {
    for (size_t p; (p = text->find("5265877635")) != std::string::npos;)
      text->replace(p, 10, "1111111111");
  }
  WriteFile(dir / "site.ini", ini);
  WriteFile(dir / "api/.env", "KSEF_NIP=1111111111\n");
  BuildFixtureFromText(
      R"({"codepage": 1250, "tables": {"DATA/2026REG": {"fields": [["Class","S"],["Year","S"],
    ["MagId","S"],["Number","S"],["KSeF","A40"],["Document","A30"],["NIP","A20"]], "records": [
    [0, 2026, 1, 5, "-", "FV 5/2026", ""], [128, 0, 0, 0, "", "FV2026/02/150", "9999999999"]]}}})",
      dir / "stelmar/");
  return dir / "site.ini";
}

TProcessOptions In(const TTempDir& dir) {
  TProcessOptions o;
  o.WorkDir = dir.Path();
  o.Env = {{"BRENVIK_LOCK_DIR", dir.Path()}};
  return o;
}

}  // namespace

TEST(CliReceive, WritesBackSentNumbersAndFilesAReceivedSample) {
  TTempDir dir;
  const std::string ini = ReceiveSite(dir);
  const std::string sent = "1111111111-20260410-ABCDEF012345-CA";
  WriteFile(dir / ("ksef/Sent/0-2026-1-5_" + sent + ".xml"), "<x/>");
  const std::string received = "9999999999-20260215-0123456789AB-58";
  MakeDirs(dir / "ksef/Import");
  std::filesystem::copy_file(Fa3SamplesDir() + "/mf-example-01.xml",
                             dir / ("ksef/Import/" + received + ".xml"));
  const TProcessResult r = RunProcess(BRENVIK_CLI_EXE, {"receive", "/ini=" + ini}, In(dir));
  ASSERT_EQ(r.ExitCode, 0) << r.Out << r.Err;
  EXPECT_NE(r.Out.find("Odbiór z KSeF"), std::string::npos) << r.Out;
  EXPECT_NE(r.Out.find("Dopisano nr KSeF: " + sent + " do faktury: FV 5/2026"), std::string::npos)
      << r.Out;
  EXPECT_NE(r.Out.find("Dopisano nr KSeF: " + received + " do faktury zakupu: FV2026/02/150"),
            std::string::npos);
  EXPECT_NE(r.Out.find("Zakończono odbiór z KSeF"), std::string::npos);
  EXPECT_TRUE(FileExists(dir / ("ksef/Sent/2026-04/0-2026-1-5_" + sent + ".xml")));
  EXPECT_TRUE(FileExists(dir / ("ksef/Received/2026-02/" + received + ".xml")));
  TPxTable reg;
  reg.SetTableName(dir / "stelmar/DATA/2026REG");
  reg.Open();
  EXPECT_EQ(reg.FieldByName("KSeF").AsString(), sent);
}

TEST(CliReceive, FilesThatCannotBeProcessedGoToErrorsAndTheRunGoesOn) {
  TTempDir dir;
  const std::string ini = ReceiveSite(dir);
  const std::string sent = "1111111111-20260410-ABCDEF012345-CA";
  WriteFile(dir / ("ksef/Sent/0-2026-1-5_" + sent + ".xml"), "<x/>");
  const std::vector<std::string> bad = {"Sent/0-2026-5_x_" + sent + ".xml",
                                        "Sent/0-2026-1-99_" + sent + ".xml",
                                        "Import/9999999999-C:260215-0123456789AB-58.xml"};
  for (const std::string& name : bad) WriteFile(dir / ("ksef/" + name), "<x/>");
  const TProcessResult r = RunProcess(BRENVIK_CLI_EXE, {"receive", "/ini=" + ini}, In(dir));
  ASSERT_EQ(r.ExitCode, 0) << r.Out << r.Err;
  EXPECT_NE(r.Out.find("Dopisano nr KSeF: " + sent + " do faktury: FV 5/2026"), std::string::npos);
  EXPECT_NE(r.Out.find("odrzucono plików: 3"), std::string::npos) << r.Out;
  for (const std::string& name : bad) {
    const std::string aside = dir / ("ksef/Errors/" + ExtractFileName(name));
    EXPECT_TRUE(FileExists(aside)) << name;
    EXPECT_TRUE(FileExists(ChangeFileExt(aside, ".txt"))) << name;
    EXPECT_NE(r.Out.find("Odrzucono plik " + dir / ("ksef/" + name)), std::string::npos) << name;
  }
  EXPECT_FALSE(std::filesystem::exists(dir / "C:26-02"));
}

// Files whose parsing would block the whole receive are refused before it.
TEST(CliReceive, HugeOrAttributeLadenFilesAreSetAsideAtOnce) {
  TTempDir dir;
  const std::string ini = ReceiveSite(dir);
  std::string attributes;
  for (int i = 0; i < 200000; ++i) attributes += " a" + std::to_string(i) + "=\"1\"";
  struct TRow {
    std::string Name, Text, Reason;
  } rows[] = {
      {"9999999999-20260215-0123456789AB-58", "<?xml version=\"1.0\"?><Faktura" + attributes + "/>",
       "ma więcej niż 64 atrybutów"},
      {"9999999999-20260215-0123456789AC-5F",
       "<?xml version=\"1.0\"?><Faktura>" + std::string(6 << 20, ' ') + "</Faktura>",
       "najwyżej 5 MB"},
  };
  for (const TRow& row : rows) WriteFile(dir / ("ksef/Import/" + row.Name + ".xml"), row.Text);
  TProcessOptions o = In(dir);
  o.TimeoutMs = 20000;
  const TProcessResult r = RunProcess(BRENVIK_CLI_EXE, {"receive", "/ini=" + ini}, o);
  EXPECT_EQ(r.ExitCode, 0) << r.Out << r.Err;
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.Name);
    EXPECT_TRUE(FileExists(dir / ("ksef/Errors/" + row.Name + ".xml")));
    EXPECT_NE(r.Out.find(row.Reason), std::string::npos) << r.Out;
  }
}
