// The engine over tables written by the fixture builder: reading and
// conversions, index order, find-key, filter and master/detail links.
#include <gtest/gtest.h>

#include <filesystem>

#include "common/TestFiles.h"
#include "support/Errors.h"
#include "fixtures/TableWriter.h"
#include "paradox/Table.h"

using namespace brenvik;
using brenvik::testing::ReadFile;
using brenvik::testing::TTempDir;
using brenvik::testing::WriteFile;

namespace {

// Headers, lines and goods of a small warehouse; records deliberately out of key order.
const char* SiteJson = R"({"codepage": 1250, "tables": {
 "DATA/2026WI": {"primary": 4,
   "fields": [["Type","S"],["Year","S"],["MagId","S"],["Number","I"],["Name","A24"],["Date","@"],
              ["User","I"],["Comment","M12"],["Value","$"],["Paid","L"],["SaleDate","D"],["At","T"],["Rate","N"]],
   "records": [
     [2,2026,1,7,"FV 7/2026","2026-04-11 08:00:00",10,"krótka",100.5,true,"2026-04-11","08:00:00",0.23],
     [0,2026,1,3,"PA 3/2026","2026-04-10 23:59:00",11,"Zażółć gęślą jaźń – notatka dłuższa niż część w rekordzie",-7.25,false,null,null,null],
     [2,2026,1,5,"FV 5/2026","2026-04-09 09:30:00",10,null,null,null,null,null,1e-7],
     [4,2026,1,1,"WZ 1/2026","2026-04-10 10:00:00",12,"",0,null,null,null,123456789.125]]},
 "DATA/2026WT": {"primary": 5,
   "fields": [["Type","S"],["Year","S"],["MagId","S"],["Number","I"],["Pos","S"],["Group","A4"],["Index","A16"],["Qty","N"]],
   "records": [
     [2,2026,1,7,2,"B","B-2",1],[2,2026,1,7,1,"A","A-1",2],[2,2026,1,5,1,"A","A-2",3],
     [0,2026,1,3,1,"B","B-2",4],[0,2026,1,3,3,"A","A-1",5],[0,2026,1,3,2,"A","A-2",6]]},
 "DATA/2026W": {"primary": 2,
   "fields": [["Group","A4"],["Index","A16"],["Name","A40"]],
   "records": [["A","A-1","Śruba"],["A","A-2","Nakrętka"],["B","B-2","Podkładka"]]}
}})";

class PxTableTest : public ::testing::Test {
protected:
  void SetUp() override { BuildFixtureFromText(SiteJson, Dir.Path()); }
  std::string Name(const std::string& t) { return Dir / ("DATA/" + t); }
  TTempDir Dir;
};

std::vector<std::string> Column(TPxTable& t, const std::string& field) {
  std::vector<std::string> out;
  for (t.First(); !t.Eof(); t.Next()) out.push_back(t.FieldByName(field).AsString());
  return out;
}

}  // namespace

