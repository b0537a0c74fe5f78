#include <gtest/gtest.h>

#include <filesystem>

#include "common/TestFiles.h"
#include "fa3/Schemat_FA3.h"
#include "warehouse/DataModule.h"
#include "support/Errors.h"
#include "support/KsefContract.h"
#include "warehouse/KsefNumbers.h"
#include "support/OperatorLog.h"
#include "support/Paths.h"
#include "fixtures/TableWriter.h"

using namespace brenvik;
using namespace brenvik::testing;

namespace {

const std::string kNumber = "1234567890-20250305-ABCDEF012345-85";

class TCapturedLog : public IOperatorLog {
public:
  void AddLogLine(const std::string& line, TLogLevel) override { Lines += line + "\n"; }
  std::string Lines;
};

// A site with Stelmar's register of 2025 (and Nera's tables when asked).
class KsefNumbersTest : public ::testing::Test {
protected:
  void SetUp() override {
    SetOperatorLog(&Log);
    for (const char* sub : KsefSubFolders) MakeDirs(Dir / ("ksef/" + std::string(sub)));
    Config.SetKsefDataDir(Dir / "ksef/");
    Config.SetStelmarDir(Dir / "stelmar/");
    Config.CurDate = EncodeDate(2025, 3, 10);
    Config.StelmarEnabled = true;
    Config.PodatnikInfo.DaneIdentyfikacyjne.NIP = "5265877635";
  }
  void TearDown() override { SetOperatorLog(nullptr); }
  void Build(const std::string& extraTables = "", const std::string& held17 = "-") {
    BuildFixtureFromText(
        R"({"codepage": 1250, "tables": {"DATA/2025REG": {"fields": [["Class","S"],["Year","S"],
      ["MagId","S"],["Number","S"],["KSeF","A40"],["Document","A30"],["NIP","A20"]], "records": [
      [0, 2025, 1, 17, ")" +
            held17 + R"(", "FV 17/2025", ""], [0, 2025, 1, 120, "", "FV 120/2025", ""],
      [128, 0, 0, 0, "", "FZ/2025/0042", "9999999999"]]})" +
            extraTables + "}}",
        Dir / "stelmar/");
    DM = std::make_unique<TDM>(Config, Dir / "bin/");
  }
  std::string Reg(int cls, int number) {
    TPxTable t;
    t.SetTableName(Dir / "stelmar/DATA/2025REG");
    t.Open();
    for (t.First(); !t.Eof(); t.Next())
      if (t.FieldByName("Class").AsInteger() == cls &&
          t.FieldByName("Number").AsInteger() == number)
        return t.FieldByName("KSeF").AsString();
    return "?";
  }
  // A received invoice from the supplier 9999999999 to the seller.
  std::string Invoice(const std::string& buyerNip, const std::string& kind, const std::string& p2) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Faktura xmlns=\"" +
           std::string(Fa3Namespace) +
           "\"><Podmiot1><DaneIdentyfikacyjne><NIP>9999999999</NIP></DaneIdentyfikacyjne></"
           "Podmiot1>"
           "<Podmiot2><DaneIdentyfikacyjne><NIP>" +
           buyerNip +
           "</NIP></DaneIdentyfikacyjne></Podmiot2>"
           "<Fa><P_2>" +
           p2 + "</P_2><RodzajFaktury>" + kind + "</RodzajFaktury></Fa></Faktura>";
  }
  TTempDir Dir;
  TConfig Config{Dir / "site.ini"};
  TCapturedLog Log;
  std::unique_ptr<TDM> DM;
};

}  // namespace

// A sent file of a run beside a good one: what the register holds after it
// and whether it went to Errors (with its receipt and reason).
struct TSentCase {
  std::string Name, Held17, Want17, Want120;
  bool Refused;
};
const std::string kOther = "1234567890-20250305-ABCDEF012346-8C";

class SentFileRows : public KsefNumbersTest, public ::testing::WithParamInterface<TSentCase> {};

