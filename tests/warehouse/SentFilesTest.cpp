#include <gtest/gtest.h>

#include "StelmarSite.h"

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "fa3/Fa3Files.h"
#include "fa3/Fa3Validate.h"
#include "fa3/Schemat_FA3.h"
#include "common/TestFiles.h"
#include "support/Errors.h"
#include "warehouse/FaHeader.h"
#include "support/OperatorLog.h"
#include "warehouse/Parties.h"
#include "support/Dialogs.h"
#include "support/KsefContract.h"
#include "warehouse/SentFiles.h"

using namespace brenvik;
using namespace brenvik::testing;

namespace {

const std::string kNumber = "5261040828-20260305-0A1B2C3D4E5F-56";
const std::string kKey = "0-2026-1-57";
const TCorrection kCorrection{"KOR 1/2026", "FV 7/2026", "5261040828"};

// ---------------------------------------------------------------- file names

TEST(KsefNumberFromFileName, AfterTheFirstUnderscore) {
  const std::pair<std::string, std::string> cases[] = {
      {"/data/Sent/2026-03/" + kKey + "_" + kNumber + ".xml", kNumber},
      {kKey + "_" + kNumber + ".xml", kNumber},
      {"/data/Sent/" + kKey + ".xml", ""},
      {"/my_data/Sent/" + kKey + ".xml", ""},
      {"a_b_c.xml", "b_c"},
      {"a_.xml", ""},
      {"a_b", "b"},
  };
  for (const auto& [path, number] : cases) EXPECT_EQ(KsefNumberFromFileName(path), number) << path;
}

class SentFolderTest : public ::testing::Test {
protected:
  std::string Sent() const { return Dir / "Sent"; }
  void Put(const std::string& relative) { WriteFile(Dir / ("Sent/" + relative), "<x/>"); }
  TTempDir Dir;
};

TEST_F(SentFolderTest, MonthFolderOfTheDate) {
  Put("2026-03/" + kKey + "_" + kNumber + ".xml");
  std::string path;
  for (TDateTime d : {EncodeDate(2026, 3, 1), EncodeDateTime(2026, 3, 31, 23, 0, 0)}) {
    path.clear();
    ASSERT_TRUE(FindSentFileInMonth(Sent(), d, kKey, path));
    EXPECT_EQ(path, Dir / ("Sent/2026-03/" + kKey + "_" + kNumber + ".xml"));
  }
  path = "untouched";
  EXPECT_FALSE(FindSentFileInMonth(Sent(), EncodeDate(2026, 4, 1), kKey, path));
  EXPECT_FALSE(FindSentFileInMonth(Sent(), EncodeDate(2025, 3, 1), kKey, path));
  EXPECT_EQ(path, "untouched");
}

TEST_F(SentFolderTest, OnlyFilesOfTheKeyAndTheSentPattern) {
  const char* others[] = {
      "0-2026-1-570_5261040828-20260305-0A1B2C3D4E5F-56.xml",     // another document
      "10-2026-1-57_5261040828-20260305-0A1B2C3D4E5F-56.xml",     // another type
      "0-2026-1-57_5261040828-20260305-0A1B2C3D4E5F-56.upo.xml",  // the receipt
      "0-2026-1-57_5261040828-20260305-0A1B2C3D4E5-9C.xml",       // number too short
      "0-2026-1-57.xml",                                          // an export file
  };
  for (const char* name : others) Put(std::string("2026-03/") + name);
  // A folder named like a sent file is no sent file.
  MakeDirs(Dir / ("Sent/2026-03/" + kKey + "_" + kNumber + ".xml"));
  std::string path;
  EXPECT_FALSE(FindSentFileInMonth(Sent(), EncodeDate(2026, 3, 5), kKey, path)) << path;

  Put("2026-03/sub/" + kKey + "_" + kNumber + ".xml");
  EXPECT_FALSE(FindSentFileInMonth(Sent(), EncodeDate(2026, 3, 5), kKey, path)) << path;
}

TEST_F(SentFolderTest, FirstByNameWhenSentTwice) {
  const std::string later = "5261040828-20260306-FFFFFFFFFFFF-59";
  const std::string earlier = "5261040828-20260305-000000000000-6C";
  Put("2026-03/" + kKey + "_" + later + ".xml");
  Put("2026-03/" + kKey + "_" + earlier + ".xml");
  std::string path;
  ASSERT_TRUE(FindSentFileInMonth(Sent(), EncodeDate(2026, 3, 5), kKey, path));
  EXPECT_EQ(KsefNumberFromFileName(path), earlier);
}

TEST_F(SentFolderTest, NearSearchesTheMonthAfter) {
  Put("2026-02/" + kKey + "_" + kNumber + ".xml");
  std::string path;
  ASSERT_TRUE(FindSentFileNear(Sent(), EncodeDate(2026, 1, 31), kKey, path));
  EXPECT_EQ(path, Dir / ("Sent/2026-02/" + kKey + "_" + kNumber + ".xml"));
  ASSERT_TRUE(FindSentFileNear(Sent(), EncodeDate(2026, 2, 10), kKey, path));
  EXPECT_FALSE(FindSentFileNear(Sent(), EncodeDate(2025, 12, 31), kKey, path));
  EXPECT_FALSE(FindSentFileNear(Sent(), EncodeDate(2026, 3, 1), kKey, path));

  // The date's own month wins over the month after.
  Put("2026-01/" + kKey + "_" + kNumber + ".xml");
  ASSERT_TRUE(FindSentFileNear(Sent(), EncodeDate(2026, 1, 31), kKey, path));
  EXPECT_EQ(path, Dir / ("Sent/2026-01/" + kKey + "_" + kNumber + ".xml"));
}

TEST_F(SentFolderTest, UnreadableMonthFolderFailsLoudly) {
  Put("2026-03/" + kKey + "_" + kNumber + ".xml");
  const std::filesystem::path month = Dir / "Sent/2026-03";
  std::filesystem::permissions(month, std::filesystem::perms::none);
  std::error_code probe;
  std::filesystem::directory_iterator open(month, probe);
  if (!probe) {
    std::filesystem::permissions(month, std::filesystem::perms::owner_all);
    GTEST_SKIP() << "the folder stays readable for this user";
  }
  std::string path;
  EXPECT_THROW(FindSentFileInMonth(Sent(), EncodeDate(2026, 3, 5), kKey, path), EInOutError);
  std::filesystem::permissions(month, std::filesystem::perms::owner_all);
}

TEST_F(SentFolderTest, NoSentFolderAtAll) {
  std::string path;
  EXPECT_FALSE(FindSentFileNear(Dir / "nothing", EncodeDate(2026, 3, 5), kKey, path));
}

// ---------------------------------------------------------------- the corrected invoice

class TCapturedLog : public IOperatorLog {
public:
  void AddLogLine(const std::string& line, TLogLevel level) override {
    Lines.emplace_back(line, level);
  }
  std::vector<std::pair<std::string, TLogLevel>> Lines;
};

class MasterInvoiceTest : public ::testing::Test {
protected:
  void SetUp() override { SetOperatorLog(&Log); }
  void TearDown() override { SetOperatorLog(nullptr); }
  // A file whose root holds the given elements.
  std::string File(const std::string& body) {
    const std::string path = Dir / (kKey + "_" + kNumber + ".xml");
    WriteFile(path, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Faktura xmlns=\"" +
                        std::string(Fa3Namespace) + "\">" + body + "</Faktura>");
    return path;
  }
  TTempDir Dir;
  TCapturedLog Log;
};

const char kPodmiot1[] =
    "<Podmiot1><DaneIdentyfikacyjne><NIP>5261040828</NIP><Nazwa>S</Nazwa>"
    "</DaneIdentyfikacyjne></Podmiot1>";
const char kPodmiot2[] =
    "<Podmiot2><DaneIdentyfikacyjne><BrakID>1</BrakID><Nazwa>N</Nazwa>"
    "</DaneIdentyfikacyjne></Podmiot2>";

TEST_F(MasterInvoiceTest, ReadsTheMinistrySample) {
  const std::string samples = Fa3SamplesDir();
  TMasterInvoiceData m = ReadMasterInvoice(samples + "/mf-example-14.xml");
  EXPECT_EQ(m.MasterDate, EncodeDate(2026, 8, 17));
  EXPECT_EQ(m.MasterDoc, "FV2026/08/12");
  ASSERT_TRUE(m.Podmiot1);
  ASSERT_TRUE(m.Podmiot2);
  EXPECT_EQ(m.Podmiot1->NodeName(), "Podmiot1");
  ASSERT_TRUE(m.Podmiot3List);
  ASSERT_EQ(m.Podmiot3List->Count(), 2);
  EXPECT_TRUE(IsAdditionalBuyer(m.Podmiot3List->Items(0)));
  EXPECT_FALSE(IsAdditionalBuyer(m.Podmiot3List->Items(1)));
  EXPECT_TRUE(Log.Lines.empty());

  TMasterInvoiceData plain = ReadMasterInvoice(samples + "/mf-example-01.xml");
  EXPECT_FALSE(plain.Podmiot3List);
}

TEST_F(MasterInvoiceTest, MissingFaIsLoggedAndRefused) {
  const std::string path = File(kPodmiot1);  // neither Fa nor Podmiot2
  try {
    ReadMasterInvoice(path);
    FAIL() << "a file without Fa was read";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Brak Fa w pliku XML: " + path);
  }
  ASSERT_EQ(Log.Lines.size(), 1u);
  EXPECT_EQ(Log.Lines[0].second, llError);
  const std::string text = "Błąd: Brak elementu \"Fa\" w " + path;
  const std::string& line = Log.Lines[0].first;
  ASSERT_GE(line.size(), text.size());
  EXPECT_EQ(line.substr(line.size() - text.size()), text);
}

TEST_F(MasterInvoiceTest, RefusalsInOrder) {
  const std::string fa = "<Fa><KodWaluty>PLN</KodWaluty><P_1>2026-03-05</P_1><P_2>FV 7</P_2></Fa>";
  const std::pair<std::string, std::string> cases[] = {
      {fa, "Brak Podmiot1 w pliku XML: "},
      {std::string(kPodmiot2) + fa, "Brak Podmiot1 w pliku XML: "},
      {std::string(kPodmiot1) + fa, "Brak Podmiot2 w pliku XML: "},
      {std::string(kPodmiot1) + kPodmiot2 + "<Fa><P_1>2026-03-05</P_1><P_2>  </P_2></Fa>",
       "Brak Fa/P_2 w pliku XML: "},
      {std::string(kPodmiot1) + kPodmiot2 + "<Fa><P_1>2026-03-05</P_1></Fa>",
       "Brak Fa/P_2 w pliku XML: "},
  };
  for (const auto& [body, message] : cases) {
    const std::string path = File(body);
    try {
      ReadMasterInvoice(path);
      ADD_FAILURE() << "read: " << body;
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), message + path) << body;
    }
  }
  EXPECT_TRUE(Log.Lines.empty());
}

