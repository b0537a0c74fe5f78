#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <set>

#include "support/Money.h"
#include "support/DocumentRules.h"
#include "support/DocumentKey.h"
#include "StelmarSite.h"
#include "common/TestFiles.h"
#include "warehouse/DataModule.h"
#include "support/Dialogs.h"
#include "support/Errors.h"
#include "support/Paths.h"
#include "fixtures/TableWriter.h"
#include "warehouse/StelmarTables.h"
#include "warehouse/Parties.h"
#include "warehouse/TableTools.h"

using namespace brenvik;
using brenvik::testing::BuildStelmarSite;
using brenvik::testing::MakeDirs;
using brenvik::testing::TTempDir;
using brenvik::testing::WriteFile;

namespace {

std::vector<std::string> SplitFieldList(const std::string& names) {
  std::vector<std::string> fields;
  for (size_t start = 0; start < names.size();) {
    const size_t end = std::min(names.find(';', start), names.size());
    fields.push_back(names.substr(start, end - start));
    start = end + 1;
  }
  return fields;
}

const char* const kHeaders = R"("fields": [["Type","S"],["Year","S"],["MagId","S"],["Number","S"],
  ["Date","@"],["Flags","S"],["Name","A24"],["User","I"],["Options","I"],["CarId","I"],
  ["PayInfo","S"],["PayDelay","S"]])";

// A Stelmar site for the working date 2026-04-10 with yearly tables.
std::string SiteJson(bool withUsers, bool seriesWithMagId, bool optional) {
  std::string j = R"({"codepage": 1250, "tables": {
    "DATA/2026WI": {)" +
                  std::string(kHeaders) + R"(, "records": [
      [0, 2026, 1, 1, "2026-04-04 23:59:59", 0, "FV 1/2026", 1, 0, 0, 2, 14],
      [0, 2026, 1, 2, "2026-04-05 00:00:00", 0, "FV 2/2026", 2, 0, 0, 0, 0],
      [4, 2026, 1, 3, "2026-04-06 10:00:00", 0, "WZ 3/2026", 1, 0, 0, 0, 0],
      [21, 2026, 1, 4, "2026-04-06 10:00:00", 0, "X 4", 1, 0, 0, 0, 0],
      [49, 2026, 1, 5, "2026-04-06 10:00:00", 0, "X 5", 1, 0, 0, 0, 0],
      [54, 2026, 1, 6, "2026-04-06 10:00:00", 0, "X 6", 1, 0, 0, 0, 0],
      [22, 2026, 1, 7, "2026-04-10 23:59:00", 0, "FV 7/2026", 1, 0, 0, 2, 30],
      [1, 2026, 1, 8, "2026-04-11 00:00:00", 0, "KOR 8/2026", 1, 0, 0, 0, 0],
      [53, 2026, 2, 9, "2026-04-08 12:00:00", 4, "P 9/2026", 2, 0, 0, 2, 7]]},
    "DATA/2026WT": {"fields": [["Type","S"],["Year","S"],["MagId","S"],["Number","S"],["InvoPos","S"],
      ["Group","A10"],["Index","A20"],["Series","A10"],["MagIdL","S"],["Price","$"],["Quantity","N"],["VAT","N"],["Cost","N"]],
      "records": [[0, 2026, 1, 2, 1, "A", "X1", "S1", 1, 12.3, 3, 23, 0],
                  [0, 2026, 1, 2, 2, "O", "PAL", "", 1, 45, 2.5, 23, 0],
                  [22, 2026, 1, 7, 1, "A", "X1", "S1", 1, 10, 1, 0, 4.25]]},
    "DATA/2026W": {"fields": [["Group","A10"],["Index","A20"],["Name","A60"],["Unit","A10"],["Options","S"],["GTU","S"]],
      "records": [["A", "X1", "Śruba M8", "szt.", 0, 0], ["O", "PAL", "Paleta EUR", "szt.", 0, 0]]},
    "DATA/2026WS": {"fields": [["Group","A10"],["Index","A20"],["SeriesNo","A10"])" +
                  (seriesWithMagId ? R"(,["MagId","S"]], "records": [["A","X1","S1",1]]},)"
                                   : R"(], "records": [["A","X1","S1"]]},)") +
                  R"(
    "DATA/2026REG": {"fields": [["Class","S"],["Year","S"],["MagId","S"],["Number","S"],["KSeF","A40"],
      ["Document","A24"],["Value","$"],["Flags","S"]],
      "records": [[0, 2026, 1, 2, "", "FV 2/2026", 123, 0], [22, 2026, 1, 7, "", "FV 7/2026", 10, 0]]},
    "DATA/2026UR": {"fields": [["Number","I"],["Firm Name","A60"],["City","A40"],["Options","S"],
      ["Address","A60"],["ZipCode","A10"],["NIP","A20"],["Payer","A80"],["Nip3IdWew","A20"],
      ["Permission","A20"],["ExtOpt","S"],["PayerNumber","I"]],
      "records": [[1, "Kowalski Handel", "Kraków", 0, "ul. Długa 5", "30-001", "123-456-32-18", null, "", "", 16, 10],
                  [2, "Muller GmbH", "Berlin, Niemcy", 1, "Hauptstr. 1", "10115", "DE123456789", null, "", "", 0, 11]]})";
  if (withUsers)
    j += R"(,
    "DATA/Users": {"fields": [["Number","I"],["Firm Name","A60"],["City","A40"],["Options","S"],["House","A10"],
      ["Street","A40"],["ZipCode","A10"],["NIP","A20"],["ExtOpt","S"],["Comments","A80"]],
      "records": [[10, "Kowalski Handel Sp. j.", "Kraków", 0, "5", "Długa", "30-001", "1234563218", 4, "Dzwonić rano"],
                  [11, "Muller GmbH", "Berlin", 1, "1", "Hauptstr.", "10115", "DE123456789", 0, ""]]})";
  if (optional)
    j += R"(,
    "TABLES/26desc": {"fields": [["Type","S"],["Year","S"],["MagId","S"],["Number","S"],["InvoPos","S"],["Description","A80"]],
      "records": [[0, 2026, 1, 2, -1, "WZ 17/2026"], [0, 2026, 1, 2, 0, "Dostawa na budowę"]]},
    "TABLES/UsrCars": {"fields": [["UserId","I"],["CarId","I"],["CarNrRej","A12"]], "records": [[2, 3, "KR 12345"]]},
    "TABLES/Barcodes": {"fields": [["Group","A10"],["Index","A20"],["Barcode","A20"]], "records": [["A", "X1", "5901234123457"]]})";
  return j + "}}";
}

