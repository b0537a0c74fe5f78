#include <gtest/gtest.h>

#include "support/KsefContract.h"

#include <functional>

#include "ExportSite.h"
#include "common/TestFiles.h"
#include "fa3/Fa3Validate.h"
#include "support/Errors.h"
#include "support/OperatorLog.h"
#include "support/Paths.h"

using namespace brenvik;
using namespace brenvik::testing;

namespace {

using ExportMappingTest = TExportTest;

bool Has(const std::string& xml, const std::string& part) {
  return xml.find(part) != std::string::npos;
}

}  // namespace

// The buyer and recipient as the customer tables describe them, each
// exported alone and validated.
TEST(ExportParties, BuyerAndRecipientFromTheCustomerRegister) {
  struct TCase {
    const char* What;
    std::function<void(TSiteCustomer&)> Customer;
    std::vector<TModalResult> Answers;
    std::vector<std::string> Present;
    std::vector<std::string> Absent;
  };
  const TCase cases[] = {
      {"domestic with a branch number",
       [](TSiteCustomer& c) { c.Nip = "7251801126-00001"; },
       {},
       {"<Podmiot2><DaneIdentyfikacyjne><NIP>7251801126</NIP><Nazwa>", "<JST>2</JST><GV>2</GV>"},
       {"<Podmiot3>", "00001"}},
      {"domestic without identifier, operator goes on",
       [](TSiteCustomer& c) { c.Nip.clear(); },
       {TModalResult::mrYes},
       {"<BrakID>1</BrakID>"},
       {"BRAK", "<Podmiot2><DaneIdentyfikacyjne><NIP>"}},
      {"EU prefix split by the checking reader (Options 3)",
       [](TSiteCustomer& c) {
         c.Options = 3;
         c.City = "Berlin";
         c.Nip = "DE123456789";
       },
       {},
       {"<KodUE>DE</KodUE><NrVatUE>123456789</NrVatUE>", "<KodKraju>DE</KodKraju>"},
       {"<NrID>"}},
      {"EU country from the city, no checking (Options 1)",
       [](TSiteCustomer& c) {
         c.Options = 1;
         c.City = "Berlin, Niemcy";
         c.Nip = "DE123456789";
       },
       {},
       {"<KodUE>DE</KodUE><NrVatUE>123456789</NrVatUE>", "<KodKraju>DE</KodKraju>"},
       {"<NrID>"}},
      {"Greek buyer: GR in the address, EL before the VAT number",
       [](TSiteCustomer& c) {
         c.Options = 3;
         c.City = "Ateny, Grecja";
         c.Nip = "EL094259216";
       },
       {},
       {"<KodUE>EL</KodUE><NrVatUE>094259216</NrVatUE>", "<KodKraju>GR</KodKraju>"},
       {"<NrID>", "<KodKraju>EL</KodKraju>"}},
      {"Swiss buyer: the whole UID",
       [](TSiteCustomer& c) {
         c.Options = 3;
         c.City = "Zürich, Szwajcaria";
         c.Nip = "CHE-109.322.551";
       },
       {},
       {"<KodKraju>CH</KodKraju><NrID>CHE-109.322.551</NrID>", "<Adres><KodKraju>CH</KodKraju>"},
       {"<KodUE>"}},
      {"buyer in the United States, named in English",
       [](TSiteCustomer& c) {
         c.Options = 2;
         c.City = "New York, United States";
         c.Nip = "12-3456789";
       },
       {},
       {"<KodKraju>US</KodKraju><NrID>12-3456789</NrID>", "<Adres><KodKraju>US</KodKraju>"},
       {"<KodUE>"}},
      {"foreign buyer without identifier (Options 2)",
       [](TSiteCustomer& c) {
         c.Options = 2;
         c.City = "Oslo, Norwegia";
         c.Nip.clear();
       },
       {},
       {"<BrakID>1</BrakID>", "<Adres><KodKraju>NO</KodKraju>"},
       {"<NrID>"}},
      {"payer named in the register with its address",
       [](TSiteCustomer& c) {
         c.Payer = "Budimex Oddział Kraków;  ul. Prosta 1, 30-001 Kraków";
         c.Permission = "7792433421";
         c.ExtOpt = 2;  // a local-government unit
       },
       {},
       {"<Nazwa>Budimex Oddział Kraków</Nazwa></DaneIdentyfikacyjne><Adres><KodKraju>PL</KodKraju>"
        "<AdresL1>ul. Prosta 1, 30-001 Kraków</AdresL1></Adres><JST>1</JST>",
        "<Podmiot3><DaneIdentyfikacyjne><NIP>7792433421</NIP><Nazwa>Przedsiębiorstwo Handlowe "
        "Mazur "
        "Sp. j.</Nazwa></DaneIdentyfikacyjne><Adres><KodKraju>PL</KodKraju><AdresL1>",
        "<Rola>8</Rola></Podmiot3>"},
       {}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.What);
    TTempDir dir;
    TConfig config{dir / "site.ini"};
    TExportSite site;
    site.Docs = PendingInvoices(1);
    c.Customer(site.Customers[0]);
    site.Build(dir.Path(), config);
    TScriptedDialogs dialogs;
    for (TModalResult a : c.Answers) dialogs.Answer(a);
    TDialogsScope scope(&dialogs);
    TDM dm(config, dir / "bin/");
    ASSERT_NO_THROW(dm.ReadDocNotSended2KSEF());
    EXPECT_EQ(dialogs.Asked().size(), c.Answers.size());
    std::string xml;
    for (char ch : ReadFile(dir / "ksef/Export/0-2026-1-1.xml"))
      if (ch != '\t' && ch != '\n' && ch != '\r') xml += ch;
    for (const std::string& p : c.Present) EXPECT_TRUE(Has(xml, p)) << p << "\n" << xml;
    for (const std::string& p : c.Absent) EXPECT_FALSE(Has(xml, p)) << p << "\n" << xml;
    EXPECT_EQ(ValidateFa3File(dir / "ksef/Export/0-2026-1-1.xml", Fa3SchemaDir()),
              std::vector<std::string>{});
  }
}