TEST_P(SentFileRows, OnlyAValidNameWritesAndAHeldNumberStays) {
  const TSentCase& c = GetParam();
  Build("", c.Held17);
  WriteFile(Dir / ("ksef/Sent/" + c.Name + ".xml"), "<x/>");
  WriteFile(Dir / ("ksef/Sent/" + c.Name + ".upo.xml"), "<upo/>");
  if (c.Name.find("-120_") == std::string::npos)
    WriteFile(Dir / ("ksef/Sent/0-2025-1-120_" + kOther + ".xml"), "<x/>");
  DM->SetKsefInRegs();
  EXPECT_EQ(Reg(0, 17), c.Want17);
  EXPECT_EQ(Reg(0, 120), c.Want120);
  for (const char* ext : {".xml", ".txt", ".upo.xml"})
    EXPECT_EQ(FileExists(Dir / ("ksef/Errors/" + c.Name + ext)), c.Refused) << ext << Log.Lines;
  EXPECT_EQ(Log.Lines.find("Odrzucono plik " + Dir / ("ksef/Sent/" + c.Name + ".xml")) !=
                std::string::npos,
            c.Refused);
  EXPECT_EQ(Log.Lines.find("odrzucono plików: 1") != std::string::npos, c.Refused);
  EXPECT_EQ(DM->WriteBackOutcome().SetAside.size(), c.Refused ? 1u : 0u);
  EXPECT_EQ(FileExists(Dir / ("ksef/Sent/2025-03/" + c.Name + ".upo.xml")), !c.Refused);
}

INSTANTIATE_TEST_SUITE_P(
    Names, SentFileRows,
    ::testing::Values(
        TSentCase{"0-2025-1-17_" + kNumber, "-", kNumber, kOther, false},
        TSentCase{"0-2025-1-17_" + kNumber, kNumber, kNumber, kOther, false},
        TSentCase{"0-2025-1-17_" + kNumber, kOther, kOther, kOther, true},
        TSentCase{"Kopia 1-2025-1-120_" + kNumber, "-", "-", "", true},
        TSentCase{"99999999999-2025-1-120_" + kNumber, "-", "-", "", true},
        TSentCase{"0-2025-1-+120_" + kNumber, "-", "-", kOther, true},
        TSentCase{"0-2025-1-120_1234567890-20250305-ABCDEF012345-00", "-", "-", "", true},
        TSentCase{"0-2025-1-120_1234567890-20250305-abcdef012345-85", "-", "-", "", true},
        TSentCase{"0-2025-17_x_" + kNumber, "-", "-", kOther, true},
        TSentCase{"0-2024-1-17_" + kNumber, "-", "-", kOther, true}),
    [](const auto& info) { return std::to_string(info.index); });

TEST_F(KsefNumbersTest, SentFileWritesTheNumberAndMovesWithItsReceipt) {
  Build();
  const std::string sent = Dir / ("ksef/Sent/0-2025-1-17_" + kNumber);
  WriteFile(sent + ".xml", "<x/>");
  WriteFile(sent + ".upo.xml", "<upo/>");
  DM->SetKsefInRegs();
  EXPECT_EQ(Reg(0, 17), kNumber);
  EXPECT_NE(Log.Lines.find("Dopisano nr KSeF: " + kNumber + " do faktury: FV 17/2025"),
            std::string::npos);
  EXPECT_TRUE(FileExists(Dir / ("ksef/Sent/2025-03/0-2025-1-17_" + kNumber + ".xml")));
  EXPECT_TRUE(FileExists(Dir / ("ksef/Sent/2025-03/0-2025-1-17_" + kNumber + ".upo.xml")));
  EXPECT_FALSE(FileExists(sent + ".xml"));
  EXPECT_FALSE(DM->tblReg.Active());
}

// With PdfPoWysylce the PDF comes beside each filed invoice; one that cannot
// be drawn is a warning and the number is written all the same.
TEST_F(KsefNumbersTest, PdfAfterSendIsWrittenBesideTheFiledInvoice) {
  Config.PdfPoWysylce = true;
  Config.APICfg.BASE_URL = "https://api-test.ksef.mf.gov.pl";
  Build();
  const std::string name = "0-2025-1-17_" + kNumber;
  WriteFile(Dir / ("ksef/Sent/" + name + ".xml"), ReadFile(Fa3SamplesDir() + "/mf-example-01.xml"));
  WriteFile(Dir / ("ksef/Sent/0-2025-1-120_" + kOther + ".xml"), "<x/>");
  DM->SetKsefInRegs();
  EXPECT_EQ(Reg(0, 17), kNumber);
  EXPECT_EQ(ReadFile(Dir / ("ksef/Sent/2025-03/" + name + ".pdf")).rfind("%PDF", 0), 0u);
  EXPECT_EQ(Reg(0, 120), kOther);
  EXPECT_NE(Log.Lines.find("Nie zapisano PDF faktury " + Dir / "ksef/Sent/"), std::string::npos)
      << Log.Lines;
}

