#include <gtest/gtest.h>

#include "MappingSite.h"
#include "support/DocumentRules.h"
#include "warehouse/FaPayment.h"
#include "warehouse/RateTotals.h"

using namespace brenvik;
using namespace brenvik::testing;
using namespace brenvik::testing::mapping;

namespace {

// The DodatkowyOpis entries of Fa, each as its children, separated by " / ".
std::string Descriptions(const IXMLFaktura_Fa& fa) {
  std::string out;
  for (int i = 0; i < fa->DodatkowyOpis()->Count(); ++i) {
    if (!out.empty()) out += " / ";
    out += Children(*fa->DodatkowyOpis()->Items(i));
  }
  return out;
}

const TRachunekBankowyConfig MainAccount{"PL61109010140000071219812874", "WBKPPLPP", 1,
                                         "Santander Bank Polska", "Rachunek główny"};
const TRachunekBankowyConfig SecondAccount{"61109010140000071219812875", "", 0, "", ""};

}  // namespace

TEST(FaDescriptions, EntriesOfCarCommentAndDescriptionRows) {
  struct Case {
    const char* What;
    int Type, CarId;
    const char* Comment;
    const char* Expected;
  } cases[] = {
      {"car found", 0, 3, "", "Klucz=Nr rejestracyjny samochodu | Wartosc=KR 12345"},
      {"car missing", 0, 4, "", ""},
      {"car without a number", 0, 5, "", ""},
      {"comment of an invoice", 0, 0, "Zamówienie nr ZK/44/2026",
       "Klucz=Opis na fakturze | Wartosc=Zamówienie nr ZK/44/2026"},
      {"blank comment", 0, 0, "   ", ""},
      {"comment of a correction is its reason", 1, 0, "Zwrot towaru", ""},
      {"all in order", 0, 3, "Pilne",
       "Klucz=Nr rejestracyjny samochodu | Wartosc=KR 12345 / Klucz=Opis na fakturze | "
       "Wartosc=Pilne"},
  };
  TSiteContent content;
  int n = 0;
  for (const Case& c : cases) {
    TSiteDoc d;
    d.Type = c.Type;
    d.Number = ++n;
    d.CarId = c.CarId;
    d.Comment = c.Comment;
    content.Docs.push_back(d);
  }
  content.Cars = {{1, 3, "KR 12345"}, {2, 4, "WA 0001"}, {1, 5, ""}};
  TExportSite site;
  site.Build(content.Json());
  site.Open();
  n = 0;
  for (const Case& c : cases) {
    const TInvoKey key = site.Stand(c.Type, ++n);
    IXMLFaktura f = site.NewInvoice(key);
    site.DM->AddDodatkowyOpis(f->Fa(), key);
    EXPECT_EQ(Descriptions(f->Fa()), c.Expected) << c.What;
  }
  site.Stand(0, 1);
  EXPECT_EQ(site.DM->GetCarNrRej(1, 3), "KR 12345");
  EXPECT_EQ(site.DM->GetCarNrRej(1, 9), "");
}

TEST(FaDescriptions, RowsOfTheDescriptionTable) {
  TSiteContent content;
  TSiteDoc d;
  d.Comment = "Pilne";
  TSiteDoc other = d;
  other.Number = 2;
  content.Docs = {d, other};
  content.Descs = {{0, 1, -1, "WZ 17/2026"},
                   {0, 1, 0, "Dostawa na budowę"},
                   {0, 1, 2, "Kolor RAL 9010"},
                   {0, 1, 3, "  "},
                   {0, 2, 1, "Inny dokument"}};
  TExportSite site;
  site.Build(content.Json());
  site.Open();
  const TInvoKey key = site.Stand(0, 1);
  IXMLFaktura f = site.NewInvoice(key);
  site.DM->AddDodatkowyOpis(f->Fa(), key);
  site.DM->AddDodatkowyOpisFromInvoDesc(f->Fa());
  EXPECT_EQ(Descriptions(f->Fa()),
            "Klucz=Opis na fakturze | Wartosc=Pilne / "
            "Klucz=Dodatkowy opis na fakturze | Wartosc=Dostawa na budowę / "
            "NrWiersza=2 | Klucz=Pozycja: 2 | Wartosc=Kolor RAL 9010");
}