TEST_F(ExportMappingTest, DomesticBuyerWithoutIdentifierDeclinedEndsTheRun) {
  Site.Docs = PendingInvoices(1);
  Site.Customers[0].Nip.clear();
  Build();
  Dialogs.Answer(TModalResult::mrNo);
  EXPECT_EQ(Run().rfind("Wczytywanie przerwano na dokumencie ", 0), 0u);
  EXPECT_TRUE(ExportFiles().empty());
  EXPECT_EQ(RegisterMark(Dir.Path(), 0, 1), "");
}

// A foreign buyer whose country the record does not name never becomes a
// Polish one: the question's "Tak" holds that document back and the run goes
// on, "Nie" (the default) stops it there; a Polish NIP asks nothing.
TEST_F(ExportMappingTest, ForeignBuyerWithoutACountryIsAskedAbout) {
  struct Case {
    const char* What;
    int Type, Options;
    const char* City;
    const char* Nip;
    std::vector<TModalResult> Answers;
    bool Exported, Stopped;
  } cases[] = {
      {"intra-EU supply, Tak", 22, 2, "Wien", "", {TModalResult::mrYes}, false, false},
      {"export, Nie stops the run", 2, 2, "Oslo", "", {TModalResult::mrNo}, false, true},
      {"foreign tax id, Tak", 0, 1, "Oslo", "NO123456789MVA", {TModalResult::mrYes}, false, false},
      {"a Polish NIP abroad asks nothing", 0, 1, "Oslo", "725-180-11-26", {}, true, false},
      {"the country named", 22, 2, "Wien, Austria", "ATU12345678", {}, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.What);
    TTempDir dir;
    TConfig config{dir / "site.ini"};
    config.PodatnikInfo.PrefiksPodatnika = "PL";
    TExportSite site;
    site.Docs = PendingInvoices(2);
    site.Docs[0].Type = c.Type;
    site.Docs[1].Type = c.Type;
    site.Docs[1].User = 2;  // a domestic buyer after it
    site.Customers[0].Options = c.Options;
    site.Customers[0].City = c.City;
    site.Customers[0].Nip = c.Nip;
    TSiteCustomer home;
    home.Number = 2;
    site.Customers.push_back(home);
    site.Build(dir.Path(), config);
    TScriptedDialogs dialogs;
    for (TModalResult a : c.Answers) dialogs.Answer(a);
    TDialogsScope scope(&dialogs);
    TDM dm(config, dir / "bin/");
    std::string stopped;
    try {
      dm.ReadDocNotSended2KSEF();
    } catch (const EAbort& e) {
      stopped = e.what();
    }
    ASSERT_EQ(dialogs.Asked().size() >= c.Answers.size(), true);
    if (!c.Answers.empty()) {
      const std::string& q = dialogs.Asked()[0].Text;
      EXPECT_EQ(q.rfind("Nie rozpoznano kraju nabywcy Przedsiębiorstwo Handlowe Mazur Sp. j. na "
                        "dokumencie FV 1/2026",
                        0),
                0u)
          << q;
      EXPECT_NE(q.find("Tak – pomiń ten dokument"), std::string::npos) << q;
    }
    auto exported = [&](int number) {
      const TInvoKey key{static_cast<std::int16_t>(c.Type), 2026, 1,
                         static_cast<std::int16_t>(number)};
      return std::filesystem::exists(dir / ("ksef/Export/" + InvoKeyToText(key) + ".xml"));
    };
    EXPECT_EQ(exported(1), c.Exported);
    EXPECT_EQ(RegisterMark(dir.Path(), c.Type, 1), c.Exported ? "-" : "");
    EXPECT_EQ(!stopped.empty(), c.Stopped) << stopped;
    // The domestic buyer's document after it goes, unless the run stopped.
    EXPECT_EQ(exported(2), !c.Stopped);
  }
}

