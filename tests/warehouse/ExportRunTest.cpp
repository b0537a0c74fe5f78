#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "ExportSite.h"
#include "fa3/Fa3Validate.h"
#include "fa3/Schemat_FA3.h"
#include "common/TestFiles.h"
#include "warehouse/DataModule.h"
#include "support/Dialogs.h"
#include "support/Errors.h"
#include "support/OperatorLog.h"
#include "support/Paths.h"
#include "fixtures/TableWriter.h"

using namespace brenvik;
using namespace brenvik::testing;

namespace {

using ExportRunTest = TExportTest;

std::vector<std::string> Keys(std::initializer_list<int> numbers) {
  std::vector<std::string> v;
  for (int n : numbers) v.push_back("0-2026-1-" + std::to_string(n) + ".xml");
  std::sort(v.begin(), v.end());
  return v;
}

}  // namespace

TEST_F(ExportRunTest, WindowCoversWholeDaysRaisedToTheStartDate) {
  Site.Docs = PendingInvoices(4);
  Site.Docs[0].Date = "2026-04-04 23:59:59";
  Site.Docs[1].Date = "2026-04-05 00:00:00";
  Site.Docs[2].Date = "2026-04-10 23:59:00";
  Site.Docs[3].Date = "2026-04-07 12:00:00";
  for (auto& d : Site.Docs) d.SaleDate = d.Date.substr(0, 10);
  Build();
  EXPECT_EQ(Run(), "");
  EXPECT_EQ(ExportFiles(), Keys({2, 3, 4}));
  ASSERT_EQ(Log.Lines.size(), 3u);
  // The document before the window that never went is named.
  EXPECT_EQ(Log.Lines[2].substr(Log.Lines[2].find("  ") + 2),
            "1 dokument sprzed 2026-04-05 nie został wysłany do KSeF: " + Site.Docs[0].Name +
                ". Aby go wysłać, zwiększ DaysBackToSend w sekcji [KSeF] pliku ini.");
  EXPECT_EQ(Log.Levels[2], llWarn);
  // The pane line begins with the time it was written.
  EXPECT_EQ(Log.Lines[0].substr(Log.Lines[0].find("  ") + 2),
            "Zakres dat, z których sprawdzane są w Stelmarze dokumenty niewysłane do KSeF: od "
            "2026-04-05 do 2026-04-10");
  EXPECT_EQ(Log.Levels[0], llInfo);
  EXPECT_EQ(Log.Lines[1].substr(Log.Lines[1].find("  ") + 2),
            "Kontrola przed wysyłką: 3 pliki przekazane do wysyłki, odrzucono 0 dokumentów");
  EXPECT_EQ(RegisterMark(Dir.Path(), 0, 2), "-");
  EXPECT_EQ(RegisterMark(Dir.Path(), 0, 1), "");
  EXPECT_TRUE(Dialogs.Asked().empty());
  EXPECT_FALSE(DM->tblWI.Active());
  ExpectAllValid();
}

TEST_F(ExportRunTest, StartDateAfterTheWorkingDateSelectsNothing) {
  Site.Docs = PendingInvoices(2);
  Site.Docs[1].Date = "2026-04-09 08:00:00";
  Build();
  Config.Send2KsefStartDate = EncodeDate(2026, 4, 9);
  EXPECT_EQ(Run(), "");
  EXPECT_EQ(ExportFiles(), Keys({2}));
  Config.Send2KsefStartDate = EncodeDate(2026, 4, 11);
  std::filesystem::remove(ExportPath("0-2026-1-2"));
  EXPECT_EQ(Run(), "");
  EXPECT_TRUE(ExportFiles().empty());
  EXPECT_TRUE(Dialogs.Asked().empty());
}

TEST_F(ExportRunTest, SkipsWhatIsNotPendingAndReportsAMissingRegisterEntry) {
  Site.Docs = PendingInvoices(6);
  Site.Docs[0].Type = 4;    // a goods issue, not for KSeF
  Site.Docs[1].Flags = 1;   // cancelled
  Site.Docs[2].KSeF = "-";  // exported, waiting for its number
  Site.Docs[3].KSeF = "5265877635-20260408-0100001AF629-C9";
  Site.Docs[4].HasReg = false;  // not booked in the register
  Build();
  EXPECT_EQ(Run(), "");
  EXPECT_EQ(ExportFiles(), Keys({6}));
  EXPECT_EQ(Texts(), std::vector<std::string>{"Brak wpisu w reg dla klucza: 0-2026-1-5"});
  EXPECT_EQ(RegisterMark(Dir.Path(), 0, 2), "");
  EXPECT_EQ(RegisterMark(Dir.Path(), 0, 4), "5265877635-20260408-0100001AF629-C9");
  EXPECT_EQ(RegisterMark(Dir.Path(), 0, 6), "-");
  // A second run finds nothing more to do.
  Dialogs.Clear();
  std::filesystem::remove(ExportPath("0-2026-1-6"));
  EXPECT_EQ(Run(), "");
  EXPECT_TRUE(ExportFiles().empty());
}