TEST(FaDescriptions, AbsentOptionalTablesGiveNoEntries) {
  TSiteContent content;
  TSiteDoc d;
  d.CarId = 3;
  content.Docs = {d};
  content.Optional = false;
  TExportSite site;
  site.Build(content.Json());
  site.Open();
  ASSERT_FALSE(site.DM->UsrCarsExists);
  ASSERT_FALSE(site.DM->InvoDescExists);
  const TInvoKey key = site.Stand(0, 1);
  IXMLFaktura f = site.NewInvoice(key);
  site.DM->AddDodatkowyOpis(f->Fa(), key);
  site.DM->AddDodatkowyOpisFromInvoDesc(f->Fa());
  EXPECT_FALSE(f->Fa()->HasChild("DodatkowyOpis"));
}

// In the Users layout the payer's comments come under the configured key.
TEST(FaDescriptions, PayersCommentsInTheUsersLayout) {
  TExportSite site;
  site.Build(ReadFile(SourceDir() + "/tests/data/stelmar-users.json"));
  site.Config.CmrAttachUsrComments = "Uwagi płatnika";
  site.Open();
  ASSERT_TRUE(site.DM->UsersTableExists);
  TInvoKey key = site.Stand(0, 201);
  IXMLFaktura f = site.NewInvoice(key);
  site.DM->AddDodatkowyOpis(f->Fa(), key);
  EXPECT_EQ(Descriptions(f->Fa()),
            "Klucz=Uwagi płatnika | Wartosc=Dostawy wyłącznie w godzinach 7–10");

  key = site.Stand(0, 202);  // a payer without comments
  f = site.NewInvoice(key);
  site.DM->AddDodatkowyOpis(f->Fa(), key);
  EXPECT_EQ(Descriptions(f->Fa()), "");

  site.Config.CmrAttachUsrComments = "";
  key = site.Stand(0, 201);
  f = site.NewInvoice(key);
  site.DM->AddDodatkowyOpis(f->Fa(), key);
  EXPECT_EQ(Descriptions(f->Fa()), "");
  site.DM->CloseExportTables();
}

TEST(FaSettlement, PackagingChargesGoToRozliczenie) {
  TSiteContent content;
  TSiteDoc d;
  d.Value22 = 100;
  d.Tax22 = 23;
  d.Value = 123;
  TSiteDoc negative = d;
  negative.Type = 1;
  negative.Number = 2;
  negative.Value22 = -100;
  negative.Tax22 = -23;
  negative.Value = -123;
  content.Docs = {d, negative};
  content.Lines = {{0, 1, 1, "A", 1, 123, 1, 23, 0},
                   {0, 1, 2, "O", 1, 45, 2.5, 23, 0},
                   {0, 1, 3, "O", 2, 3.499, 3, 23, 0},
                   {1, 2, 1, "A", 1, 123, -1, 23, 0},
                   {1, 2, 2, "O", 1, 45, -1, 23, 0}};
  content.Goods = {{"A", 1, "Cement", "worek", 0, 0},
                   {"O", 1, "Paleta EUR", "szt.", 0, 0},
                   {"O", 2, "Karton zbiorczy duży z przegrodami i wkładką", "szt.", 0, 0}};
  TExportSite site;
  site.Build(content.Json());
  site.Config.CmrPacking = true;
  site.Open();
  TInvoKey key = site.Stand(0, 1);
  IXMLFaktura f = site.NewInvoice(key);
  site.MapRest(f, key);
  auto fa = f->Fa();
  auto charges = fa->Rozliczenie()->Obciazenia();
  ASSERT_EQ(charges->Count(), 2);
  EXPECT_EQ(Children(*charges->Items(0)),
            "Kwota=112.5 | Powod=Paleta EUR" + std::string(30, ' ') + "  Cena: 45.00  Ilość: 2");
  // The price is not rounded before the charge; the name is never cut.
  EXPECT_EQ(
      Children(*charges->Items(1)),
      "Kwota=10.5 | Powod=Karton zbiorczy duży z przegrodami i wkładką  Cena: 3.50  Ilość: 3");
  EXPECT_EQ(Children(*fa->Rozliczenie()),
            "Obciazenia | Obciazenia | SumaObciazen=123 | DoZaplaty=246");
  EXPECT_EQ(FaTotal(fa, "P_15"), 123);  // the charges stay outside the amount due
  EXPECT_EQ(fa->FaWiersz()->Count(), 1);
  std::string tail;
  for (xmlNodePtr c = fa->Node()->last; c; c = c->prev)
    if (c->type == XML_ELEMENT_NODE) {
      tail = std::string(reinterpret_cast<const char*>(c->name)) + (tail.empty() ? "" : " ") + tail;
      if (tail.rfind("FaWiersz", 0) == 0) break;
    }
  EXPECT_EQ(tail, "FaWiersz Rozliczenie Platnosc");

  // A sum that is not positive writes the charges without sum and amount.
  key = site.Stand(1, 2);
  f = site.NewInvoice(key);
  site.MapRest(f, key);
  EXPECT_EQ(Children(*f->Fa()->Rozliczenie()), "Obciazenia");
  EXPECT_FALSE(f->Fa()->HasChild("Platnosc"));
  EXPECT_EQ(site.Validate(f, "negative"), std::vector<std::string>{});
}