TEST_F(PxTableTest, ReadsEveryTypeWithTheEnginesConversions) {
  TPxTable t(nullptr, "tblWI");
  t.SetTableName(Name("2026WI"));
  t.Open();
  EXPECT_EQ(t.PrimaryKeyFieldCount(), 4);
  EXPECT_EQ(t.CodePage(), 1250);
  ASSERT_TRUE(t.FindKey({2, 2026, 1, 7}));
  EXPECT_EQ(t.FieldByName("Name").AsString(), "FV 7/2026");
  EXPECT_EQ(t.FieldByName("date").AsString(), "2026-04-11 08:00:00");  // names ignore case
  EXPECT_EQ(t.FieldByName("Date").AsDateTime(), EncodeDateTime(2026, 4, 11, 8, 0, 0));
  EXPECT_EQ(t.FieldByName("Value").AsString(), "100.5");
  EXPECT_EQ(t.FieldByName("Value").AsInteger(), 100);  // round half to even, as the engine did
  EXPECT_EQ(t.FieldByName("Paid").AsString(), "True");
  EXPECT_TRUE(t.FieldByName("Paid").AsBoolean());
  EXPECT_EQ(t.FieldByName("SaleDate").AsString(), "2026-04-11");
  EXPECT_EQ(t.FieldByName("At").AsString(), "08:00:00");
  EXPECT_EQ(t.FieldByName("Rate").AsString(), "0.23");
  EXPECT_EQ(t.FieldByName("Number").AsString(), "7");
  EXPECT_EQ(t.FieldByName("Comment").AsString(), "krótka");

  ASSERT_TRUE(t.FindKey({0, 2026, 1, 3}));
  EXPECT_EQ(t.FieldByName("Comment").AsString(),
            "Zażółć gęślą jaźń – notatka dłuższa niż część w rekordzie");
  EXPECT_EQ(t.FieldByName("Value").AsFloat(), -7.25);
  EXPECT_EQ(t.FieldByName("Paid").AsString(), "False");
  // Null reads as empty text, 0 and date 0.
  EXPECT_TRUE(t.FieldByName("SaleDate").IsNull());
  EXPECT_EQ(t.FieldByName("SaleDate").AsString(), "");
  EXPECT_EQ(t.FieldByName("SaleDate").AsDateTime(), TDateTime(0));
  EXPECT_EQ(t.FieldByName("Rate").AsFloat(), 0.0);
  EXPECT_EQ(t.FieldByName("At").AsInteger(), 0);

  ASSERT_TRUE(t.FindKey({2, 2026, 1, 5}));
  EXPECT_EQ(t.FieldByName("Rate").AsString(), "0.0000001");
  EXPECT_TRUE(t.FieldByName("Comment").IsNull());
  ASSERT_TRUE(t.FindKey({4, 2026, 1, 1}));
  EXPECT_EQ(t.FieldByName("Rate").AsString(), "123456789.125");
  EXPECT_EQ(t.FieldByName("Value").AsString(), "0");
  EXPECT_FALSE(t.FieldByName("Value").IsNull());
}

TEST_F(PxTableTest, TextThatIsNoNumberFailsNamingTableAndField) {
  TPxTable t;
  t.SetTableName(Name("2026WI"));
  t.Open();
  t.First();
  for (auto read :
       {+[](TPxField f) { (void)f.AsInteger(); }, +[](TPxField f) { (void)f.AsFloat(); },
        +[](TPxField f) { (void)f.AsDateTime(); }}) {
    try {
      read(t.FieldByName("Name"));
      FAIL() << "no error";
    } catch (const EDatabaseError& e) {
      EXPECT_NE(e.Message().find("Name"), std::string::npos) << e.Message();
      EXPECT_NE(e.Message().find("2026WI"), std::string::npos) << e.Message();
    }
  }
  EXPECT_THROW(t.FieldByName("NoSuchField"), EDatabaseError);
}

TEST_F(PxTableTest, PrimaryOrderAndIndexOrder) {
  TPxTable t;
  t.SetTableName(Name("2026WI"));
  t.Open();
  EXPECT_EQ(Column(t, "Name"),
            (std::vector<std::string>{"PA 3/2026", "FV 5/2026", "FV 7/2026", "WZ 1/2026"}));
  t.SetIndexFieldNames("User;Date");
  EXPECT_EQ(Column(t, "Name"),
            (std::vector<std::string>{"FV 5/2026", "FV 7/2026", "PA 3/2026", "WZ 1/2026"}));
  ASSERT_TRUE(t.FindKey({11}));
  EXPECT_EQ(t.FieldByName("Name").AsString(), "PA 3/2026");
  EXPECT_FALSE(t.FindKey({13}));
  EXPECT_EQ(t.FieldByName("Name").AsString(), "PA 3/2026");  // a failed look-up does not move
  ASSERT_TRUE(t.FindKey({10, "2026-04-11 08:00:00"}));       // text for a date-time field
  EXPECT_EQ(t.FieldByName("Name").AsString(), "FV 7/2026");
  EXPECT_THROW(t.FindKey({"abc"}), EDatabaseError);
  EXPECT_THROW(t.SetIndexFieldNames("Nope"), EDatabaseError);
}