TEST_F(KsefNumbersTest, ReceivedInvoicesAreMatchedFiledOrSetAside) {
  Build();
  const std::string number = "9999999999-20250304-0123456789AB-74";
  WriteFile(Dir / ("ksef/Import/" + number + ".xml"),
            Invoice("5265877635", "VAT", " FZ/2025/0042 "));
  WriteFile(Dir / ("ksef/Import/" + number + ".upo.xml"), "<upo/>");
  const std::string other = "9999999999-20250304-0123456789AC-73";
  WriteFile(Dir / ("ksef/Import/" + other + ".xml"), Invoice("1111111111", "VAT", "X"));
  const std::string advance = "9999999999-20250304-0123456789AD-66";
  WriteFile(Dir / ("ksef/Import/" + advance + ".xml"), Invoice("5265877635", "ZAL", "Z"));
  WriteFile(Dir / "ksef/Import/9999999999-20250304-0123456789AB-4.xml",
            Invoice("5265877635", "VAT", "Y"));
  WriteFile(Dir / "ksef/Import/9999999999-20250304-0123456789AE-61.xml", "<Faktura><Fa>");
  // To the seller, but booked nowhere: named in the outcome.
  const std::string unbookedFirst = "9999999999-20250304-0123456789AF";
  const std::string unbooked = unbookedFirst + "-" + ksef::KsefCheckCode(unbookedFirst);
  WriteFile(Dir / ("ksef/Import/" + unbooked + ".xml"),
            Invoice("5265877635", "VAT", "FV/0412/2026"));
  DM->SetKsefInRegs();
  EXPECT_EQ(Reg(128, 0), number);
  const TWriteBackOutcome& outcome = DM->WriteBackOutcome();
  EXPECT_EQ(outcome.PurchasesWritten, 1);
  EXPECT_EQ(outcome.SalesWritten, 0);
  EXPECT_EQ(outcome.Unmatched, std::vector<std::string>{"FV/0412/2026 (NIP 9999999999)"});
  EXPECT_EQ(outcome.SetAside.size(), 2u);
  EXPECT_NE(Log.Lines.find("Odebrane faktury zakupu bez wpisu w rejestrze (1), czekają na "
                           "zaksięgowanie: FV/0412/2026 (NIP 9999999999)"),
            std::string::npos);
  EXPECT_NE(Log.Lines.find("Dopisano nr KSeF: " + number + " do faktury zakupu:  FZ/2025/0042 "),
            std::string::npos)
      << Log.Lines;
  EXPECT_TRUE(FileExists(Dir / ("ksef/Received/2025-03/" + number + ".xml")));
  EXPECT_TRUE(FileExists(Dir / ("ksef/Received/2025-03/" + number + ".upo.xml")));
  EXPECT_NE(Log.Lines.find("Pomijam: Faktura na innego kontrahenta (NIP: 1111111111)"),
            std::string::npos);
  EXPECT_TRUE(FileExists(Dir / ("ksef/Import/" + other + ".xml")));
  EXPECT_TRUE(FileExists(Dir / ("ksef/Import/" + advance + ".xml")));  // debug line only
  EXPECT_TRUE(FileExists(Dir / "ksef/Errors/9999999999-20250304-0123456789AB-4.xml"));
  EXPECT_TRUE(FileExists(Dir / "ksef/Errors/9999999999-20250304-0123456789AE-61.xml"));

  // Downloaded again: no write, no line, the file is filed again.
  Log.Lines.clear();
  WriteFile(Dir / ("ksef/Import/" + number + ".xml"), Invoice("5265877635", "VAT", "FZ/2025/0042"));
  DM->SetKsefInRegs();
  EXPECT_EQ(Log.Lines.find("Dopisano"), std::string::npos);
  EXPECT_FALSE(FileExists(Dir / ("ksef/Import/" + number + ".xml")));
}