namespace {

struct TPaymentCase {
  const char* What;
  int Type, Flags, PayInfo, PayDelay;
  double Value;          // P_15
  const char* SaleDate;  // "" : null
  const char* Expected;  // children of Platnosc; "" : no Platnosc
};

const TPaymentCase PaymentCases[] = {
    {"nothing due", 0, 0, 2, 14, 0, "2026-04-08", ""},
    {"negative amount", 1, 0, 2, 14, -50, "2026-04-08", ""},
    {"cash at sale", 0, 0, 0, 0, 100, "2026-04-07",
     "Zaplacono=1 | DataZaplaty=2026-04-07 | FormaPlatnosci=1"},
    {"card at sale", 0, 0, 1, 0, 100, "2026-04-07",
     "Zaplacono=1 | DataZaplaty=2026-04-07 | FormaPlatnosci=2"},
    {"transfer with term", 0, 0, 2, 14, 100, "2026-04-08",
     "TerminPlatnosci | FormaPlatnosci=6 | RachunekBankowy | RachunekBankowy"},
    {"card with term", 0, 0, 1, 7, 100, "2026-04-08",
     "TerminPlatnosci | FormaPlatnosci=2 | RachunekBankowy | RachunekBankowy"},
    {"type 23 is paid at sale", 23, 0, 2, 14, 100, "2026-04-06",
     "Zaplacono=1 | DataZaplaty=2026-04-06 | FormaPlatnosci=6"},
    {"type 53 is paid at sale", 53, 0, 3, 14, 100, "2026-04-06",
     "Zaplacono=1 | DataZaplaty=2026-04-06 | PlatnoscInna=1 | OpisPlatnosci=inna forma płatności"},
    {"paid flag", 0, 4, 2, 14, 100, "2026-04-06",
     "Zaplacono=1 | DataZaplaty=2026-04-06 | FormaPlatnosci=6"},
    {"other form", 0, 0, 3, 21, 100, "2026-04-08",
     "TerminPlatnosci | PlatnoscInna=1 | OpisPlatnosci=inna forma płatności | RachunekBankowy | "
     "RachunekBankowy"},
    {"cash on delivery", 0, 0, 4, 3, 100, "2026-04-08",
     "TerminPlatnosci | PlatnoscInna=1 | OpisPlatnosci=za pobraniem | RachunekBankowy | "
     "RachunekBankowy"},
    {"prepayment without term", 0, 0, 5, 0, 100, "2026-04-08",
     "TerminPlatnosci | PlatnoscInna=1 | OpisPlatnosci=przedpłata | RachunekBankowy | "
     "RachunekBankowy"},
    {"unknown form", 0, 0, 9, 10, 100, "2026-04-08",
     "TerminPlatnosci | RachunekBankowy | RachunekBankowy"},
    {"paid without a sale date", 0, 0, 0, 0, 100, "",
     "Zaplacono=1 | DataZaplaty=2026-04-08 | FormaPlatnosci=1"},
    // Paid at issue: the payment never comes after P_1 (2026-04-08).
    {"paid at issue, sold later", 0, 0, 0, 0, 100, "2026-04-10",
     "Zaplacono=1 | DataZaplaty=2026-04-08 | FormaPlatnosci=1"},
    {"paid at issue, sold the same day", 0, 0, 0, 0, 100, "2026-04-08",
     "Zaplacono=1 | DataZaplaty=2026-04-08 | FormaPlatnosci=1"},
};

}  // namespace