TEST_F(MasterInvoiceTest, IssueDateMustBeADate) {
  for (const char* p1 : {"<P_1>2026-13-45</P_1>", "<P_1></P_1>", ""}) {
    const std::string path =
        File(std::string(kPodmiot1) + kPodmiot2 + "<Fa>" + p1 + "<P_2>FV 7</P_2></Fa>");
    EXPECT_THROW(ReadMasterInvoice(path), EConvertError) << p1;
  }
}

// The corrected invoice's KSeF number must be one of this seller's: its NIP
// part the seller's and its check valid; otherwise the operator is asked,
// "Tak" holding the correction back and "Nie" (the default) stopping the run.
TEST(CorrectedInvoice, KsefNumberMustBeTheSellersOwn) {
  const std::string body = "20260305-0A1B2C3D4E5F";
  const std::string other = "7251801126-" + body + "-" + ksef::KsefCheckCode("7251801126-" + body);
  struct Case {
    const char* What;
    std::string Number;
    std::vector<TModalResult> Answers;
    const char* Outcome;  // "taken", "held back", "stopped"
    const char* Problem;
  } cases[] = {
      {"the seller's own", kNumber, {}, "taken", ""},
      {"another seller's, Tak", other, {TModalResult::mrYes}, "held back", "nie zaczyna się od NIP sprzedawcy"},
      {"another seller's, Nie", other, {TModalResult::mrNo}, "stopped", "nie zaczyna się od NIP sprzedawcy"},
      {"a bad check, no answer given", kNumber.substr(0, 33) + "00", {}, "stopped", "ma błędną sumę kontrolną"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.What);
    TScriptedDialogs dialogs;
    for (TModalResult a : c.Answers) dialogs.Answer(a);
    TDialogsScope scope(&dialogs);
    std::string outcome = "taken";
    try {
      ConfirmCorrectedKsefNumber(c.Number, kCorrection, "z rejestru");
    } catch (const EDocumentRefused& e) {
      outcome = "held back";
      EXPECT_NE(std::string(e.what()).find("Korekty nie wygenerowano"), std::string::npos);
    } catch (const EAbort&) {
      outcome = "stopped";
    }
    EXPECT_EQ(outcome, c.Outcome);
    if (*c.Problem == 0) {
      EXPECT_TRUE(dialogs.Asked().empty());
      continue;
    }
    ASSERT_EQ(dialogs.Asked().size(), 1u);
    const std::string& q = dialogs.Asked()[0].Text;
    EXPECT_EQ(q.rfind("Korekta KOR 1/2026: numer KSeF faktury korygowanej FV 7/2026 (" + c.Number +
                          ", z rejestru) " + c.Problem,
                      0),
              0u)
        << q;
    EXPECT_NE(q.find("NIP w numerze KSeF: " + c.Number.substr(0, 10) + "\rNIP sprzedawcy: 5261040828"),
              std::string::npos)
        << q;
    EXPECT_EQ(dialogs.Asked()[0].Default, TMsgDlgBtn::mbNo);
  }
}