TEST_F(KsefNumbersTest, NeraWithoutRegisterSearchesTheThreeTablesInOrder) {
  Config.StelmarEnabled = false;
  Config.NeraEnabled = true;
  Config.SetNeraDir(Dir / "nera/");
  const std::string fields = R"("fields": [["NIP","A20"],["Dokument","A30"],["KSeF","A40"]])";
  Build();
  BuildFixtureFromText(R"({"codepage": 1250, "tables": {"2025/REGB": {)" + fields +
                           R"(, "records": []},
            "2025/REGB1": {)" +
                           fields + R"(, "records": [["9999999999", "FZ/1", ""]]},
            "2025/REGBKOR": {)" +
                           fields + R"(, "records": []}}})",
                       Dir / "nera/");
  const std::string number = "9999999999-20250304-0123456789AB-74";
  WriteFile(Dir / ("ksef/Import/" + number + ".xml"), Invoice("5265877635", "VAT", "FZ/1"));
  WriteFile(Dir / "ksef/Sent/x.xml", "untouched");
  DM->SetKsefInRegs();
  TPxTable t;
  t.SetTableName(Dir / "nera/2025/REGB1");
  t.Open();
  EXPECT_EQ(t.FieldByName("KSeF").AsString(), number);
  EXPECT_TRUE(FileExists(Dir / ("ksef/Received/2025-03/" + number + ".xml")));
  EXPECT_TRUE(FileExists(Dir / "ksef/Sent/x.xml"));
}

TEST_F(KsefNumbersTest, NeraRegisterKindFollowsThePathAndAMissingTableEndsTheCall) {
  Config.StelmarEnabled = false;
  Config.NeraEnabled = true;
  Config.SetNeraDir(Dir / "Nera-Register/");  // "register" in a folder name, mixed case
  Build();
  const std::string reg =
      R"("fields": [["RegType","S"],["NIP","A20"],["DocName","A30"],["KSeF","A40"]])";
  BuildFixtureFromText(R"({"codepage": 1250, "tables": {"2025/REGB": {)" + reg +
                           R"(, "records": [[129, "9999999999", "KOR/7", ""]]}}})",
                       Dir / "Nera-Register/");
  const std::string number = "9999999999-20250304-0123456789AB-74";
  WriteFile(Dir / ("ksef/Import/" + number + ".xml"), Invoice("5265877635", "KOR", "KOR/7"));
  // REGB is searched by "RegType;NIP;DocName"; REGB1 is missing and ends the call.
  EXPECT_THROW(DM->SetKsefInRegs(), EDatabaseError);
  TPxTable t;
  t.SetTableName(Dir / "Nera-Register/2025/REGB");
  t.Open();
  EXPECT_EQ(t.FieldByName("KSeF").AsString(), number);
  EXPECT_FALSE(DM->tblReg.Active());
}

TEST_F(KsefNumbersTest, StelmarAndNeraSearchStelmarsRegisterByItsOwnFields) {
  Config.NeraEnabled = true;
  Config.SetNeraDir(Dir / "nera/");
  Build();
  BuildFixtureFromText(
      R"({"codepage": 1250, "tables": {"2025/REGISTER": {"fields": [["RegType","S"],
    ["NIP","A20"],["DocName","A30"],["KSeF","A40"]], "records": [[128, "9999999999", "FN/9", ""]]}}})",
      Dir / "nera/");
  const std::string inStelmar = "9999999999-20250304-0123456789AB-74";
  const std::string inNera = "9999999999-20250305-0123456789AB-91";
  WriteFile(Dir / ("ksef/Import/" + inStelmar + ".xml"),
            Invoice("5265877635", "VAT", "FZ/2025/0042"));
  WriteFile(Dir / ("ksef/Import/" + inNera + ".xml"), Invoice("5265877635", "VAT", "FN/9"));
  WriteFile(Dir / "ksef/Import/inny.xml", "<?xml version=\"1.0\"?><Order xmlns=\"urn:x\"/>");
  DM->SetKsefInRegs();
  EXPECT_EQ(Reg(128, 0), inStelmar);
  TPxTable t;
  t.SetTableName(Dir / "nera/2025/REGISTER");
  t.Open();
  EXPECT_EQ(t.FieldByName("KSeF").AsString(), inNera);
  EXPECT_TRUE(FileExists(Dir / ("ksef/Received/2025-03/" + inNera + ".xml")));
  EXPECT_TRUE(FileExists(Dir / "ksef/Errors/inny.xml"));  // not FA(3): set aside once, not retried
  EXPECT_NE(Log.Lines.find("Odrzucono plik " + Dir / "ksef/Import/inny.xml"), std::string::npos);
}