TEST_F(ExportMappingTest, UsersLayoutRecipientOnlyWhenItDiffersOrHasAnInternalId) {
  Site.Docs = PendingInvoices(2);
  Site.Docs[1].User = 2;
  Site.Payers = {TSitePayer{}};
  TSiteCustomer same;  // the payer's own data
  same.PayerNumber = 10;
  same.Address = "ul. Piotrkowska 148";
  TSiteCustomer branch = same;
  branch.Number = 2;
  branch.Nip3IdWew = "7251801126-00001";
  Site.Customers = {same, branch};
  Build();
  EXPECT_EQ(Run(), "");
  const std::string first = ExportedXml("0-2026-1-1");
  EXPECT_TRUE(Has(first, "<AdresL1>ul. Piotrkowska 148  90-063 Łódź</AdresL1>")) << first;
  EXPECT_FALSE(Has(first, "<Podmiot3>")) << first;
  const std::string second = ExportedXml("0-2026-1-2");
  EXPECT_TRUE(Has(second, "<Podmiot3><DaneIdentyfikacyjne><IDWew>7251801126-00001</IDWew>"))
      << second;
  EXPECT_TRUE(Has(second, "<Rola>2</Rola>")) << second;
  ExpectAllValid();
}

TEST_F(ExportMappingTest, HeadOfFaFromTheDocumentAndItsRegisterEntry) {
  Site.Docs = PendingInvoices(4);
  auto& eur = Site.Docs[0];  // currency from the document's options
  eur.Options = 16384;
  eur.RegFlags = 128;  // split payment
  eur.SaleDate = "2026-04-06";
  auto& wdt = Site.Docs[1];
  wdt.Type = 22;
  wdt.IntlId = "EUR";
  wdt.User = 2;
  wdt.Value22 = wdt.Tax22 = 0;
  wdt.Value0 = 150;
  wdt.Value = 150;
  wdt.Lines[0].Vat = 0;
  wdt.Lines[0].Price = 150;  // in EUR: the lines rebuild the totals
  wdt.Lines[0].Cost = 4.25;
  auto& related = Site.Docs[2];
  related.User = 3;
  related.NPO = 80;
  related.Value = 203;
  auto& wz = Site.Docs[3];
  wz.Number = 4;
  Site.DescriptionRows = {{{0, 2026, 1, 4, -1}, "WZ 311/2026"}};
  TSiteCustomer eu;
  eu.Number = 2;
  eu.Options = 3;
  eu.City = "Berlin";
  eu.Nip = "DE123456789";
  eu.Name = "Müller Werkzeuge GmbH";
  TSiteCustomer sister;
  sister.Number = 3;
  sister.ExtOpt = 16;  // related to the seller
  Site.Customers.push_back(eu);
  Site.Customers.push_back(sister);
  Build();
  EXPECT_EQ(Run(), "");
  const std::string a = ExportedXml("0-2026-1-1");
  EXPECT_TRUE(Has(a,
                  "<KodWaluty>EUR</KodWaluty><P_1>2026-04-08</P_1><P_2>FV 1/2026</P_2>"
                  "<P_6>2026-04-06</P_6><P_13_1>100</P_13_1><P_14_1>23</P_14_1>"
                  "<P_14_1W>23</P_14_1W><P_15>123</P_15>"))
      << a;
  EXPECT_TRUE(Has(a, "<P_18A>1</P_18A>")) << a;
  const std::string b = ExportedXml("22-2026-1-2");
  EXPECT_TRUE(Has(b, "<P_13_6_2>150</P_13_6_2><P_15>150</P_15>")) << b;
  EXPECT_FALSE(Has(b, "P_13_1")) << b;
  EXPECT_FALSE(Has(b, "P_6")) << b;
  const std::string c = ExportedXml("0-2026-1-3");
  EXPECT_TRUE(Has(c, "<P_13_8>80</P_13_8>")) << c;  // np I: the buyer is Polish
  EXPECT_TRUE(Has(c, "</RodzajFaktury><TP>1</TP>")) << c;
  EXPECT_FALSE(Has(c, "P_14_1W")) << c;
  const std::string d = ExportedXml("0-2026-1-4");
  EXPECT_TRUE(Has(d, "<P_2>FV 4/2026</P_2><WZ>WZ 311/2026</WZ><P_13_1>")) << d;
  ExpectAllValid();
}

