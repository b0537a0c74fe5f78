// A keyed table read through its primary index against the same table read
// whole: the same records in the same order, the same answers to every
// look-up and detail range, on the tables written by the database engine and
// on a built year; and an index that does not fit its table is logged and
// the table read whole, with the same answers.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "common/TestFiles.h"
#include "fixtures/TableWriter.h"
#include "fixtures/YearOfTables.h"
#include "paradox/Table.h"
#include "support/Errors.h"
#include "support/Logger.h"
#include "support/TextCodec.h"

using namespace brenvik;
using brenvik::testing::ParadoxSamplesDir;
using brenvik::testing::ReadFile;
using brenvik::testing::TTempDir;
using brenvik::testing::WriteFile;
namespace fs = std::filesystem;

namespace {

// Every field of the current record as text, in one line.
std::string RecordText(TPxTable& t) {
  std::string text;
  for (const auto& f : t.FieldDefs()) text += t.FieldByName(f.Name).AsString() + "|";
  return text;
}

std::vector<TPxKeyValue> KeyOf(TPxTable& t, size_t fields) {
  std::vector<TPxKeyValue> key;
  for (size_t i = 0; i < fields; ++i) {
    TPxField f = t.FieldByName(t.FieldDefs()[i].Name);
    key.push_back(f.IsNull()                            ? TPxKeyValue()
                  : f.DataType() == TPxFieldType::Alpha ? TPxKeyValue(f.AsString())
                                                        : TPxKeyValue(f.AsFloat()));
  }
  return key;
}

// Copies the table's files into FOLDER, its primary index only when WITHINDEX.
std::string CopyTable(const std::string& table, const std::string& folder, bool withIndex) {
  fs::create_directories(folder);
  const fs::path from(table);
  for (const auto& e : fs::directory_iterator(from.parent_path())) {
    const std::string name = e.path().filename().string();
    const std::string stem = e.path().stem().string(), ext = e.path().extension().string();
    if (!SameTextAscii(stem, from.filename().string())) continue;
    if (SameTextAscii(ext, ".px") && !withIndex) continue;
    if (SameTextAscii(ext, ".db") || SameTextAscii(ext, ".mb") || SameTextAscii(ext, ".px"))
      fs::copy_file(e.path(), fs::path(folder) / name, fs::copy_options::overwrite_existing);
  }
  return (fs::path(folder) / from.filename()).string();
}

// Every record in the same order, and every key (and its leading field
// alone) found at the same record in both.
void ExpectSameAnswers(TPxTable& indexed, TPxTable& whole, size_t keyFields, size_t step) {
  ASSERT_EQ(indexed.RecordCount(), whole.RecordCount());
  std::vector<std::vector<TPxKeyValue>> keys;
  size_t n = 0;
  for (indexed.First(), whole.First(); !whole.Eof(); indexed.Next(), whole.Next(), ++n) {
    ASSERT_FALSE(indexed.Eof());
    ASSERT_EQ(RecordText(indexed), RecordText(whole)) << "rekord " << n;
    if (n % step == 0) keys.push_back(KeyOf(whole, keyFields));
  }
  EXPECT_TRUE(indexed.Eof());
  for (auto key : keys) {
    for (const size_t fields : {key.size(), size_t{1}}) {
      key.resize(fields);
      const bool found = whole.FindKey(key);
      ASSERT_EQ(indexed.FindKey(key), found);
      if (!found) continue;
      EXPECT_EQ(RecordText(indexed), RecordText(whole));
      indexed.Next();
      whole.Next();
      ASSERT_EQ(indexed.Eof(), whole.Eof());
      if (!whole.Eof()) {
        EXPECT_EQ(RecordText(indexed), RecordText(whole));
      }
    }
    // A key between two stored ones.
    key.back() = key.back().IsNumber() ? TPxKeyValue(key.back().Number() + 0.5)
                                       : TPxKeyValue(key.back().ToText() + "~");
    EXPECT_EQ(indexed.FindKey(key), whole.FindKey(key));
  }
}

struct TIndexedTable {
  const char* Table;  // a keyed table with its ".PX"
  bool Indexed;       // read through the index (its key has no text field)
  size_t Step;        // every how many records a key is looked up
};

}  // namespace