class DataModuleTest : public ::testing::Test {
protected:
  void Build(bool withUsers, bool seriesWithMagId = true, bool optional = true) {
    BuildStelmarSite(SiteJson(withUsers, seriesWithMagId, optional), Dir.Path(), Config);
    DM = std::make_unique<TDM>(Config, Dir / "bin/");
  }
  std::vector<std::string> VisibleNames() {
    std::vector<std::string> names;
    for (DM->tblWI.First(); !DM->tblWI.Eof(); DM->tblWI.Next())
      names.push_back(DM->tblWI.FieldByName("Name").AsString());
    return names;
  }
  TTempDir Dir;
  TConfig Config{Dir / "site.ini"};
  std::unique_ptr<TDM> DM;
};

}  // namespace

TEST_F(DataModuleTest, CreationPreparesTmpAndRequiresStelmarData) {
  Build(false);
  EXPECT_TRUE(FolderExists(Dir / "bin/Tmp"));
  EXPECT_EQ(DM->StelmarDataDir, Dir / "stelmar/DATA/");
  EXPECT_TRUE(DM->Session.Active());
  // Each site keeps its copies of tables in its own folder of the shared Tmp.
  MakeDirs(Dir / "other/stelmar/DATA");
  TConfig other(Dir / "other.ini");
  other.StelmarEnabled = true;
  other.SetStelmarDir(Dir / "other/stelmar/");
  const TDM otherSite(other, Dir / "bin/");
  EXPECT_EQ(ExtractFilePath(DM->Session.PrivateDir()), Dir / "bin/Tmp/");
  EXPECT_TRUE(FolderExists(DM->Session.PrivateDir()));
  EXPECT_NE(otherSite.Session.PrivateDir(), DM->Session.PrivateDir());
  // The readable part, and a digest that keeps apart what "_" would join.
  const std::string name = SiteBackupFolderName("/srv/a b/Stelmar/");
  EXPECT_EQ(name.substr(0, 16), "srv_a_b_Stelmar-") << name;
  EXPECT_EQ(name.size(), 16u + 8u) << name;
  const std::string deep(200, 'k');
  struct {
    std::string A, B;
    bool Same;
  } pairs[] = {
      {"/srv/firma_a/stelmar", "/srv/firma/a/stelmar", false},
      {"/srv/firma a/stelmar", "/srv/firma_a/stelmar", false},
      {"/srv/a/stelmar/", "/srv/a/stelmar", true},
      {"/x/" + deep + "/1/stelmar", "/y/" + deep + "/1/stelmar", false},  // alike in their last 120
  };
  for (const auto& p : pairs)
    EXPECT_EQ(SiteBackupFolderName(p.A) == SiteBackupFolderName(p.B), p.Same) << p.A << " / " << p.B;
  EXPECT_LE(SiteBackupFolderName("/" + std::string(300, 'z')).size(), 129u);
  TConfig broken(Dir / "x.ini");
  broken.StelmarEnabled = true;
  broken.SetStelmarDir(Dir / "nowhere/");
  try {
    TDM dm(broken, Dir / "bin/");
    FAIL();
  } catch (const EArgumentException& e) {
    EXPECT_EQ(std::string(e.what()), "Folder " + Dir / "nowhere/DATA" + " nie istnieje");
  }
}

