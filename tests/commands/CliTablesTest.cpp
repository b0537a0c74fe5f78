#include <gtest/gtest.h>

#include "common/TestFiles.h"
#include "common/TestProcess.h"
#include "common/TestSite.h"
#include "fixtures/TableWriter.h"

using namespace brenvik;
using namespace brenvik::testing;

namespace {

TProcessOptions In(const TTempDir& dir) {
  TProcessOptions o;
  o.WorkDir = dir.Path();
  o.Env = {{"BRENVIK_LOCK_DIR", dir.Path()}};
  return o;
}

const char* const kKey = R"([["Type","S"],["Year","S"],["MagId","S"],["Number","S"]])";

std::string Site(bool withUsers) {
  std::string j = std::string(R"({"codepage": 1250, "tables": {
    "DATA/2026WI": {"fields": )") +
                  kKey + R"(, "records": []},
    "DATA/2026WT": {"fields": )" +
                  kKey + R"(, "records": []},
    "DATA/2026W": {"fields": [["Group","A10"],["Index","A20"]], "records": [["A","1"],["A","2"]]},
    "DATA/2026WS": {"fields": [["Group","A10"],["Index","A20"],["SeriesNo","A10"]], "records": []},
    "DATA/2026REG": {"fields": [["Class","S"],["Year","S"],["MagId","S"],["Number","S"],["KSeF","A40"]], "records": []},
    "DATA/2026UR": {"fields": [["Number","I"],["PayerNumber","I"]], "records": [[1, 1]]})";
  if (withUsers) j += R"(, "DATA/users": {"fields": [["Number","I"]], "records": [[1]]})";
  return j + "}}";
}

}  // namespace

TEST(CliTables, ListsTheTablesOfTheWorkingDateInBothLayouts) {
  for (bool withUsers : {false, true}) {
    TTempDir dir;
    const std::string ini = WriteMinimalSite(dir.Path());
    BuildFixtureFromText(Site(withUsers), dir / "stelmar/");
    const TProcessResult r = RunProcess(BRENVIK_CLI_EXE, {"tables", "/ini=" + ini}, In(dir));
    ASSERT_EQ(r.ExitCode, 0) << r.Err << r.Out;
    EXPECT_NE(r.Out.find("2026W.db: 2 rekordów"), std::string::npos) << r.Out;
    EXPECT_NE(
        r.Out.find(withUsers ? "Układ danych klientów: Users" : "Układ danych klientów: rejestr"),
        std::string::npos)
        << r.Out;
    EXPECT_NE(r.Out.find("tblBarcodes"), std::string::npos);
    EXPECT_NE(r.Out.find("brak (tabela opcjonalna)"), std::string::npos);
  }
}

TEST(CliTables, AMissingRequiredTableFailsWithTheEnginesMessage) {
  TTempDir dir;
  const std::string ini = WriteMinimalSite(dir.Path());
  const TProcessResult r = RunProcess(BRENVIK_CLI_EXE, {"tables", "/ini=" + ini}, In(dir));
  EXPECT_EQ(r.ExitCode, 1);
  EXPECT_NE(r.Err.find("2026UR"), std::string::npos) << r.Err;
}