TEST(CorrectedInvoice, InKsefAndOutside) {
  IXMLFaktura f = NewFaktura();
  auto fa = f->Fa();
  TMasterInvoiceData m;
  m.MasterDate = EncodeDate(2026, 3, 5);
  m.MasterDoc = "FV 7/2026";
  FillCorrectedInKsef(fa, m, "/x/Sent/2026-03/" + kKey + "_" + kNumber + ".xml", kCorrection);
  FillCorrectedOutsideKsef(fa, EncodeDateTime(2025, 12, 30, 11, 0, 0), "FV 99/2025");
  ASSERT_EQ(fa->DaneFaKorygowanej()->Count(), 2);
  EXPECT_EQ(fa->DaneFaKorygowanej()->Items(0)->XML(),
            "<DaneFaKorygowanej><DataWystFaKorygowanej>2026-03-05</DataWystFaKorygowanej>"
            "<NrFaKorygowanej>FV 7/2026</NrFaKorygowanej><NrKSeF>1</NrKSeF>"
            "<NrKSeFFaKorygowanej>" +
                kNumber + "</NrKSeFFaKorygowanej></DaneFaKorygowanej>");
  EXPECT_EQ(fa->DaneFaKorygowanej()->Items(1)->XML(),
            "<DaneFaKorygowanej><DataWystFaKorygowanej>2025-12-30</DataWystFaKorygowanej>"
            "<NrFaKorygowanej>FV 99/2025</NrFaKorygowanej><NrKSeFN>1</NrKSeFN>"
            "</DaneFaKorygowanej>");

  IXMLFaktura g = NewFaktura();
  try {
    FillCorrectedInKsef(g->Fa(), m, "/x/Sent/" + kKey + ".xml", kCorrection);
    FAIL() << "a file name without a number was taken";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Brak NrKSeF w nazwie pliku: /x/Sent/" + kKey + ".xml");
  }
  EXPECT_FALSE(g->Fa()->HasChild("DaneFaKorygowanej"));
}