// Every row of the tables table on a site that has all eleven: it opens from
// its own file, and its index and master fields are fields of the table and
// of the master; no table and no opening step comes twice.
TEST_F(DataModuleTest, EveryTableOpensWithItsKeyFields) {
  Build(true);
  DM->OpenExportTables();
  std::set<std::string> objects;
  std::set<int> steps;
  for (const TStelmarTable& row : StelmarTables) {
    TPxTable& table = (*DM).*row.Table;
    const std::string object = table.ObjectName();
    EXPECT_TRUE(objects.insert(object).second) << object;
    EXPECT_TRUE(steps.insert(row.OpenOrder).second) << object;
    ASSERT_TRUE(table.Active()) << object;
    EXPECT_EQ(table.TableName(), DM->TableFileName(row)) << object;
    for (const std::string& field : SplitFieldList(row.IndexFields))
      EXPECT_TRUE(FieldExists(table, field)) << object << ": " << field;
    if (!row.Master) continue;
    TPxTable& master = *((*DM).*row.Master).DataSet();
    for (const std::string& field : SplitFieldList(row.MasterFields))
      EXPECT_TRUE(FieldExists(master, field))
          << object << " -> " << master.ObjectName() << ": " << field;
  }
  DM->CloseExportTables();
}

TEST_F(DataModuleTest, WindowShowsOnlyEligibleTypesOfWholeDays) {
  Build(false);
  DM->OpenExportTables();
  EXPECT_EQ(DM->DateRange.DateFrom, EncodeDate(2026, 4, 5));
  EXPECT_EQ(DM->DateRange.DateTo, EncodeDate(2026, 4, 10));
  // Types 4, 21, 49, 54 and the day after the window stay hidden; 23:59 on the last day is in.
  EXPECT_EQ(VisibleNames(), (std::vector<std::string>{"FV 2/2026", "FV 7/2026", "P 9/2026"}));
  DM->CloseExportTables();
  EXPECT_FALSE(DM->tblWI.Active());
  EXPECT_FALSE(DM->tblReg.Active());

  Config.Send2KsefStartDate = EncodeDate(2026, 4, 8);  // the start date raises the window's start
  DM->OpenExportTables();
  EXPECT_EQ(VisibleNames(), (std::vector<std::string>{"FV 7/2026", "P 9/2026"}));
  DM->CloseExportTables();
  Config.Send2KsefStartDate = EncodeDate(2026, 4, 11);  // a window that starts after CurDate
  DM->OpenExportTables();
  EXPECT_TRUE(VisibleNames().empty());
  DM->CloseExportTables();
}