TEST(FaPayment, PaidAtSaleOrDueDateFormAndAccounts) {
  TSiteContent content;
  int n = 0;
  for (const TPaymentCase& c : PaymentCases) {
    TSiteDoc d;
    d.Type = c.Type;
    d.Number = ++n;
    d.Flags = c.Flags;
    d.PayInfo = c.PayInfo;
    d.PayDelay = c.PayDelay;
    d.Value = c.Value;
    d.SaleDate = c.SaleDate;
    content.Docs.push_back(d);
  }
  TExportSite site;
  site.Build(content.Json());
  site.Config.RachunekBankowy1 = MainAccount;
  site.Config.RachunekBankowy2 = SecondAccount;
  site.Open();
  n = 0;
  for (const TPaymentCase& c : PaymentCases) {
    const TInvoKey key = site.Stand(c.Type, ++n);
    IXMLFaktura f = site.NewInvoice(key);
    site.DM->FillPlatnoscAndStopka(f);
    const bool has = f->Fa()->HasChild("Platnosc");
    EXPECT_EQ(has ? Children(*f->Fa()->Platnosc()) : "", c.Expected) << c.What;
    if (!has) continue;
    auto p = f->Fa()->Platnosc();
    // Due date and term from the issue date (here 2026-04-08).
    if (p->TerminPlatnosci()->Count() == 1) {
      EXPECT_EQ(p->TerminPlatnosci()->Items(0)->Termin(),
                IncDay(EncodeDate(2026, 4, 8), c.PayDelay))
          << c.What;
      EXPECT_EQ(Children(*p->TerminPlatnosci()->Items(0)->TerminOpis()),
                "Ilosc=" + std::to_string(c.PayDelay) +
                    " | Jednostka=dni | ZdarzeniePoczatkowe=od dnia wystawienia faktury")
          << c.What;
    }
    if (p->RachunekBankowy()->Count() == 2) {
      EXPECT_EQ(
          Children(*p->RachunekBankowy()->Items(0)),
          "NrRB=PL61109010140000071219812874 | SWIFT=WBKPPLPP | NazwaBanku=Santander Bank Polska | "
          "OpisRachunku=Rachunek główny");
      EXPECT_EQ(Children(*p->RachunekBankowy()->Items(1)), "NrRB=61109010140000071219812875");
    }
  }
}

TEST(FaPayment, DueDateCountsFromTheIssueDateOfFa) {
  TSiteContent content;
  TSiteDoc d;
  d.Value = 100;
  d.PayInfo = 2;
  d.PayDelay = 14;
  content.Docs = {d};
  TExportSite site;
  site.Build(content.Json());
  site.Config.RachunekBankowy2 = SecondAccount;  // only the second account is set up
  site.Open();
  const TInvoKey key = site.Stand(0, 1);
  IXMLFaktura f = site.NewInvoice(key);
  f->Fa()->SetP_1(EncodeDate(2025, 3, 5));
  site.DM->FillPlatnoscAndStopka(f);
  auto p = f->Fa()->Platnosc();
  EXPECT_EQ(ElementText(*p->TerminPlatnosci()->Items(0), "Termin"), "2025-03-19");
  ASSERT_EQ(p->RachunekBankowy()->Count(), 1);
  EXPECT_EQ(p->RachunekBankowy()->Items(0)->NrRB(), SecondAccount.NrRB);
}