// Every kind of index field, sorted as the engine compares it: null first,
// text by its bytes, numbers and dates by value (0 and -0 alike), equal keys
// in the order of the file; and a look-up of each record's own key finds the
// first record of that key.
TEST(PxIndexOrder, EveryKeyTypeSortsByValueAndFindsItsFirstRecord) {
  TTempDir dir;
  BuildFixtureFromText(R"({"tables": {"Keys": {
    "fields": [["Id","A4"],["Name","A8"],["S","S"],["N","N"],["B","#2"],["D","D"]],
    "records": [
      ["1", "b",  5,     2.5,   1.25,  "2026-01-02"],
      ["2", null, -3,    0.0,   -7,    null],
      ["3", "ab", null,  null,  null,  "2025-12-31"],
      ["4", "a",  -3,    0.0,   0,     "2026-01-02"],
      ["5", "b",  0,     -1e10, 1.24,  "2000-01-01"],
      ["6", "B",  32767, 1e-9,  -0.01, "2026-01-01"]]}}})",
                       dir.Path());
  // The writer stores no -0; another program may: record 4's N made -0
  // (header 2 KB, block head 6 bytes, records of 43 bytes, N at 14).
  std::string file = ReadFile(dir / "Keys.db");
  file.replace(0x800 + 6 + 3 * 43 + 14, 8, "\x7F\xFF\xFF\xFF\xFF\xFF\xFF\xFF");
  WriteFile(dir / "Keys.db", file);
  const struct {
    const char* Index;
    std::vector<std::string> Ids;
  } rows[] = {
      {"Name", {"2", "6", "4", "3", "1", "5"}}, {"S", {"3", "2", "4", "5", "1", "6"}},
      {"N", {"3", "5", "2", "4", "6", "1"}},    {"B", {"3", "2", "6", "4", "5", "1"}},
      {"D", {"2", "5", "3", "6", "1", "4"}},    {"Name;S", {"2", "6", "4", "3", "5", "1"}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Index);
    TPxTable t;
    t.SetTableName(dir / "Keys");
    t.SetIndexFieldNames(row.Index);
    t.Open();
    EXPECT_EQ(Column(t, "Id"), row.Ids);
    std::vector<std::pair<std::vector<std::string>, std::vector<TPxKeyValue>>> keys;
    for (t.First(); !t.Eof(); t.Next()) {
      std::vector<std::string> text;
      std::vector<TPxKeyValue> values;
      for (const std::string& name : {std::string("Name"), std::string("S"), std::string("N"),
                                      std::string("B"), std::string("D")}) {
        if (std::string(";").append(row.Index).append(";").find(";" + name + ";") ==
            std::string::npos)
          continue;
        TPxField f = t.FieldByName(name);
        text.push_back(f.AsString());
        values.push_back(f.IsNull()                            ? TPxKeyValue()
                         : f.DataType() == TPxFieldType::Alpha ? TPxKeyValue(f.AsString())
                                                               : TPxKeyValue(f.AsFloat()));
      }
      keys.emplace_back(text, values);
    }
    for (size_t i = 0; i < keys.size(); ++i) {
      size_t first = i;
      while (first > 0 && keys[first - 1].first == keys[i].first) --first;
      ASSERT_TRUE(t.FindKey(keys[i].second)) << i;
      EXPECT_EQ(t.FieldByName("Id").AsString(), row.Ids[first]) << i;
    }
  }
}

TEST_F(PxTableTest, FindKeyOnTextFields) {
  TPxTable w;
  w.SetTableName(Name("2026W"));
  w.SetIndexFieldNames("Group;Index");
  w.Open();
  ASSERT_TRUE(w.FindKey({"A", "A-2"}));
  EXPECT_EQ(w.FieldByName("Name").AsString(), "Nakrętka");
  EXPECT_FALSE(w.FindKey({"A", "a-2"}));
  EXPECT_FALSE(w.FindKey({"A", "Ż"}));  // a character 1250 holds, no such record
  EXPECT_FALSE(w.FindKey({"A", "€€€日本"}));
  ASSERT_TRUE(w.FindKey({"B"}));  // a leading part of the key
  EXPECT_EQ(w.FieldByName("Index").AsString(), "B-2");
  ASSERT_TRUE(w.Locate("Name", "Śruba"));
  EXPECT_EQ(w.FieldByName("Index").AsString(), "A-1");
}

TEST_F(PxTableTest, FilterShowsOnlyAcceptedRecords) {
  TPxTable t;
  t.SetTableName(Name("2026WI"));
  t.SetOnFilterRecord(
      [](TPxTable& ds, bool& accept) { accept = ds.FieldByName("Type").AsInteger() == 2; });
  t.SetFiltered(true);
  t.Open();
  EXPECT_EQ(Column(t, "Name"), (std::vector<std::string>{"FV 5/2026", "FV 7/2026"}));
  EXPECT_EQ(t.RecordCount(), 2);
  EXPECT_FALSE(t.FindKey({0, 2026, 1, 3}));  // there, but filtered out
  EXPECT_TRUE(t.FindKey({2, 2026, 1, 7}));
  t.SetOnFilterRecord([](TPxTable&, bool& accept) { accept = false; });
  t.First();
  EXPECT_TRUE(t.Eof());
  EXPECT_TRUE(t.IsEmpty());
  EXPECT_EQ(t.FieldByName("Name").AsString(), "");  // no record: fields read as null
  t.SetFiltered(false);
  EXPECT_EQ(t.RecordCount(), 4);
}