TEST_F(ExportRunTest, OneRunWritesAtMostTwentyFiveFiles) {
  Site.Docs = PendingInvoices(30);
  Build();
  EXPECT_EQ(Run(), "");
  EXPECT_EQ(ExportFiles().size(), 25u);
  EXPECT_EQ(Texts(),
            std::vector<std::string>{
                "Wygenerowano 25 dokumentów. Kolejne wyślij następną paczką za kilka minut"});
  // Table order: the first 25 numbers.
  EXPECT_EQ(RegisterMark(Dir.Path(), 0, 25), "-");
  EXPECT_EQ(RegisterMark(Dir.Path(), 0, 26), "");
  for (const auto& e : std::filesystem::directory_iterator(Dir / "ksef/Export"))
    std::filesystem::remove(e.path());
  Dialogs.Clear();
  EXPECT_EQ(Run(), "");
  EXPECT_EQ(ExportFiles(), Keys({26, 27, 28, 29, 30}));
  EXPECT_TRUE(Dialogs.Asked().empty());
}

TEST_F(ExportRunTest, ExactlyTwentyFiveStillTellTheOperator) {
  Site.Docs = PendingInvoices(25);
  Build();
  EXPECT_EQ(Run(), "");
  EXPECT_EQ(ExportFiles().size(), 25u);
  EXPECT_EQ(Dialogs.Asked().size(), 1u);
  for (int n = 1; n <= 25; ++n) EXPECT_EQ(RegisterMark(Dir.Path(), 0, n), "-") << n;
}

TEST_F(ExportRunTest, ForeignDocumentWithoutTaxpayerPrefixStopsTheRun) {
  Site.Docs = PendingInvoices(4);
  Site.Docs[2].Type = 22;
  Site.Docs[2].Name = "WDT 3/2026";
  Site.Docs[3].Type = 48;  // comes after type 22 in the table's order
  Build();
  Config.PodatnikInfo.PrefiksPodatnika.clear();
  EXPECT_EQ(Run(), "Brak prefixu podatnika przy wysyłce dokumentów do krajów innych niż Polska");
  EXPECT_EQ(ExportFiles(), Keys({1, 2}));
  EXPECT_EQ(RegisterMark(Dir.Path(), 0, 1), "-");
  EXPECT_EQ(RegisterMark(Dir.Path(), 0, 2), "-");
  EXPECT_EQ(RegisterMark(Dir.Path(), 22, 3), "");
  EXPECT_EQ(RegisterMark(Dir.Path(), 48, 4), "");
  EXPECT_FALSE(DM->tblWI.Active());
  EXPECT_FALSE(DM->tblReg.Active());
}

TEST(ExportRunFailures, EndTheRunAndLeaveTheFailingDocumentUnmarked) {
  const TDateTime today = Today(), tomorrow = IncDay(Today(), 1);
  struct TCase {
    const char* What;
    std::function<void(std::vector<TSiteDoc>&)> Docs;
    std::function<void(TConfig&)> Settings;
    std::string Message;
  };
  const TCase cases[] = {
      {"no number", [](std::vector<TSiteDoc>& d) { d[1].Name.clear(); }, [](TConfig&) {},
       "Brak numeru dokumentu (0-2026-1-2)"},
      {"issued later than today by the computer's clock",
       [&](std::vector<TSiteDoc>& docs) {
         for (auto& d : docs) d.Date = DateToStr(today) + " 08:00:00";
         docs[1].Date = DateToStr(tomorrow) + " 08:00:00";
       },
       [&](TConfig& c) { c.CurDate = tomorrow; },
       "Próba wypsłania dokumentu wypisanego z przyszłą datą"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.What);
    TTempDir dir;
    TConfig config{dir / "site.ini"};
    TExportSite site;
    site.Docs = PendingInvoices(3);
    c.Docs(site.Docs);
    site.Build(dir.Path(), config);
    c.Settings(config);
    TDM dm(config, dir / "bin/");
    try {
      dm.ReadDocNotSended2KSEF();
      ADD_FAILURE() << "no failure";
    } catch (const Exception& e) {
      EXPECT_EQ(std::string(e.what()), c.Message);
    }
    EXPECT_EQ(RegisterMark(dir.Path(), 0, 1), "-");
    EXPECT_EQ(RegisterMark(dir.Path(), 0, 2), "");
    EXPECT_EQ(RegisterMark(dir.Path(), 0, 3), "");
    EXPECT_TRUE(FileExists(dir / "ksef/Export/0-2026-1-1.xml"));
    EXPECT_FALSE(FileExists(dir / "ksef/Export/0-2026-1-2.xml"));
    EXPECT_FALSE(dm.tblWI.Active());
  }
}