TEST_F(KsefNumbersTest, AnInvoiceWithoutFaWaitsWithAWarning) {
  Build();
  const std::string number = "9999999999-20250304-0123456789AB-74";
  WriteFile(Dir / ("ksef/Import/" + number + ".xml"), "<?xml version=\"1.0\"?><Faktura xmlns=\"" +
                                                          std::string(Fa3Namespace) +
                                                          "\"><Naglowek/></Faktura>");
  DM->SetKsefInRegs();
  EXPECT_NE(
      Log.Lines.find("Pomijam: Brak elementu \"Fa\" w " + Dir / ("ksef/Import/" + number + ".xml")),
      std::string::npos);
  EXPECT_TRUE(FileExists(Dir / ("ksef/Import/" + number + ".xml")));
}

TEST_F(KsefNumbersTest, AFailedMoveLeavesTheFileAndNamesIt) {
  Build();
  const std::string number = "9999999999-20250304-0123456789AB-74";
  const std::string file = Dir / ("ksef/Import/" + number + ".xml");
  WriteFile(file, Invoice("5265877635", "VAT", "FZ/2025/0042"));
  MakeDirs(Dir /
           ("ksef/Received/2025-03/" + number + ".xml"));  // a folder where the file should go
  try {
    DM->SetKsefInRegs();
    FAIL();
  } catch (const EInOutError& e) {
    EXPECT_NE(std::string(e.what()).find(file), std::string::npos) << e.what();
  }
  EXPECT_TRUE(FileExists(file));
  EXPECT_FALSE(DM->tblReg.Active());
}

// A file of Import or Sent, and what its folders held before the run.
struct TFilingCase {
  std::string File, Before, BeforeBytes, Want, Gone, WantReg;
};
const std::string kReceived = "9999999999-20250304-0123456789AB-74";

class FilingRows : public KsefNumbersTest, public ::testing::WithParamInterface<TFilingCase> {};

TEST_P(FilingRows, NamesStayInTheirFolderAndNothingFiledIsLost) {
  const TFilingCase& c = GetParam();
  Build();
  const std::string invoice = Invoice("5265877635", "VAT", "FZ/2025/0042");
  WriteFile(Dir / ("ksef/" + c.File), invoice);
  if (!c.Before.empty())
    WriteFile(Dir / ("ksef/" + c.Before), c.BeforeBytes.empty() ? invoice : c.BeforeBytes);
  DM->SetKsefInRegs();
  EXPECT_EQ(Reg(128, 0), c.WantReg);
  EXPECT_TRUE(FileExists(Dir / ("ksef/" + c.Want))) << Log.Lines;
  EXPECT_FALSE(FileExists(Dir / ("ksef/" + c.Gone)));
  if (!c.Before.empty())
    EXPECT_EQ(ReadFile(Dir / ("ksef/" + c.Before)),
              c.BeforeBytes.empty() ? invoice : c.BeforeBytes);
}

INSTANTIATE_TEST_SUITE_P(
    Files, FilingRows,
    ::testing::Values(TFilingCase{"Import/9999999999-20250304-0123456789\tB-87.xml", "", "",
                                  "Errors/9999999999-20250304-0123456789\tB-87.txt",
                                  "Import/9999999999-20250304-0123456789\tB-87.xml", ""},
                      TFilingCase{"Import/9999999999-C:250304-0123456789AB-B4.xml", "", "",
                                  "Errors/9999999999-C:250304-0123456789AB-B4.txt",
                                  "Import/9999999999-C:250304-0123456789AB-B4.xml", ""},
                      TFilingCase{"Import/" + kReceived + ".xml",
                                  "Received/2025-03/" + kReceived + ".xml", "",
                                  "Received/2025-03/" + kReceived + ".xml",
                                  "Import/" + kReceived + ".xml", kReceived},
                      TFilingCase{"Import/" + kReceived + ".xml",
                                  "Received/2025-03/" + kReceived + ".xml", "<inna/>",
                                  "Received/2025-03/" + kReceived + "_1.xml",
                                  "Import/" + kReceived + ".xml", kReceived},
                      TFilingCase{"Sent/0-2025-1-17_" + kNumber + ".upo.xml",
                                  "Sent/2025-03/0-2025-1-17_" + kNumber + ".xml", "<x/>",
                                  "Sent/2025-03/0-2025-1-17_" + kNumber + ".upo.xml",
                                  "Sent/0-2025-1-17_" + kNumber + ".upo.xml", ""}),
    [](const auto& info) { return std::to_string(info.index); });