TEST(PxIndexedReads, SameAnswersAsTheWholeFile) {
  TTempDir dir;
  fs::create_directories(dir / "year");
  BuildYearsOfTables(dir / "year");
  const std::string samples = ParadoxSamplesDir() + "/paradoxdriver/";
  const TIndexedTable rows[] = {
      {"year/2026WT", true, 997},  // two levels of index
      {"year/2026REG", true, 97},     {"year/2026WI", true, 97},
      {"year/2026W", false, 7},  // a text key: read whole
      {"db/CUSTOMER", true, 1},       {"db/ORDERS", true, 1},
      {"db/AREACODES", false, 1},     {"db/NOTE1251", true, 1},
      {"fields/long", true, 1},       {"fields/memo", true, 1},
      {"fields/graphic240", true, 1}, {"geog/tblsttes", false, 1},
      {"mtdemo/STORE", false, 1},
  };
  TLogger::Configure(dir / "log", "test", 0);
  for (const TIndexedTable& row : rows) {
    SCOPED_TRACE(row.Table);
    const std::string source =
        std::string(row.Table).rfind("year/", 0) == 0 ? dir / row.Table : samples + row.Table;
    TPxTable indexed, whole;
    indexed.SetTableName(CopyTable(source, dir / "with", true));
    whole.SetTableName(CopyTable(source, dir / "without", false));
    indexed.Open();
    whole.Open();
    EXPECT_EQ(indexed.ReadsThroughIndex(), row.Indexed);
    EXPECT_FALSE(whole.ReadsThroughIndex());
    // A look-up on a year of records reads a few blocks, not the file.
    if (row.Indexed && row.Step > 1) {
      ASSERT_TRUE(indexed.FindKey(KeyOf(whole, 1)));
      EXPECT_LE(indexed.BlocksRead(), 3u);
    }
    ExpectSameAnswers(indexed, whole, static_cast<size_t>(whole.PrimaryKeyFieldCount()), row.Step);
    EXPECT_EQ(indexed.ReadsThroughIndex(), row.Indexed);  // nothing fell back
  }
  // The lines of every 50th document through a master link, as the export reads them.
  TPxTable wi, wtIndexed, wtWhole;
  TPxDataSource ds(&wi);
  wi.SetTableName(dir / "year/2026WI");
  for (auto* wt : {&wtIndexed, &wtWhole}) {
    wt->SetMasterSource(&ds);
    wt->SetIndexFieldNames("Type;Year;MagId;Number");
    wt->SetMasterFields("Type;Year;MagId;Number");
  }
  wtIndexed.SetTableName(dir / "with/2026WT");
  wtWhole.SetTableName(dir / "without/2026WT");
  wi.Open();
  wtIndexed.Open();
  wtWhole.Open();
  ASSERT_TRUE(wtIndexed.ReadsThroughIndex());
  int documents = 0;
  for (wi.First(); !wi.Eof(); wi.Next()) {
    if (documents++ % 50 != 0) continue;
    ASSERT_EQ(wtIndexed.RecordCount(), YearLinesPerDocument);
    for (wtIndexed.First(), wtWhole.First(); !wtWhole.Eof(); wtIndexed.Next(), wtWhole.Next())
      ASSERT_EQ(RecordText(wtIndexed), RecordText(wtWhole));
    EXPECT_TRUE(wtIndexed.Eof());
  }
  EXPECT_EQ(documents, YearDocuments);
  EXPECT_FALSE(fs::exists(TLogger::CurrentFileName()));  // no index fell back
  TLogger::RestoreDefaults();
}