TEST_F(DataModuleTest, DetailsFollowTheCurrentDocument) {
  Build(false);
  DM->OpenExportTables();
  ASSERT_FALSE(DM->tblWI.Eof());  // FV 2/2026
  EXPECT_EQ(DM->tblReg.FieldByName("Document").AsString(), "FV 2/2026");
  EXPECT_EQ(DM->tblUR.FieldByName("Firm Name").AsString(), "Muller GmbH");
  EXPECT_EQ(DM->tblWT.RecordCount(), 2);
  DM->tblWT.First();
  EXPECT_EQ(DM->tblW.FieldByName("Name").AsString(), "Śruba M8");
  EXPECT_EQ(DM->tblBarcodes.FieldByName("Barcode").AsString(), "5901234123457");
  EXPECT_EQ(DM->tblInvoDesc.RecordCount(), 2);
  EXPECT_EQ(DM->tblUsrCars.RecordCount(), 0);
  DM->tblWI.Next();  // FV 7/2026
  EXPECT_EQ(DM->tblReg.FieldByName("Document").AsString(), "FV 7/2026");
  EXPECT_EQ(DM->tblUR.FieldByName("Firm Name").AsString(), "Kowalski Handel");
  EXPECT_EQ(DM->tblWT.RecordCount(), 1);
  EXPECT_EQ(DM->tblInvoDesc.RecordCount(), 0);
  EXPECT_TRUE(DM->tblMasterWI.FindKey({0, 2026, 1, 1}));  // outside the window, still found
  EXPECT_EQ(DM->tblMasterWI.FieldByName("Name").AsString(), "FV 1/2026");
  DM->CloseExportTables();
}

TEST_F(DataModuleTest, SeriesLinkFollowsTheMagIdField) {
  Build(false, true);
  DM->OpenExportTables();
  EXPECT_EQ(DM->tblWS.IndexFieldNames(), "Group;Index;SeriesNo;MagId");
  EXPECT_EQ(DM->tblWS.MasterFields(), "Group;Index;Series;MagId");
  DM->CloseExportTables();
}

TEST_F(DataModuleTest, SeriesWithoutMagIdIsLinkedOnThreeFields) {
  Build(false, false);
  DM->OpenExportTables();
  EXPECT_EQ(DM->tblWS.IndexFieldNames(), "Group;Index;SeriesNo");
  EXPECT_EQ(DM->tblWS.MasterFields(), "Group;Index;Series");
  DM->CloseExportTables();
}

TEST_F(DataModuleTest, OptionalTablesAbsent) {
  Build(false, true, false);
  DM->OpenExportTables();
  EXPECT_FALSE(DM->UsersTableExists);
  EXPECT_FALSE(DM->InvoDescExists);
  EXPECT_FALSE(DM->UsrCarsExists);
  EXPECT_FALSE(DM->BarcodesExists);
  EXPECT_FALSE(DM->tblUsers.Active());
  EXPECT_EQ(DM->tblUsers.MasterSource(), nullptr);
  EXPECT_EQ(&DM->BuyerTable(), &DM->tblUR);
  EXPECT_EQ(DM->BuyerOptions(), 1);  // Muller, register layout
  DM->CloseExportTables();
}

TEST_F(DataModuleTest, UsersLayoutTakesThePayersRecordAndItsBits) {
  Build(true);
  DM->OpenExportTables();
  EXPECT_TRUE(DM->UsersTableExists);
  DM->tblWI.Next();  // FV 7/2026, customer 1 whose payer is 10
  EXPECT_EQ(&DM->BuyerTable(), &DM->tblUsers);
  EXPECT_EQ(DM->tblUsers.FieldByName("Firm Name").AsString(), "Kowalski Handel Sp. j.");
  EXPECT_TRUE(DM->IsBuyerRelated());  // bit 4 in the Users layout
  EXPECT_FALSE(DM->IsBuyerJST());
  DM->CloseExportTables();
}

TEST_F(DataModuleTest, RegisterLayoutBits) {
  Build(false);
  DM->OpenExportTables();
  DM->tblWI.Next();  // customer 1: ExtOpt 16
  EXPECT_TRUE(DM->IsBuyerRelated());
  EXPECT_FALSE(DM->IsBuyerGV());
  DM->CloseExportTables();
  EXPECT_THROW(DM->IsBuyerJST(), EDatabaseError);  // a closed table
}