// ---------------------------------------------------------------- changed parties

TPodatnikInfoConfig Seller(const std::string& name = "Hurtownia Żółw Sp. z o.o.") {
  TPodatnikInfoConfig s;
  s.PrefiksPodatnika = "PL";
  s.DaneIdentyfikacyjne = {"5261040828", name};
  s.Adres = {"PL", "ul. Kwiatowa 1", "00-001 Warszawa", ""};
  s.DaneKontaktowe = {{"biuro@zolw.pl", ""}};
  return s;
}

struct TExtraBuyer {
  std::string Nip, Name;
  int Rola;
  bool Internal = false;  // identified by IDWew
};

struct TParties {
  std::string SellerName = "Hurtownia Żółw Sp. z o.o.";
  std::string BuyerAddress = "ul. Polna 2, 00-950 Warszawa";
  std::vector<TExtraBuyer> Others;
};

IXMLFaktura Invoice(const TParties& p, bool correction) {
  IXMLFaktura f = NewFaktura();
  InitFakturaDocument(f);
  FillNaglowek(f, "Test", [] { return EncodeDate(2026, 4, 10); });
  FillPodmiot1(f, Seller(p.SellerName));
  TBuyerInput b;
  b.Record = CustomerRecord("Sklep Alfa", p.BuyerAddress, "", "7740001454", "");
  FillPodmiot2From(f, b);
  for (const auto& o : p.Others) {
    auto p3 = f->Podmiot3()->Add();
    if (o.Internal)
      p3->DaneIdentyfikacyjne()->SetIDWew(o.Nip);
    else
      p3->DaneIdentyfikacyjne()->SetNIP(o.Nip);
    p3->DaneIdentyfikacyjne()->SetNazwa(o.Name);
    p3->SetRola(o.Rola);
  }
  auto fa = f->Fa();
  fa->SetKodWaluty("PLN");
  fa->SetP_1(correction ? EncodeDate(2026, 4, 10) : EncodeDate(2026, 3, 5));
  fa->SetP_2(correction ? "KOR 1/2026" : "FV 7/2026");
  SetTotal(fa, "P_15", 0, true);
  FillAdnotacje(fa, {});
  fa->SetRodzajFaktury(correction ? "KOR" : "VAT");
  return f;
}