namespace {

// A table of 400 records keyed by two short integers, 102 to a block.
void WriteSmallTable(const std::string& path) {
  TPxTableWriter w(path, {{"A", "S"}, {"B", "S"}, {"Text", "A16"}}, 1250, 2);
  for (int i = 0; i < 400; ++i)
    w.AddRecord({static_cast<long long>(i / 7), static_cast<long long>(i % 7),
                 "rekord " + std::to_string(i)});
  w.Close();
}

constexpr size_t SmallRecord = 20, SmallEntry = 4 + 6, FirstEntry = 0x800 + 6;

void Patch(const std::string& path, size_t at, std::initializer_list<unsigned char> bytes) {
  std::string data = ReadFile(path);
  for (unsigned char b : bytes) data[at++] = static_cast<char>(b);
  WriteFile(path, data);
}

struct TDamage {
  const char* What;
  std::function<void(const std::string& base)> Apply;  // path without extension
  const char* Refusal;  // the whole file's refusal, when the table itself is damaged
};

}  // namespace

TEST(PxIndexedReads, AnIndexThatDoesNotFitIsLoggedAndTheWholeFileRead) {
  const TDamage rows[] = {
      {"the entry's record size", [](auto b) { Patch(b + ".PX", 0, {0x0B}); }, nullptr},
      {"a block's count",
       [](auto b) {
         Patch(b + ".PX", FirstEntry + 4 + 2, {0x80, 0x05});
       },
       nullptr},
      {"a block's first key", [](auto b) { Patch(b + ".PX", FirstEntry + SmallEntry + 3, {0x80}); },
       nullptr},
      {"a block outside the table",
       [](auto b) {
         Patch(b + ".PX", FirstEntry + 4, {0x80, 0x63});
       },
       nullptr},
      {"a truncated index",
       [](auto b) { WriteFile(b + ".PX", ReadFile(b + ".PX").substr(0, 0x810)); }, nullptr},
      {"two records of a block swapped",
       [](auto b) {
         std::string data = ReadFile(b + ".db");
         const size_t first = 0x800 + 6 + 3 * SmallRecord, second = first + SmallRecord;
         const std::string one = data.substr(first, SmallRecord);
         data.replace(first, SmallRecord, data.substr(second, SmallRecord));
         data.replace(second, SmallRecord, one);
         WriteFile(b + ".db", data);
       },
       nullptr},
      {"a record count that lies",
       [](auto b) {
         Patch(b + ".db", 0x06, {0x91, 0x01});
       },
       "liczba rekordów w nagłówku nie zgadza się z blokami danych"},
  };
  for (const TDamage& row : rows) {
    SCOPED_TRACE(row.What);
    TTempDir dir;
    TLogger::Configure(dir / "log", "test", 0);
    WriteSmallTable(dir / "T.db");
    const std::string whole = CopyTable(dir / "T", dir / "whole", false);
    row.Apply(dir / "T");
    TPxTable indexed, reference;
    indexed.SetTableName(dir / "T");
    reference.SetTableName(whole);
    if (row.Refusal) {
      try {
        indexed.Open();
        ADD_FAILURE() << "opened";
      } catch (const EDatabaseError& e) {
        EXPECT_NE(std::string(e.what()).find(row.Refusal), std::string::npos) << e.what();
      }
    } else {
      indexed.Open();
      reference.Open();
      // The look-ups reach every block, and the damaged one with them.
      for (int a = 0; a < 60; ++a) {
        ASSERT_EQ(indexed.FindKey({a, 3}), reference.FindKey({a, 3})) << a;
        if (reference.HasRecord()) {
          ASSERT_EQ(RecordText(indexed), RecordText(reference));
        }
      }
      ExpectSameAnswers(indexed, reference, 2, 1);
      EXPECT_FALSE(indexed.ReadsThroughIndex());
    }
    const std::string log = ReadFile(TLogger::CurrentFileName());
    EXPECT_NE(log.find("[WARN]"), std::string::npos) << log;
    EXPECT_NE(log.find("nie pasuje do tabeli"), std::string::npos) << log;
    TLogger::RestoreDefaults();
  }
}