namespace {

const std::string kMasterNumber = "5265877635-20260406-0100001AF629-A4";

// The corrected invoice 0-2026-1-118 of 2026-04-06 and its correction 1-2026-1-7.
std::vector<TSiteDoc> CorrectionDocs() {
  TSiteDoc original;
  original.Number = 118;
  original.Name = "FV 118/2026";
  original.Date = "2026-04-06 09:00:00";
  original.SaleDate = "2026-04-06";
  original.KSeF = kMasterNumber;
  TSiteDoc correction;
  correction.Type = 1;
  correction.Number = 7;
  correction.Name = "KOR 7/2026";
  correction.Comment = "Zwrot uszkodzonego towaru";
  correction.MasterYear = 2026;
  correction.MasterMagId = 1;
  correction.MasterNumber = 118;
  correction.Value = -123;
  correction.Value22 = -100;
  correction.Tax22 = -23;
  correction.Lines[0].Quantity = -1;
  return {original, correction};
}

// The file the connector filed for the original, exported from a site where
// the original was still pending and the buyer lived at oldAddress.
std::string SentOriginal(const std::string& oldAddress) {
  TTempDir dir;
  TConfig config{dir / "site.ini"};
  TExportSite site;
  site.Docs = {CorrectionDocs()[0]};
  site.Docs[0].KSeF.clear();
  site.Customers[0].Address = oldAddress;
  site.Build(dir.Path(), config);
  TDM dm(config, dir / "bin/");
  dm.ReadDocNotSended2KSEF();
  return ReadFile(dir / "ksef/Export/0-2026-1-118.xml");
}

}  // namespace

TEST_F(ExportMappingTest, CorrectionOfASentInvoiceFoundInTheMonthAfter) {
  Site.Docs = CorrectionDocs();
  Build();
  WriteFile(Dir / ("ksef/Sent/2026-05/0-2026-1-118_" + kMasterNumber + ".xml"),
            SentOriginal("ul. Zgierska 2"));
  EXPECT_EQ(Run(), "");
  EXPECT_EQ(ExportFiles(), std::vector<std::string>{"1-2026-1-7.xml"});
  const std::string x = ExportedXml("1-2026-1-7");
  EXPECT_TRUE(Has(x,
                  "<RodzajFaktury>KOR</RodzajFaktury><PrzyczynaKorekty>Zwrot uszkodzonego "
                  "towaru</PrzyczynaKorekty><DaneFaKorygowanej><DataWystFaKorygowanej>2026-04-06"
                  "</DataWystFaKorygowanej><NrFaKorygowanej>FV 118/2026</NrFaKorygowanej>"
                  "<NrKSeF>1</NrKSeF><NrKSeFFaKorygowanej>" +
                      kMasterNumber + "</NrKSeFFaKorygowanej></DaneFaKorygowanej><Podmiot2K>"))
      << x;
  // Only the buyer's address changed: the old buyer, no old seller.
  EXPECT_TRUE(Has(x, "<AdresL1>ul. Zgierska 2  90-063 Łódź</AdresL1></Adres></Podmiot2K>")) << x;
  EXPECT_FALSE(Has(x, "<Podmiot1K>")) << x;
  EXPECT_FALSE(Has(x, "Opis na fakturze")) << x;
  ExpectAllValid();
}

