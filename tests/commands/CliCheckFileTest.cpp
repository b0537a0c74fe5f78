#include <gtest/gtest.h>

#include <filesystem>

#include "common/TestFiles.h"
#include "common/TestProcess.h"
#include "common/TestSite.h"

using namespace brenvik::testing;
namespace fs = std::filesystem;

// The Ministry's own samples pass; a duplicate is found only against the
// site's folders, and a file is no duplicate of itself.
TEST(CliCheckFile, MinistrySamplesPassAndFailuresArePrintedInPolish) {
  TTempDir dir;
  const std::string ini = "/ini=" + WriteMinimalSite(dir.Path());
  TProcessOptions o;
  o.WorkDir = dir.Path();
  o.Env = {{"BRENVIK_LOCK_DIR", dir.Path()}};
  std::vector<std::string> args{"check-file", ini};
  for (int n = 1; n <= 26; ++n)
    args.push_back(Fa3SamplesDir() + "/mf-example-" + (n < 10 ? "0" : "") + std::to_string(n) +
                   ".xml");
  TProcessResult r = RunProcess(BRENVIK_CLI_EXE, args, o);
  EXPECT_EQ(r.ExitCode, 0) << r.Out << r.Err;
  EXPECT_NE(r.Out.find("Sprawdzono plików: 26, poprawnych: 26, odrzuconych: 0"), std::string::npos)
      << r.Out;

  // Sample 1 waits in Export; sample 4 has its seller, kind and number (9999999999, VAT,
  // FV2026/02/150); a copy of sample 26 carries a byte-order mark.
  const std::string waiting = dir / "ksef/Export/0-2026-1-1.xml";
  fs::copy_file(Fa3SamplesDir() + "/mf-example-01.xml", waiting);
  WriteFile(dir / "bom.xml", "\xEF\xBB\xBF" + ReadFile(Fa3SamplesDir() + "/mf-example-26.xml"));
  r = RunProcess(
      BRENVIK_CLI_EXE,
      {"check-file", ini, waiting, Fa3SamplesDir() + "/mf-example-04.xml", dir / "bom.xml"}, o);
  EXPECT_EQ(r.ExitCode, 1) << r.Out << r.Err;
  EXPECT_NE(r.Out.find(waiting + ": poprawny"), std::string::npos) << r.Out;
  EXPECT_NE(
      r.Out.find("mf-example-04.xml: KSeF odrzuci ten plik, błędów: 1\n  1. /Faktura/Fa/P_2 = "
                 "„FV2026/02/150”: duplikat faktury"),
      std::string::npos)
      << r.Out;
  EXPECT_NE(r.Out.find(waiting), r.Out.rfind(waiting)) << "the duplicate names where the first is";
  EXPECT_NE(r.Out.find("bom.xml: KSeF odrzuci ten plik, błędów: 1\n  1. (plik) = „EF BB BF”"),
            std::string::npos)
      << r.Out;
  EXPECT_NE(r.Out.find("Sprawdzono plików: 3, poprawnych: 1, odrzuconych: 2"), std::string::npos);
  EXPECT_EQ(RunProcess(BRENVIK_CLI_EXE, {"check-file", ini}, o).ExitCode, 2);
}