TEST_F(PxTableTest, DetailsFollowTheMasterInDetailIndexOrder) {
  TPxTable wi, wt, w;
  TPxDataSource dsWI(&wi), dsWT(&wt);
  wi.SetTableName(Name("2026WI"));
  wi.SetOnFilterRecord(
      [](TPxTable& ds, bool& accept) { accept = ds.FieldByName("Type").AsInteger() != 4; });
  wi.SetFiltered(true);
  wt.SetTableName(Name("2026WT"));
  wt.SetIndexFieldNames("Type;Year;MagId;Number");
  wt.SetMasterSource(&dsWI);
  wt.SetMasterFields("Type;Year;MagId;Number");
  w.SetTableName(Name("2026W"));
  w.SetIndexFieldNames("Group;Index");
  w.SetMasterSource(&dsWT);
  w.SetMasterFields("Group;Index");
  wi.Open();
  wt.Open();
  w.Open();

  std::vector<std::string> seen;
  for (wi.First(); !wi.Eof(); wi.Next()) {
    std::string doc = wi.FieldByName("Name").AsString() + ":";
    for (wt.First(); !wt.Eof(); wt.Next())
      doc += " " + wt.FieldByName("Pos").AsString() + "=" + w.FieldByName("Name").AsString();
    seen.push_back(doc);
  }
  EXPECT_EQ(seen,
            (std::vector<std::string>{"PA 3/2026: 1=Podkładka 2=Nakrętka 3=Śruba",
                                      "FV 5/2026: 1=Nakrętka", "FV 7/2026: 1=Śruba 2=Podkładka"}));
  ASSERT_TRUE(wi.FindKey({2, 2026, 1, 5}));
  EXPECT_EQ(wt.RecordCount(), 1);
  EXPECT_EQ(w.FieldByName("Index").AsString(), "A-2");
  // A closed master leaves its details without records.
  wi.Close();
  EXPECT_TRUE(wt.Eof());
  EXPECT_TRUE(w.Eof());
  // Without a link the detail shows the whole table again.
  wt.SetMasterSource(nullptr);
  EXPECT_EQ(wt.RecordCount(), 6);
}

TEST_F(PxTableTest, MoreLinkFieldsThanIndexFieldsIsAnError) {
  TPxTable wi, wt;
  TPxDataSource ds(&wi);
  wi.SetTableName(Name("2026WI"));
  wt.SetTableName(Name("2026WT"));
  wt.SetIndexFieldNames("Type;Year");
  wt.SetMasterSource(&ds);
  wt.SetMasterFields("Type;Year;MagId");
  wi.Open();
  EXPECT_THROW(wt.Open(), EDatabaseError);
}

TEST_F(PxTableTest, FileNamesIgnoreLetterCaseAndFieldsOfClosedTables) {
  std::filesystem::rename(Dir / "DATA/2026WI.db", Dir / "DATA/2026wi.DB");
  std::filesystem::rename(Dir / "DATA/2026WI.mb", Dir / "DATA/2026Wi.Mb");
  TPxTable t;
  t.SetTableName(Name("2026WI"));
  EXPECT_TRUE(TableFileExists(Name("2026WI")));
  EXPECT_FALSE(TableFileExists(Name("2027WI")));
  EXPECT_TRUE(t.FieldExists("MagId"));  // closed: from the file header
  EXPECT_FALSE(t.FieldExists("Series"));
  EXPECT_FALSE(t.Active());
  t.Open();
  EXPECT_TRUE(t.FieldExists("magid"));
  ASSERT_TRUE(t.FindKey({0, 2026, 1, 3}));
  EXPECT_NE(t.FieldByName("Comment").AsString().find("jaźń"), std::string::npos);  // memo found too
}

TEST_F(PxTableTest, SessionClosesItsTables) {
  TPxSession session;
  TPxTable a(&session), b(&session);
  a.SetTableName(Name("2026WI"));
  b.SetTableName(Name("2026W"));
  session.SetActive(true);
  a.Open();
  b.Open();
  EXPECT_EQ(session.OpenTableCount(), 2u);
  session.SetActive(false);
  EXPECT_FALSE(a.Active());
  EXPECT_FALSE(b.Active());
  EXPECT_EQ(session.OpenTableCount(), 0u);
  a.Close();  // closing a closed table does nothing
}