TEST_F(DataModuleTest, TableToolsMessagesAndPaidAtSale) {
  Build(false);
  DM->OpenExportTables();
  try {
    FieldIsNonZero(DM->tblReg, "Value22");
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(std::string(e.what()), "Brak pola: \"Value22\" w tabeli: " + DM->tblReg.TableName());
  }
  EXPECT_TRUE(FieldIsNonZero(DM->tblReg, "Value"));
  EXPECT_TRUE(IsPaidOnSale(&DM->tblWI));  // FV 2: cash, no delay
  DM->tblWI.Next();                       // FV 7: type 22, transfer, 30 days
  EXPECT_FALSE(IsPaidOnSale(&DM->tblWI));
  DM->tblWI.Next();  // P 9: type 53 is outside the deferred set
  EXPECT_TRUE(IsPaidOnSale(&DM->tblWI));
  DM->tblWI.First();
  TWareKey key;
  EXPECT_TRUE(ReadWareKey(&DM->tblWT, key));
  EXPECT_EQ(key.Group, "A");
  EXPECT_TRUE(LocatePackingGroup(true, DM->tblWT));
  EXPECT_EQ(DM->tblWT.FieldByName("Index").AsString(), "PAL");
  EXPECT_FALSE(LocatePackingGroup(false, DM->tblWT));
  DM->CloseExportTables();
  try {
    FieldHasBits(DM->tblReg, "Flags", 1);
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(std::string(e.what()),
              "Tabela " + DM->tblReg.TableName() + " nie jest otwarta do odczytu");
  }
  EXPECT_FALSE(ReadWareKey(&DM->tblWT, key));
  EXPECT_TRUE(key.Group.empty());
}

TEST_F(DataModuleTest, CustomerRecordInBothLayouts) {
  Build(true);
  DM->OpenExportTables();
  DM->tblWI.Next();  // customer 1, payer 10
  TCustomerData c = ReadCustomerRecord("FV 7/2026", DM->tblUsers, true);
  EXPECT_EQ(c.Name, "Kowalski Handel Sp. j.");
  EXPECT_EQ(c.Address, "Długa 5  30-001 Kraków");
  EXPECT_EQ(c.Identifier, "1234563218");
  c = ReadCustomerRecord("FV 7/2026", DM->tblUR, true);
  EXPECT_EQ(c.Identifier, "1234563218");  // dashes of the usual layout removed
  EXPECT_EQ(c.Address, "ul. Długa 5  30-001 Kraków");
  DM->tblWI.First();  // customer 2: Options 1, country in the city field, no check
  c = ReadCustomerRecord("FV 2/2026", DM->tblUR, false);
  ASSERT_NE(c.Country, nullptr);
  EXPECT_STREQ(c.Country->Iso, "DE");
  EXPECT_EQ(c.Prefix, "");
  EXPECT_EQ(c.Identifier, "DE123456789");
  EXPECT_EQ(c.Address, "Hauptstr. 1  10115 Berlin");
  DM->CloseExportTables();
}