namespace {

// One site of the test's own, exported once: its files, boxes and warnings.
struct TSiteRun {
  explicit TSiteRun(const TExportSite& site, const std::function<void(TConfig&)>& settings = {}) {
    site.Build(Dir.Path(), Config);
    if (settings) settings(Config);
    TDM dm(Config, Dir / "bin/");
    try {
      dm.ReadDocNotSended2KSEF();
    } catch (const std::exception& e) {
      Failure = e.what();
    }
  }
  ~TSiteRun() { SetOperatorLog(nullptr); }
  std::string Xml(const std::string& key) {
    const std::string path = Dir / ("ksef/Export/" + key + ".xml");
    if (!FileExists(path)) return "";
    std::string xml;
    for (char ch : ReadFile(path))
      if (ch != '\t' && ch != '\n' && ch != '\r') xml += ch;
    EXPECT_EQ(ValidateFa3File(path, Fa3SchemaDir()), std::vector<std::string>{}) << key;
    return xml;
  }
  std::vector<std::string> Boxes() const {
    std::vector<std::string> t;
    for (const auto& r : Dialogs.Asked()) t.push_back(r.Text);
    return t;
  }
  std::vector<std::string> Warnings() const {
    std::vector<std::string> w;
    for (size_t i = 0; i < Log.Lines.size(); ++i)
      if (Log.Levels[i] == llWarn) w.push_back(Log.Lines[i].substr(Log.Lines[i].find("  ") + 2));
    return w;
  }

  TTempDir Dir;
  TConfig Config{Dir / "site.ini"};
  TCapturedLog Log;
  bool LogSet = (SetOperatorLog(&Log), true);
  TScriptedDialogs Dialogs;
  TDialogsScope Scope{&Dialogs};
  std::string Failure;
};

}  // namespace