// Twenty realistic documents of every kind (domestic, EU, export, correction,
// foreign currency, packaging, gross pricing) in one run.
TEST_F(ExportRunTest, MixOfTwentyDocumentsGivesTwentyValidFiles) {
  Build();  // folders and settings; the tables come from the mix
  DM.reset();
  BuildFixtureFromFile(SourceDir() + "/tests/data/stelmar-mix.json", Dir / "stelmar/");
  Config.CmrPacking = true;
  Config.CmrAttachUsrComments = "Uwagi odbiorcy";
  Config.RachunekBankowy1.NrRB = "61109010140000071219812874";
  Config.RachunekBankowy1.NazwaBanku = "Santander Bank Polska";
  Config.Stopka.Inf1 = "Dziękujemy za zakupy";
  Config.ZwolnienieP_19A = "art. 43 ust. 1 pkt 29 lit. a ustawy o VAT";
  DM = std::make_unique<TDM>(Config, Dir / "bin/");
  EXPECT_EQ(Run(), "");
  EXPECT_EQ(ExportFiles().size(), 20u);
  EXPECT_TRUE(Dialogs.Asked().empty());
  ExpectAllValid();
  const std::string wdt = ExportedXml("22-2026-1-5");
  EXPECT_NE(wdt.find("<KodWaluty>EUR</KodWaluty>"), std::string::npos);
  EXPECT_NE(wdt.find("<P_12>0 WDT</P_12>"), std::string::npos) << wdt;
  const std::string kor = ExportedXml("1-2026-1-7");
  EXPECT_NE(kor.find("<RodzajFaktury>KOR</RodzajFaktury>"), std::string::npos) << kor;
  // FV 118/2026 was sent before this site kept its files: its register holds the number.
  EXPECT_NE(kor.find("<NrKSeF>1</NrKSeF><NrKSeFFaKorygowanej>5265877635-20260402-9F3C21A7B04E-62"
                     "</NrKSeFFaKorygowanej>"),
            std::string::npos)
      << kor;
  const std::string exempt = ExportedXml("0-2026-1-122");
  EXPECT_NE(exempt.find("<Zwolnienie><P_19>1</P_19><P_19A>art. 43 ust. 1 pkt 29 lit. a ustawy o "
                        "VAT</P_19A></Zwolnienie>"),
            std::string::npos)
      << exempt;
}

TEST_F(ExportRunTest, ARegisterWithoutAFieldTheTotalsReadEndsTheRun) {
  Site.Docs = PendingInvoices(2);
  Site.DroppedFields = {{"DATA/2026REG", "NPO"}};
  Build();
  const std::string message = Run();
  EXPECT_NE(message.find("NPO"), std::string::npos) << message;
  EXPECT_TRUE(ExportFiles().empty());
  EXPECT_EQ(RegisterMark(Dir.Path(), 0, 1), "");
  EXPECT_FALSE(DM->tblReg.Active());
}