TEST(FaFooter, InformationLinesAndRegisters) {
  struct Case {
    const char* What;
    TStopkaConfig Stopka;
    const char* Expected;  // Stopka's items, each as its children, " / " between; null: no Stopka
  } cases[] = {
      {"nothing", {}, nullptr},
      {"blanks only", {"  ", "", "", "", " ", "", ""}, nullptr},
      {"only Inf2",
       {"", "Dziękujemy za zakupy", "", "", "", "", ""},
       "StopkaFaktury=Dziękujemy za zakupy"},
      {"only KRS", {"", "", "", "", "0000123456", "", ""}, "KRS=0000123456"},
      {"everything",
       {"Linia 1", "Linia 2", "Linia 3", "Hurtownia Brenvik Sp. z o.o.", "0000123456", "123456785",
        "000012345"},
       "StopkaFaktury=Linia 1 / StopkaFaktury=Linia 2 / StopkaFaktury=Linia 3 / "
       "PelnaNazwa=Hurtownia Brenvik Sp. z o.o. | KRS=0000123456 | REGON=123456785 | "
       "BDO=000012345"},
      {"blank information line and REGON",
       {" ", "", "Linia 3", "", "", "123456785", ""},
       "StopkaFaktury=Linia 3 / REGON=123456785"},
  };
  for (const Case& c : cases) {
    IXMLFaktura f = NewFaktura();
    f->Fa()->SetKodWaluty("PLN");
    FillStopka(f, c.Stopka);
    if (!c.Expected) {
      EXPECT_FALSE(f->HasChild("Stopka")) << c.What;
      continue;
    }
    ASSERT_TRUE(f->HasChild("Stopka")) << c.What;
    std::string items;
    auto s = f->Stopka();
    for (int i = 0; i < s->Informacje()->Count(); ++i)
      items += (items.empty() ? "" : " / ") + Children(*s->Informacje()->Items(i));
    for (int i = 0; i < s->Rejestry()->Count(); ++i)
      items += (items.empty() ? "" : " / ") + Children(*s->Rejestry()->Items(i));
    EXPECT_EQ(items, c.Expected) << c.What;
  }
}

// One document with every part of this mapping, through the data module, as
// a whole file that passes the schema.
TEST(FaPayment, WholeInvoiceWithEveryPartValidates) {
  TSiteContent content;
  TSiteDoc d;
  d.CarId = 3;
  d.Comment = "Zamówienie nr ZK/44/2026";
  d.Value22 = 200;
  d.Tax22 = 46;
  d.Value = 246;
  content.Docs = {d};
  content.Lines = {{0, 1, 1, "A", 1, 123, 1, 23, 0},
                   {0, 1, 2, "A", 2, 123, 1, 23, 0},
                   {0, 1, 3, "O", 1, 45, 2.5, 23, 0}};
  content.Goods = {{"A", 1, "Wiertarka", "szt.", 0, 6},
                   {"A", 2, "Klej", "", 8, 0},
                   {"O", 1, "Paleta EUR", "szt.", 0, 0}};
  content.Barcodes = {{"A", 1, "5901234123457"}, {"A", 2, ""}};
  content.Cars = {{1, 3, "KR 12345"}};
  content.Descs = {{0, 1, -1, "WZ 17/2026"}, {0, 1, 0, "Dostawa na budowę"}, {0, 1, 2, "Biały"}};
  TExportSite site;
  site.Build(content.Json());
  site.Config.CmrPacking = true;
  site.Config.RachunekBankowy1 = MainAccount;
  site.Config.Stopka = {"Dziękujemy", "", "", "Hurtownia Brenvik Sp. z o.o.", "0000123456", "", ""};
  site.Open();
  const TInvoKey key = site.Stand(0, 1);
  IXMLFaktura f = site.NewInvoice(key);
  site.MapRest(f, key);
  std::string root;
  for (xmlNodePtr c = f->Node()->children; c; c = c->next)
    if (c->type == XML_ELEMENT_NODE)
      root += std::string(root.empty() ? "" : " ") + reinterpret_cast<const char*>(c->name);
  EXPECT_EQ(root, "Naglowek Podmiot1 Podmiot2 Fa Stopka");
  EXPECT_EQ(f->Fa()->DodatkowyOpis()->Count(), 4);
  EXPECT_EQ(f->Fa()->Rozliczenie()->SumaObciazen(), 112.5);
  EXPECT_EQ(site.Validate(f, "whole"), std::vector<std::string>{});
}