// The corrected invoice's sent file is not where it is searched (filed two
// months later): the register entry of the corrected document decides.
TEST(ExportCorrections, WithoutTheSentFileTheRegistersKsefNumberDecides) {
  const std::string outside =
      "<DaneFaKorygowanej><DataWystFaKorygowanej>2026-04-02</DataWystFaKorygowanej>"
      "<NrFaKorygowanej>FV 118/2026</NrFaKorygowanej><NrKSeFN>1</NrKSeFN></DaneFaKorygowanej>";
  auto malformed = [](const std::string& mark) {
    return std::vector<std::string>{
        "Korekta KOR 7/2026: wpis rejestru faktury korygowanej FV 118/2026 ma w polu KSeF \"" +
        mark +
        "\", co nie jest numerem KSeF; faktura korygowana oznaczona jako wystawiona "
        "poza KSeF"};
  };
  const std::string badCheck = "5265877635-20260406-0100001AF629-AF";
  const std::string lowerCase = "5265877635-20260406-0100001af629-A4";
  const std::string body = "5265877635-20260406-0100001AF629-";
  const std::string otherBody = "7251801126-20260406-0100001AF629-";
  const std::string otherSeller = otherBody + ksef::KsefCheckCode(otherBody.substr(0, 32));
  auto asked = [](const std::string& mark, const std::string& problem) {
    return "Korekta KOR 7/2026: numer KSeF faktury korygowanej FV 118/2026 (" + mark +
           ", z rejestru) " + problem;
  };
  struct TCase {
    std::string Mark;
    std::string Corrected;
    std::vector<std::string> Warnings;
    std::string Question = {};  // the question's beginning; the default answer stops the run
  } cases[] = {
      {kMasterNumber,
       "<DaneFaKorygowanej><DataWystFaKorygowanej>2026-04-02</DataWystFaKorygowanej>"
       "<NrFaKorygowanej>FV 118/2026</NrFaKorygowanej><NrKSeF>1</NrKSeF><NrKSeFFaKorygowanej>" +
           kMasterNumber + "</NrKSeFFaKorygowanej></DaneFaKorygowanej>",
       {"Korekta KOR 7/2026: nie znaleziono wysłanego pliku faktury korygowanej FV 118/2026; "
        "użyto numeru KSeF z rejestru: " +
        kMasterNumber}},
      // Never sent and before the window: named.
      {"", outside,
       {"1 dokument sprzed 2026-04-05 nie został wysłany do KSeF: FV 118/2026. Aby go wysłać, "
        "zwiększ DaysBackToSend w sekcji [KSeF] pliku ini."}},
      {badCheck, "", {}, asked(badCheck, "ma błędną sumę kontrolną")},
      {lowerCase, "", {}, asked(lowerCase, "ma błędną sumę kontrolną")},
      {otherSeller, "", {}, asked(otherSeller, "nie zaczyna się od NIP sprzedawcy")},
      {"wysłano", outside, malformed("wysłano")},
      // Exported, its number not yet written back: the correction waits for it,
      // counted among the refused.
      {"-", "", {"Kontrola przed wysyłką: 0 plików przekazanych do wysyłki, odrzucono 1 dokument "
                 "(folder błędów Errors)"}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE("KSeF \"" + c.Mark + "\"");
    TExportSite site;
    site.Docs = CorrectionDocs();
    site.Docs[0].KSeF = c.Mark;
    site.Docs[0].Date = "2026-04-02 09:00:00";  // outside the window: never exported here
    site.Docs[0].SaleDate = "2026-04-02";
    TSiteRun run(site, [](TConfig& config) {
      WriteFile(config.KsefDataDir() + "Sent/2026-06/0-2026-1-118_" + kMasterNumber + ".xml",
                SentOriginal("ul. Zgierska 2"));
    });
    const std::string x = run.Xml("1-2026-1-7");
    EXPECT_EQ(run.Warnings(), c.Warnings);
    if (!c.Question.empty()) {
      EXPECT_EQ(run.Failure, "Wczytywanie przerwano na dokumencie KOR 7/2026");
      EXPECT_EQ(x, "");
      EXPECT_EQ(RegisterMark(run.Dir.Path(), 1, 7), "");
      ASSERT_EQ(run.Boxes().size(), 1u);
      EXPECT_EQ(run.Boxes()[0].rfind(c.Question, 0), 0u) << run.Boxes()[0];
      continue;
    }
    EXPECT_EQ(run.Failure, "");
    if (c.Corrected.empty()) {
      EXPECT_EQ(x, "");
      EXPECT_EQ(RegisterMark(run.Dir.Path(), 1, 7), "");
      EXPECT_EQ(run.Boxes(),
                std::vector<std::string>{
                    "Korekta KOR 7/2026: faktura korygowana FV 118/2026 czeka na numer KSeF (w "
                    "rejestrze \"-\"). Korekty nie wygenerowano; zostanie wygenerowana po "
                    "zapisaniu numeru KSeF faktury korygowanej (Odbierz z KSEF)."});
      continue;
    }
    EXPECT_TRUE(Has(x, "</PrzyczynaKorekty>" + c.Corrected + "<FaWiersz>")) << x;
    EXPECT_FALSE(Has(x, "<Podmiot2K>")) << x;
    EXPECT_EQ(RegisterMark(run.Dir.Path(), 1, 7), "-");
    EXPECT_TRUE(run.Boxes().empty());
  }
}

// Exempt supply names its legal basis from [Zwolnienie]; without one the
// document gets no file and no mark, the run says why and goes on.
TEST(ExportAnnotations, ExemptSupplyTakesItsBasisOrIsRefused) {
  TExportSite site;
  site.Docs = PendingInvoices(2, 122);
  TSiteDoc& exempt = site.Docs[0];
  exempt.Value22 = exempt.Tax22 = 0;
  exempt.ValueFree = exempt.Value = 450;
  exempt.Lines[0].Vat = -1;
  exempt.Lines[0].Price = 450;
  const std::string act = "art. 43 ust. 1 pkt 29 lit. a ustawy o VAT";
  const std::string other = "§ 3 ust. 1 pkt 1 rozporządzenia Ministra Finansów";
  struct TCase {
    const char* Title;
    TZwolnienieBasis Basis;
    std::string Zwolnienie;  // empty: refused
  } cases[] = {
      {"act", {act, "", other}, "<P_19>1</P_19><P_19A>" + act + "</P_19A>"},
      {"other basis", {"", " ", other}, "<P_19>1</P_19><P_19C>" + other + "</P_19C>"},
      {"none", {}, ""},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Title);
    TSiteRun run(site, [&](TConfig& config) {
      config.ZwolnienieP_19A = c.Basis.P_19A;
      config.ZwolnienieP_19B = c.Basis.P_19B;
      config.ZwolnienieP_19C = c.Basis.P_19C;
    });
    EXPECT_EQ(run.Failure, "");
    const std::string x = run.Xml("0-2026-1-122");
    if (c.Zwolnienie.empty()) {
      EXPECT_EQ(x, "");
      EXPECT_EQ(RegisterMark(run.Dir.Path(), 0, 122), "");
      ASSERT_EQ(run.Boxes().size(), 1u);
      EXPECT_EQ(run.Boxes()[0].rfind("Dokument FV 122/2026 ma pozycje zwolnione", 0), 0u)
          << run.Boxes()[0];
    } else {
      EXPECT_TRUE(Has(x, "<P_13_7>450</P_13_7><P_15>450</P_15><Adnotacje>")) << x;
      EXPECT_TRUE(Has(x, "</P_18A><Zwolnienie>" + c.Zwolnienie + "</Zwolnienie>")) << x;
      EXPECT_EQ(RegisterMark(run.Dir.Path(), 0, 122), "-");
      EXPECT_TRUE(run.Boxes().empty());
    }
    EXPECT_TRUE(Has(run.Xml("0-2026-1-123"), "<Zwolnienie><P_19N>1</P_19N></Zwolnienie>"));
    EXPECT_EQ(RegisterMark(run.Dir.Path(), 0, 123), "-");
  }
}