TEST(CustomerRecord, QuestionsAndRefusals) {
  TTempDir dir;
  BuildFixtureFromText(
      R"({"codepage": 1250, "tables": {"UR": {"fields": [["Number","I"],["Firm Name","A60"],
    ["City","A40"],["Options","S"],["Address","A60"],["ZipCode","A10"],["NIP","A20"]],
    "records": [[1, "Bez NIP", "Gdańsk", 0, "", "", ""], [2, "", "Gdańsk", 0, "", "", "1"],
                [3, "Zły NIP", "Gdańsk", 3, "", "", "1234563219"], [4, "Brytyjczyk", "London", 3, "", "", "GB123456789"]]}}})",
      dir.Path());
  TPxTable t;
  t.SetTableName(dir / "UR");
  t.SetIndexFieldNames("Number");
  t.Open();
  TScriptedDialogs dialogs;
  TDialogsScope scope(&dialogs);
  ASSERT_TRUE(t.FindKey({1}));
  dialogs.Answer(TModalResult::mrYes);
  TCustomerData c = ReadCustomerRecord("FV 1", t, true);
  EXPECT_EQ(c.Identifier, "BRAK");
  EXPECT_EQ(c.Address, "Gdańsk");  // no street, no postal code
  ASSERT_EQ(dialogs.Asked().size(), 1u);
  EXPECT_EQ(dialogs.Asked()[0].Text, "Brak numeru NIP. Dokument: FV 1\rBez NIP\rKontynuować?");
  dialogs.Answer(TModalResult::mrNo);
  EXPECT_THROW(ReadCustomerRecord("FV 1", t, true), EAbort);

  ASSERT_TRUE(t.FindKey({2}));
  try {
    ReadCustomerRecord("FV 2", t, false);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(std::string(e.what()),
              "Brak nazwy kontrahenta\r\nDokument: FV 2  NIP: 1\r\nWczytywanie przerwano");
  }
  ASSERT_TRUE(t.FindKey({3}));
  dialogs.Clear();
  dialogs.Answer(TModalResult::mrNo);
  EXPECT_THROW(ReadCustomerRecord("FV 3", t, true), EAbort);
  EXPECT_EQ(dialogs.Asked()[0].Text.rfind("Zła suma kontrolna numeru NIP: 1234563219\r", 0), 0u)
      << dialogs.Asked()[0].Text;
  ASSERT_TRUE(t.FindKey({4}));
  dialogs.Answer(TModalResult::mrYes);
  c = ReadCustomerRecord("FV 4", t, true);
  // The British prefix tells the country and stays part of the identifier.
  EXPECT_EQ(c.Prefix, "");
  EXPECT_EQ(c.Identifier, "GB123456789");
  ASSERT_NE(c.Country, nullptr);
  EXPECT_STREQ(c.Country->Iso, "GB");  // Options 3 without a country in the city field
}

// The country of a foreign buyer comes from the city field's part after a
// "," or ";" (a Polish or English name or a code), else from the EU prefix
// of a checked identifier.
TEST(CustomerRecord, CountryFromTheCityFieldOrThePrefix) {
  struct Case {
    const char* City;
    int Options;
    const char* Nip;
    const char* Iso;  // "" for none
    const char* Identifier;
    const char* Prefix;
  } cases[] = {
      {"Ateny, Grecja", 1, "EL094259216", "GR", "EL094259216", ""},
      {"Athens; Greece", 2, "", "GR", "", ""},
      {"New York, NY, USA", 2, "12-3456789", "US", "12-3456789", ""},
      {"Zürich, Szwajcaria", 3, "CHE-109.322.551", "CH", "CHE-109.322.551", ""},
      {"Wien, AT", 1, "ATU12345678", "AT", "ATU12345678", ""},
      {"Berlin", 3, "DE811569869", "DE", "811569869", "DE"},  // from the prefix
      {"Thessaloniki", 3, "EL094259216", "GR", "094259216", "EL"},
      {"Oslo", 2, "NO123456789MVA", "", "NO123456789MVA", ""},
      {"Kraków, Polska", 0, "1234563218", "", "1234563218", ""},  // Options 0: domestic, no parsing
      {"Gdańsk, ul. Długa", 1, "", "", "", ""},
  };
  for (const Case& k : cases) {
    TTempDir dir;
    nlohmann::json rec = {1, "Kontrahent", k.City, k.Options, "", "", k.Nip};
    nlohmann::json doc = {{"codepage", 1250},
                          {"tables",
                           {{"UR",
                             {{"fields", nlohmann::json::parse(R"([["Number","I"],["Firm Name","A60"],
    ["City","A40"],["Options","S"],["Address","A60"],["ZipCode","A10"],["NIP","A20"]])")},
                              {"records", {rec}}}}}}};
    BuildFixtureFromText(doc.dump(), dir.Path());
    TPxTable t;
    t.SetTableName(dir / "UR");
    t.Open();
    t.First();
    TScriptedDialogs dialogs;
    TDialogsScope scope(&dialogs);
    const TCustomerData c = ReadCustomerRecord("FV 1", t, BuyerChecking(k.Options));
    EXPECT_EQ(c.Country ? std::string(c.Country->Iso) : "", k.Iso) << k.City;
    EXPECT_EQ(c.Identifier, k.Identifier) << k.City;
    EXPECT_EQ(c.Prefix, k.Prefix) << k.City;
    EXPECT_TRUE(dialogs.Asked().empty()) << k.City;
  }
}