class ChangedPartiesTest : public ::testing::Test {
protected:
  // The corrected invoice as the connector left it: saved in the delivered
  // layout, then read back.
  TMasterInvoiceData Master(const TParties& p) {
    IXMLFaktura f = Invoice(p, false);
    const std::string path = Dir / (kKey + "_" + kNumber + ".xml");
    SaveFaktura(f, path);
    ReformatFakturaFile(f, path);
    return ReadMasterInvoice(path);
  }
  IXMLFaktura Correction(const TParties& p, const TMasterInvoiceData& m) {
    IXMLFaktura f = Invoice(p, true);
    FillCorrectedInKsef(f->Fa(), m, Dir / (kKey + "_" + kNumber + ".xml"), kCorrection);
    FillChangedParties(f, m);
    return f;
  }
  std::string SchemaErrors(const IXMLFaktura& f) {
    SaveFaktura(f, Dir / "kor.xml");
    std::string errors;
    for (const auto& e : ValidateFa3File(Dir / "kor.xml", Fa3SchemaDir())) errors += e + "\n";
    return errors;
  }
  // Podmiot2K entries as "name/address".
  static std::vector<std::string> Podmiot2K(const IXMLFaktura& f) {
    std::vector<std::string> out;
    if (!f->Fa()->HasChild("Podmiot2K")) return out;
    auto list = f->Fa()->Podmiot2K();
    for (int i = 0; i < list->Count(); ++i) {
      auto item = list->Items(i);
      std::string s = item->DaneIdentyfikacyjne()->Nazwa();
      if (item->HasChild("Adres")) s += "/" + item->Adres()->AdresL1();
      out.push_back(s);
    }
    return out;
  }
  TTempDir Dir;
};

TEST_F(ChangedPartiesTest, SamePartiesNothingCopied) {
  TParties p;
  p.Others = {{"5213000001", "Drugi", 4}};
  IXMLFaktura f = Correction(p, Master(p));
  EXPECT_FALSE(f->Fa()->HasChild("Podmiot1K"));
  EXPECT_FALSE(f->Fa()->HasChild("Podmiot2K"));
  EXPECT_EQ(SchemaErrors(f), "");
}