// P_18A as the run writes it: the register's flag, or above 15 000 zł gross
// (a foreign total converted at the lines' rate) with an annex 15 line
// (goods H 801) for a buyer with a NIP.
TEST(ExportAnnotations, SplitPaymentByTheRegisterOrTheLaw) {
  TExportSite site;
  site.Docs = PendingInvoices(5);
  auto annex15 = [](TSiteDoc& d, double gross) {
    d.Lines[0].Group = "H";
    d.Lines[0].Index = 801;
    d.Lines[0].Price = gross;
    d.Value = gross;
  };
  annex15(site.Docs[0], 15000.00);  // not above
  annex15(site.Docs[1], 15000.01);
  site.Docs[2].RegFlags = 128;  // 123 zł, the register says so
  // 4428,00 EUR (net 3600,00, VAT 828,00) x 4,2587 = 18 857,52 zł
  annex15(site.Docs[3], 4428);
  site.Docs[3].IntlId = "EUR";
  site.Docs[3].Lines[0].Cost = 4.2587;
  // 20 000,00 zł of goods outside annex 15
  site.Docs[4].Value = site.Docs[4].Lines[0].Price = 20000;
  TSiteRun run(site);
  EXPECT_EQ(run.Failure, "");
  const char* expected[] = {"2", "1", "1", "1", "2"};
  for (int n = 1; n <= 5; ++n) {
    const std::string x = run.Xml("0-2026-1-" + std::to_string(n));
    EXPECT_TRUE(Has(x, std::string("<P_18A>") + expected[n - 1] + "</P_18A>")) << n << ": " << x;
  }
  EXPECT_TRUE(Has(run.Xml("0-2026-1-4"), "<P_15>4428</P_15>"));
}

TEST_F(ExportMappingTest, CorrectionFailuresNameWhatIsMissing) {
  Site.Docs = CorrectionDocs();
  Site.Docs[1].MasterYear = 2025;  // last year's table
  Build();
  EXPECT_EQ(Run(), "Brak MasterInvoKey (0-2025-1-118) w tabeli: " + Dir / "stelmar/DATA/2026WI");
  EXPECT_TRUE(ExportFiles().empty());

  Site.Docs[1].MasterYear = 2026;
  TTempDir other;
  TConfig config{other / "site.ini"};
  Site.Build(other.Path(), config);
  const std::string sent = other / ("ksef/Sent/2026-04/0-2026-1-118_" + kMasterNumber + ".xml");
  std::string text = SentOriginal("ul. Zgierska 2");
  const auto p2 = text.find("<P_2>FV 118/2026</P_2>");
  ASSERT_NE(p2, std::string::npos);
  WriteFile(sent, text.replace(p2, 22, "<P_2> </P_2>"));
  TDM dm(config, other / "bin/");
  try {
    dm.ReadDocNotSended2KSEF();
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(std::string(e.what()), "Brak Fa/P_2 w pliku XML: " + sent);
  }
  EXPECT_EQ(RegisterMark(other.Path(), 1, 7), "");
}