// A file KSeF would refuse never enters Export: it lies in Errors with its
// reasons beside it, its document stays unmarked, and the run goes on.
TEST_F(ExportRunTest, RefusedFilesGoToErrorsUnmarkedAndTheRunGoesOn) {
  Site.Docs = PendingInvoices(5);
  for (auto& d : Site.Docs) d.Name = "FV " + std::to_string(d.Number) + "/2026";
  TSiteCustomer badNip;
  badNip.Number = 2;
  badNip.Nip = "7251801127";  // 7,2,5,1,8,0,1,1,2 weighed: 138 = 12·11 + 6, so the last digit is 6
  Site.Customers.push_back(badNip);
  Site.Docs[1].User = 2;
  Site.Docs[2].Lines[0].Vat = 15;  // no such rate in the schema
  Build();
  // FV 4/2026 of this seller was sent before.
  WriteFile(Dir / "ksef/Sent/2026-04/0-2026-1-9_5265877635-20260409-0100001AF629-AF.xml",
            "<Faktura xmlns=\"http://crd.gov.pl/wzor/2025/06/25/13775/\"><Podmiot1>"
            "<DaneIdentyfikacyjne><NIP>5265877635</NIP></DaneIdentyfikacyjne></Podmiot1><Fa>"
            "<RodzajFaktury>VAT</RodzajFaktury><P_2>FV 4/2026</P_2></Fa></Faktura>");
  Dialogs.Answer(TModalResult::mrYes);  // go on despite the buyer's NIP
  const int loads = TFa3Schema::LoadCount();
  EXPECT_EQ(Run(), "");
  EXPECT_EQ(TFa3Schema::LoadCount(), loads + 1);
  EXPECT_EQ(ExportFiles(), Keys({1, 5}));
  std::vector<std::string> errors;
  for (const auto& e : std::filesystem::directory_iterator(Dir / "ksef/Errors"))
    errors.push_back(e.path().filename().string());
  std::sort(errors.begin(), errors.end());
  EXPECT_EQ(errors,
            (std::vector<std::string>{"0-2026-1-2.txt", "0-2026-1-2.xml", "0-2026-1-3.txt",
                                      "0-2026-1-3.xml", "0-2026-1-4.txt", "0-2026-1-4.xml"}));
  for (int n : {1, 5}) EXPECT_EQ(RegisterMark(Dir.Path(), 0, n), "-") << n;
  for (int n : {2, 3, 4}) EXPECT_EQ(RegisterMark(Dir.Path(), 0, n), "") << n;
  const std::string nipLine =
      "/Faktura/Podmiot2/DaneIdentyfikacyjne/NIP = „7251801127”: zła cyfra kontrolna NIP "
      "nabywcy (Podmiot2): ostatnia cyfra to 7, a powinna być 6";
  EXPECT_NE(ReadFile(Dir / "ksef/Errors/0-2026-1-2.txt").find("1. " + nipLine), std::string::npos);
  std::vector<std::string> refusals;
  for (std::size_t i = 0; i < Log.Lines.size(); ++i)
    if (Log.Levels[i] == llError)
      refusals.push_back(Log.Lines[i].substr(Log.Lines[i].find("  ") + 2));
  ASSERT_EQ(refusals.size(), 3u);
  EXPECT_EQ(refusals[0],
            "Odrzucono FV 2/2026 (plik 0-2026-1-2.xml w folderze Errors, powody w "
            "0-2026-1-2.txt): " +
                nipLine);
  EXPECT_NE(refusals[1].find("Odrzucono FV 3/2026"), std::string::npos);
  EXPECT_NE(refusals[1].find("/Faktura/Fa/FaWiersz/P_12 = „15”: niezgodność ze schematem FA(3): "
                             "wartość spoza listy dozwolonych"),
            std::string::npos)
      << refusals[1];
  EXPECT_NE(refusals[2].find("/Faktura/Fa/P_2 = „FV 4/2026”: duplikat faktury"), std::string::npos)
      << refusals[2];
  EXPECT_NE(Log.Lines.back().find("Kontrola przed wysyłką: 2 pliki przekazane do wysyłki, "
                                  "odrzucono 3 dokumenty (folder błędów Errors)"),
            std::string::npos)
      << Log.Lines.back();
  EXPECT_EQ(Log.Levels.back(), llWarn);
  ExpectAllValid();

  // A seller whose own NIP is wrong: every file refused, said once.
  Log.Lines.clear();
  Log.Levels.clear();
  for (const auto& e : std::filesystem::directory_iterator(Dir / "ksef/Errors"))
    std::filesystem::remove(e.path());
  Config.PodatnikInfo.DaneIdentyfikacyjne.NIP = "5265877636";  // 236 = 21·11 + 5: must end in 5
  Dialogs.Clear();
  Dialogs.Answer(TModalResult::mrYes);
  DM = std::make_unique<TDM>(Config, Dir / "bin/");
  EXPECT_EQ(Run(), "");
  EXPECT_EQ(ExportFiles(), Keys({1, 5}));
  for (int n : {2, 3, 4}) EXPECT_EQ(RegisterMark(Dir.Path(), 0, n), "") << n;
  int errorLines = 0;
  for (TLogLevel l : Log.Levels) errorLines += l == llError;
  // The seller once, then the two documents that have faults of their own (FV 4/2026 of
  // another seller is no duplicate any more).
  EXPECT_EQ(errorLines, 3);
  const auto seller = std::find_if(Log.Lines.begin(), Log.Lines.end(), [](const std::string& l) {
    return l.find("Podmiot1/DaneIdentyfikacyjne/NIP = „5265877636”") != std::string::npos;
  });
  ASSERT_NE(seller, Log.Lines.end());
  EXPECT_NE(seller->find("każdy dokument zostanie odrzucony"), std::string::npos) << *seller;
  EXPECT_NE(Log.Lines.back().find("0 plików przekazanych do wysyłki, odrzucono 3 dokumenty"),
            std::string::npos)
      << Log.Lines.back();
}
