// The fixture builder refuses descriptions it cannot write faithfully.
#include <gtest/gtest.h>

#include "common/TestFiles.h"
#include "support/Errors.h"
#include "fixtures/TableWriter.h"
#include "paradox/Table.h"

using namespace brenvik;
using brenvik::testing::TTempDir;
using brenvik::testing::WriteFile;

TEST(PxFixture, BadDescriptionsAreRefused) {
  const char* cases[] = {
      "not json",
      R"({"codepage": 1250})",
      R"({"tables": {"T": {"records": []}}})",
      R"({"tables": {"T": {"fields": [["A","Q"]]}}})",
      R"({"tables": {"T": {"fields": [["A","A0"]]}}})",
      R"({"tables": {"T": {"fields": [["A","A300"]]}}})",
      R"({"tables": {"T": {"fields": [["A","M241"]]}}})",
      R"({"tables": {"T": {"fields": [["A","S"]], "records": [[1, 2]]}}})",
      R"({"tables": {"T": {"fields": [["A","S"]], "records": [[40000]]}}})",
      R"({"tables": {"T": {"fields": [["A","S"]], "records": [[1.5]]}}})",
      R"({"tables": {"T": {"fields": [["A","A3"]], "records": [["abcd"]]}}})",
      R"({"tables": {"T": {"fields": [["A","A3"]], "records": [["日本"]]}}})",
      R"({"tables": {"T": {"fields": [["A","D"]], "records": [["2026-02-30"]]}}})",
      R"({"tables": {"T": {"fields": [["A","@"]], "records": [["yesterday"]]}}})",
      R"({"tables": {"T": {"fields": [["A","L"]], "records": [[1]]}}})",
      R"({"tables": {"T": {"primary": 1, "fields": [["A","S"]], "records": [[1], [1]]}}})",
      R"({"tables": {"T": {"primary": 2, "fields": [["A","S"]]}}})",
      R"({"tables": {"../T": {"fields": [["A","S"]]}}})",
      R"({"tables": {"T": {"fields": [["A","S"]], "records": [[{"x": 1}]]}}})",
  };
  for (const char* json : cases) {
    TTempDir dir;
    EXPECT_THROW(BuildFixtureFromText(json, dir.Path()), Exception) << json;
  }
}

TEST(PxFixture, FileDescriptionAndEmptyTables) {
  TTempDir dir;
  WriteFile(dir / "site.json",
            R"({"tables": {"A/B/Empty": {"fields": [["N","+"], ["T","A5"]]},
                            "Auto": {"fields": [["N","+"], ["T","A5"]], "records": [[null,"a"],[null,"b"]]}}})");
  BuildFixtureFromFile(dir / "site.json", dir / "out");
  TPxTable empty;
  empty.SetTableName(dir / "out/A/B/Empty");
  empty.Open();
  empty.First();
  EXPECT_TRUE(empty.Eof());
  EXPECT_TRUE(empty.IsEmpty());
  TPxTable autoinc;
  autoinc.SetTableName(dir / "out/Auto");
  autoinc.Open();
  std::string seen;
  for (autoinc.First(); !autoinc.Eof(); autoinc.Next())
    seen += autoinc.FieldByName("N").AsString() + autoinc.FieldByName("T").AsString();
  EXPECT_EQ(seen, "1a2b");
  EXPECT_THROW(BuildFixtureFromFile(dir / "missing.json", dir / "out"), EFOpenError);
}
