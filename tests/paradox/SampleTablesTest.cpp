// The engine against real Paradox tables from other programs.
#include <gtest/gtest.h>

#include <filesystem>

#include "common/TestFiles.h"
#include "support/Errors.h"
#include "paradox/Table.h"
#include "support/TextCodec.h"

using namespace brenvik;
using brenvik::testing::ParadoxSamplesDir;

namespace {

struct TSample {
  const char* Table;  // under the samples folder, without ".db"
  int CodePage;       // what the text really is (headers are not to be trusted)
  int Records;
};

// Reads every field of every record as text; returns the count of records.
int ReadAll(TPxTable& t) {
  int n = 0;
  for (t.First(); !t.Eof(); t.Next()) {
    for (const auto& f : t.FieldDefs()) {
      TPxField field = t.FieldByName(f.Name);
      const std::string text = field.AsString();
      if (field.IsNull()) {
        EXPECT_EQ(text, "") << f.Name;
      }
      if (IsPxNumericType(f.Type) && f.Type != TPxFieldType::Logical) {
        (void)field.AsFloat();
      }
    }
    ++n;
  }
  return n;
}

}  // namespace

TEST(PxSamples, EveryRecordOfEveryTableReads) {
  const std::string dir = ParadoxSamplesDir();
  const TSample samples[] = {
      {"paradoxdriver/db/CUSTOMER", 1252, 20},     {"paradoxdriver/db/ORDERS", 437, 224},
      {"paradoxdriver/db/AREACODES", 1252, 370},   {"paradoxdriver/db/NOTE1251", 1251, 2},
      {"paradoxdriver/fields/bcd", 850, 3},        {"paradoxdriver/fields/bytes", 850, 1},
      {"paradoxdriver/fields/date7", 850, 5},      {"paradoxdriver/fields/fmemo", 850, 2},
      {"paradoxdriver/fields/graphic240", 850, 1}, {"paradoxdriver/fields/logical", 1252, 4},
      {"paradoxdriver/fields/long", 850, 3},       {"paradoxdriver/fields/memo", 850, 2},
      {"paradoxdriver/fields/time", 1252, 3},      {"paradoxdriver/fields/timestamp", 850, 2},
      {"paradoxdriver/geog/tblsttes", 437, 58},    {"paradoxdriver/mtdemo/STORE", 437, 4},
      {"dbdemos-biolife/BIOLIFE", 866, 28},
  };
  for (const TSample& s : samples) {
    SCOPED_TRACE(s.Table);
    TPxTable t(nullptr, "t");
    t.SetTableName(dir + "/" + s.Table);
    t.SetCodePage(s.CodePage);
    ASSERT_NO_THROW(t.Open());
    EXPECT_EQ(ReadAll(t), s.Records);
  }
}

TEST(PxSamples, EveryTableFileIsCovered) {
  const std::string dir = ParadoxSamplesDir();
  int tables = 0;
  for (const auto& e : std::filesystem::recursive_directory_iterator(dir))
    if (e.is_regular_file() && SameTextAscii(e.path().extension().string(), ".db")) ++tables;
  EXPECT_EQ(tables, 18);  // the seventeen read above and the encrypted one
}

TEST(PxSamples, ValuesOfKnownRecords) {
  const std::string dir = ParadoxSamplesDir();
  TPxTable memo;
  memo.SetTableName(dir + "/paradoxdriver/fields/memo");
  memo.Open();
  memo.First();
  const std::string longText = memo.FieldByName("MEMO").AsString();
  EXPECT_EQ(longText.size(), 555u);  // past the leading part: from the .MB file
  EXPECT_EQ(longText.substr(0, 12), "012345678900");
  memo.Next();
  EXPECT_EQ(memo.FieldByName("MEMO").AsString(), "01234567890\n");
  EXPECT_EQ(memo.FieldByName("Id").AsInteger(), 2);

  TPxTable bcd;
  bcd.SetTableName(dir + "/paradoxdriver/fields/bcd");
  bcd.Open();
  bcd.First();
  EXPECT_EQ(bcd.FieldByName("A").AsString(), "1.23");
  EXPECT_EQ(bcd.FieldByName("B").AsFloat(), 1.0);
  bcd.Next();
  EXPECT_EQ(bcd.FieldByName("A").AsString(), "-1.23");
  // Noise after the stored digits is no part of the value.
  EXPECT_NEAR(bcd.FieldByName("C").AsFloat(), -0.123, 1e-12);
  bcd.Next();
  EXPECT_TRUE(bcd.FieldByName("B").IsNull());

  TPxTable ts;
  ts.SetTableName(dir + "/paradoxdriver/fields/timestamp");
  ts.Open();
  ts.First();
  EXPECT_TRUE(ts.FieldByName("Timestamp").IsNull());  // pxlib would give year -1
  EXPECT_EQ(ts.FieldByName("Timestamp").AsDateTime(), TDateTime(0));
  ts.Next();
  EXPECT_EQ(ts.FieldByName("Timestamp").AsString(), "2020-02-01 01:00:01");

  TPxTable d7;
  d7.SetTableName(dir + "/paradoxdriver/fields/date7");
  d7.Open();
  d7.First();
  EXPECT_EQ(d7.FieldByName("DATE").AsString(), "2018-01-01");
  EXPECT_EQ(d7.FieldByName("TIME").AsString(), "10:00:00");
}

TEST(PxSamples, MemoTextIsConvertedFromTheRealCodePage) {
  const std::string dir = ParadoxSamplesDir();
  TPxTable t;
  t.SetTableName(dir + "/paradoxdriver/db/NOTE1251");
  t.SetCodePage(1251);  // the header says 936
  t.Open();
  bool cyrillic = false;
  for (t.First(); !t.Eof(); t.Next()) {
    const std::string s = t.FieldByName("Note").AsString();
    EXPECT_TRUE(IsValidUtf8(s));
    cyrillic =
        cyrillic || s.find("\xD0") != std::string::npos || s.find("\xD1") != std::string::npos;
  }
  EXPECT_TRUE(cyrillic);
}

TEST(PxSamples, EncryptedTableIsRefusedByName) {
  const std::string dir = ParadoxSamplesDir();
  TPxTable t;
  t.SetTableName(dir + "/paradoxdriver/encrypt/encrypted");
  try {
    t.Open();
    FAIL() << "opened";
  } catch (const EDatabaseError& e) {
    EXPECT_NE(e.Message().find("zaszyfrowana"), std::string::npos) << e.Message();
    EXPECT_NE(e.Message().find("encrypted"), std::string::npos) << e.Message();
  }
  EXPECT_FALSE(t.Active());
}