TEST_F(PxTableTest, CodePageSettingAndHeader) {
  const char* json =
      R"({"codepage": 852, "tables": {"T852": {"fields": [["Name","A10"]], "records": [["Łódź"]]},
                          "T1252": {"codepage": 1252, "fields": [["Name","A10"]], "records": [["Café"]]}}})";
  BuildFixtureFromText(json, Dir.Path());
  const std::string raw = ReadFile(Dir / "T852.db");
  EXPECT_NE(raw.find("\x9d\xa2\x64\xab"), std::string::npos);  // Łódź in 852
  TPxTable t;
  t.SetTableName(Dir / "T852");
  t.Open();
  EXPECT_EQ(t.CodePage(), 852);
  t.First();
  EXPECT_EQ(t.FieldByName("Name").AsString(), "Łódź");
  TPxTable u;
  u.SetTableName(Dir / "T1252");
  u.Open();
  EXPECT_EQ(u.CodePage(), 1250);  // a header's 1252 is not believed
  u.Close();
  u.SetCodePage(1252);
  u.Open();
  u.First();
  EXPECT_EQ(u.FieldByName("Name").AsString(), "Café");
}

TEST_F(PxTableTest, DamagedFilesAreRefusedNamingTheFile) {
  const std::string good = ReadFile(Dir / "DATA/2026WT.db");
  const auto patched = [&](size_t at, std::string bytes) {
    std::string b = good;
    b.replace(at, bytes.size(), bytes);
    return b;
  };
  const std::string damaged = "nie jest poprawną tabelą Paradox: ";
  struct TCase {
    const char* Name;
    std::string Bytes;
    std::string Why;  // a part of the message
  } cases[] = {
      {"Truncated", good.substr(0, good.size() - 100), damaged + "plik jest obcięty"},
      {"Header", good.substr(0, 40), damaged + "plik jest za krótki"},
      {"NotParadox", std::string(4096, 'x'), damaged + "to nie jest plik danych tabeli"},
      {"Empty", "", damaged + "plik jest za krótki"},
      {"BadHeader", patched(0x21, std::string("\0\x40", 2)), damaged + "nagłówek jest uszkodzony"},
      {"UnknownVersion", patched(0x39, "\x0D"), damaged + "nagłówek jest uszkodzony"},
      {"UnknownFieldType", patched(0x78, "\x30"), damaged + "nieznany typ pola"},
      {"FieldNamesUnended", patched(0x19F, std::string(0x800 - 0x19F, 'x')),
       damaged + "nagłówek jest uszkodzony"},
      {"ChainOutside", patched(0x800, "\x77"), damaged + "łańcuch bloków danych jest uszkodzony"},
      {"ChainLoop", patched(0x800, std::string("\x01\0", 2)),
       damaged + "łańcuch bloków danych jest uszkodzony"},
      {"BlockOverfull", patched(0x804, "\xFF\x7F"), damaged + "blok danych jest uszkodzony"},
      {"CountLies", patched(0x06, "\x07"),
       damaged + "liczba rekordów w nagłówku nie zgadza się z blokami danych"},
      {"Encrypted", patched(0x5C, "\x2A"), "jest zaszyfrowana hasłem"},
      // Any of these four bytes set made the library search for a password for ever.
      {"KeyByte25", patched(0x25, "\x01"), "zaszyfrowana hasłem"},
      {"KeyByte28", patched(0x28, "\x80"), "zaszyfrowana hasłem"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    WriteFile(Dir / (std::string(c.Name) + ".db"), c.Bytes);
    TPxTable t;
    t.SetTableName(Dir / c.Name);
    try {
      t.Open();
      FAIL() << "opened";
    } catch (const EDatabaseError& e) {
      EXPECT_NE(e.Message().find(std::string(c.Name) + ".db"), std::string::npos) << e.Message();
      EXPECT_NE(e.Message().find(c.Why), std::string::npos) << e.Message();
    }
    EXPECT_FALSE(t.Active());
    EXPECT_EQ(ReadFile(Dir / (std::string(c.Name) + ".db")), c.Bytes);
  }
  TPxTable missing;
  missing.SetTableName(Dir / "Missing");
  EXPECT_THROW(missing.Open(), EDatabaseError);
}