TEST_F(ChangedPartiesTest, OnlyTheBuyersAddressChanged) {
  TParties old;
  old.BuyerAddress = "ul. Stara 1, 00-950 Warszawa";
  TParties now;
  IXMLFaktura f = Correction(now, Master(old));
  EXPECT_FALSE(f->Fa()->HasChild("Podmiot1K"));
  EXPECT_EQ(Podmiot2K(f), (std::vector<std::string>{"Sklep Alfa/ul. Stara 1, 00-950 Warszawa"}));
  EXPECT_EQ(f->Fa()->Podmiot2K()->Items(0)->DaneIdentyfikacyjne()->NIP(), "7740001454");
  EXPECT_EQ(SchemaErrors(f), "");
}

TEST_F(ChangedPartiesTest, SellerChanged) {
  TParties old;
  old.SellerName = "Hurtownia Żółw";
  IXMLFaktura f = Correction(TParties{}, Master(old));
  ASSERT_TRUE(f->Fa()->HasChild("Podmiot1K"));
  EXPECT_EQ(f->Fa()->Podmiot1K()->DaneIdentyfikacyjne()->Nazwa(), "Hurtownia Żółw");
  EXPECT_EQ(f->Fa()->Podmiot1K()->Adres()->AdresL2(), "00-001 Warszawa");
  EXPECT_FALSE(f->Fa()->HasChild("Podmiot2K"));
  EXPECT_EQ(SchemaErrors(f), "");

  // Only the case of a Polish letter differs: that is a change too.
  TParties lower;
  lower.SellerName = "Hurtownia żółw Sp. z o.o.";
  IXMLFaktura g = Correction(TParties{}, Master(lower));
  EXPECT_TRUE(g->Fa()->HasChild("Podmiot1K"));
  // Only the case of A-Z differs: no change.
  TParties upper;
  upper.SellerName = "HURTOWNIA Żółw SP. Z O.O.";
  IXMLFaktura h = Correction(TParties{}, Master(upper));
  EXPECT_FALSE(h->Fa()->HasChild("Podmiot1K"));
}

TEST_F(ChangedPartiesTest, AdditionalBuyersOfTheCorrectedInvoice) {
  TParties old;
  old.BuyerAddress = "ul. Stara 1";
  old.Others = {
      {"5213000001", "Drugi", 4}, {"5213000002", "Odbiorca", 2}, {"5213000003", "Trzeci", 4}};
  const TMasterInvoiceData m = Master(old);
  IXMLFaktura f = Correction(TParties{}, m);
  EXPECT_EQ(Podmiot2K(f), (std::vector<std::string>{"Sklep Alfa/ul. Stara 1", "Drugi", "Trzeci"}));
  EXPECT_EQ(f->Fa()->Podmiot2K()->Items(2)->DaneIdentyfikacyjne()->NIP(), "5213000003");
  EXPECT_EQ(SchemaErrors(f), "");

  // One of them is still an additional buyer of the correction; the other
  // is one only on paper: Rola 2 is no additional buyer.
  TParties now;
  now.BuyerAddress = old.BuyerAddress;
  now.Others = {{"5213000003", "Trzeci", 4}, {"5213000001", "Drugi", 2}};
  IXMLFaktura g = Correction(now, m);
  EXPECT_EQ(Podmiot2K(g), (std::vector<std::string>{"Drugi"}));
  EXPECT_EQ(SchemaErrors(g), "");
}

TEST_F(ChangedPartiesTest, AdditionalBuyerWithInternalIdRefused) {
  TParties old;
  old.Others = {{"5213000001-00002", "Oddział", 4, true}};
  const TMasterInvoiceData m = Master(old);
  IXMLFaktura f = Invoice(TParties{}, true);
  try {
    FillChangedParties(f, m);
    FAIL() << "an additional buyer with IDWew was carried over";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(),
              "Podmiot3 z IDWew nie może być przeniesiony do Podmiot2K. Podmiot2K obsługuje tylko "
              "identyfikatory zgodne z Podmiot2.");
  }
}

}  // namespace
