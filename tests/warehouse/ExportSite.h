#pragma once
// A Stelmar site for export tests: documents with their register entries,
// customers, lines and goods, written as Paradox tables by the fixture
// builder, and the configuration of a seller who exports them.
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>

#include "fa3/Fa3Validate.h"
#include "fa3/Schemat_FA3.h"
#include "common/TestFiles.h"
#include "config/Config.h"
#include "warehouse/DataModule.h"
#include "support/Dialogs.h"
#include "support/OperatorLog.h"

namespace brenvik::testing {

struct TSiteLine {
  int Pos = 1;
  std::string Group = "A";
  int Index = 101;
  double Price = 123;
  double Quantity = 1;
  double Vat = 23;
  double Cost = 0;
};

struct TSiteDoc {
  int Type = 0;
  int Number = 1;
  std::string Name = "FV 1/2026";
  std::string Date = "2026-04-08 10:00:00";
  std::string SaleDate = "2026-04-08";
  int Flags = 0;
  int Options = 0;
  std::string IntlId;
  int User = 1;
  int CarId = 0;
  std::string Comment;
  int PayInfo = 2;
  int PayDelay = 14;
  int MasterType = 0, MasterYear = 0, MasterMagId = 0, MasterNumber = 0;
  // register entry
  bool HasReg = true;
  std::string KSeF;
  double Value = 123, Value22 = 100, Tax22 = 23, Value7 = 0, Tax7 = 0, Value3 = 0, Tax3 = 0,
         Value0 = 0, ValueFree = 0, NPO = 0;
  int RegFlags = 0;
  std::vector<TSiteLine> Lines{TSiteLine{}};
};

struct TSiteCustomer {
  int Number = 1;
  std::string Name = "Przedsiębiorstwo Handlowe Mazur Sp. j.";
  std::string City = "Łódź";
  int Options = 0;
  std::string Address = "ul. Piotrkowska 148";
  std::string ZipCode = "90-063";
  std::string Nip = "7251801126";
  std::optional<std::string> Payer;
  std::string Nip3IdWew;
  std::string Permission;
  int ExtOpt = 0;
  int PayerNumber = 0;  // Users layout: the payer in DATA/Users
};

struct TSitePayer {
  int Number = 10;
  std::string Name = "Przedsiębiorstwo Handlowe Mazur Sp. j.";
  std::string City = "Łódź";
  int Options = 0;
  std::string House = "148";
  std::string Street = "ul. Piotrkowska";
  std::string ZipCode = "90-063";
  std::string Nip = "7251801126";
  int ExtOpt = 0;
  std::string Comments;
};

struct TExportSite {
  std::vector<TSiteDoc> Docs;
  std::vector<TSiteCustomer> Customers{TSiteCustomer{}};
  std::vector<TSitePayer> Payers;  // non-empty: the Users layout
  bool Descriptions = false;       // an empty TABLES/26desc
  std::vector<std::pair<std::vector<int>, std::string>> DescriptionRows;  // key+pos, text
  std::vector<std::pair<std::string, std::string>> DroppedFields;         // table, field left out

  // The JSON of the fixture builder.
  std::string Json() const;
  // Builds the tables under root + "stelmar/" and the KSeF folders under
  // root + "ksef/"; returns a configuration of the working date 2026-04-10
  // (five days back, start 2026-04-01, yearly tables) with a seller profile.
  void Build(const std::string& root, TConfig& config) const;
};

// A site's documents numbered 1..count, all pending domestic invoices.
std::vector<TSiteDoc> PendingInvoices(int count, int firstNumber = 1);

// "KSeF" of a register entry on disk ("?" when the entry is missing).
std::string RegisterMark(const std::string& root, int type, int number);

class TCapturedLog : public IOperatorLog {
public:
  void AddLogLine(const std::string& line, TLogLevel level) override {
    Lines.push_back(line);
    Levels.push_back(level);
  }
  std::vector<std::string> Lines;
  std::vector<TLogLevel> Levels;
};

// A site built by the test, its data module, the captured pane and dialogs.
class TExportTest : public ::testing::Test {
protected:
  void SetUp() override { SetOperatorLog(&Log); }
  void TearDown() override { SetOperatorLog(nullptr); }

  void Build() {
    Site.Build(Dir.Path(), Config);
    DM = std::make_unique<TDM>(Config, Dir / "bin/");
  }
  // Runs the export; the failure's message, or empty text.
  std::string Run() {
    try {
      DM->ReadDocNotSended2KSEF();
      return {};
    } catch (const std::exception& e) {
      return e.what();
    }
  }
  std::vector<std::string> ExportFiles() {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(Dir / "ksef/Export"))
      names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  std::string ExportPath(const std::string& key) { return Dir / ("ksef/Export/" + key + ".xml"); }
  IXMLFaktura Exported(const std::string& key) { return LoadFaktura(ExportPath(key)); }
  // The exported file's text without the layout's tabs and line breaks.
  std::string ExportedXml(const std::string& key);
  // Every exported file is an invoice the official schema accepts.
  void ExpectAllValid() {
    for (const std::string& name : ExportFiles())
      EXPECT_EQ(ValidateFa3File(Dir / ("ksef/Export/" + name), Fa3SchemaDir()),
                std::vector<std::string>{})
          << name;
  }
  std::vector<std::string> Texts() {
    std::vector<std::string> t;
    for (const auto& r : Dialogs.Asked()) t.push_back(r.Text);
    return t;
  }

  TTempDir Dir;
  TConfig Config{Dir / "site.ini"};
  TExportSite Site;
  TCapturedLog Log;
  TScriptedDialogs Dialogs;
  TDialogsScope DialogsScope{&Dialogs};
  std::unique_ptr<TDM> DM;
};

}  // namespace brenvik::testing
