#include <gtest/gtest.h>

#include "StelmarSite.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "fa3/Fa3Files.h"
#include "fa3/Fa3Validate.h"
#include "fa3/Schemat_FA3.h"
#include "common/TestFiles.h"
#include "common/TestXml.h"
#include "support/Errors.h"
#include "warehouse/FaHeader.h"
#include "warehouse/Parties.h"
#include "warehouse/SentFiles.h"

using namespace brenvik;
using namespace brenvik::testing;

namespace {

TPodatnikInfoConfig Seller() {
  TPodatnikInfoConfig s;
  s.PrefiksPodatnika = "PL";
  s.DaneIdentyfikacyjne.NIP = "5261040828";
  s.DaneIdentyfikacyjne.Nazwa = "Hurtownia Żółw Sp. z o.o.";
  s.Adres.KodKraju = "PL";
  s.Adres.AdresL1 = "ul. Kwiatowa 1";
  s.Adres.AdresL2 = "00-001 Warszawa";
  return s;
}

TBuyerInput DomesticBuyer() {
  TBuyerInput b;
  b.Options = 0;
  b.Record = CustomerRecord("Sklep Alfa", "ul. Polna 2, 00-950 Warszawa", "", "7740001454", "");
  return b;
}

// A new invoice with the header and the seller.
IXMLFaktura StartInvoice() {
  IXMLFaktura f = NewFaktura();
  InitFakturaDocument(f);
  FillNaglowek(f, "Test", [] { return EncodeDateTime(2026, 4, 10, 9, 30, 0); });
  FillPodmiot1(f, Seller());
  return f;
}

// The part of Fa every invoice needs, so that the schema judges the parties.
void FinishInvoice(const IXMLFaktura& f) {
  auto fa = f->Fa();
  fa->SetKodWaluty("PLN");
  fa->SetP_1(EncodeDate(2026, 4, 10));
  fa->SetP_2("FV 1/2026");
  SetTotal(fa, "P_15", 0, true);
  FillAdnotacje(fa, {});
  fa->SetRodzajFaktury("VAT");
}

// The schema's complaints about the saved invoice.
std::vector<std::string> SchemaErrors(const IXMLFaktura& f) {
  TTempDir dir;
  const std::string path = dir / "invoice.xml";
  SaveFaktura(f, path);
  return ValidateFa3File(path, Fa3SchemaDir());
}

std::string Joined(const std::vector<std::string>& v) {
  std::string s;
  for (const auto& e : v) s += e + "\n";
  return s;
}

// ---------------------------------------------------------------- addresses

TEST(WriteAdres, CountryDefaultAndOptionalLines) {
  struct TCase {
    std::string Country, L1, L2, Gln;
    bool DefaultPL;
    std::string Xml;
  } cases[] = {
      {"", "ul. A 1", "", "", true,
       "<Adres><KodKraju>PL</KodKraju><AdresL1>ul. A 1</AdresL1></Adres>"},
      {"DE", "Hauptstr. 5", "", "", true,
       "<Adres><KodKraju>DE</KodKraju><AdresL1>Hauptstr. 5</AdresL1></Adres>"},
      {"PL", "", "", "", true, "<Adres><KodKraju>PL</KodKraju><AdresL1/></Adres>"},
      {"PL", "ul. A 1", "00-001 Warszawa", "5901234123457", true,
       "<Adres><KodKraju>PL</KodKraju><AdresL1>ul. A 1</AdresL1><AdresL2>00-001 Warszawa</AdresL2>"
       "<GLN>5901234123457</GLN></Adres>"},
      {"", "ul. A 1", "", "", false, "<Adres><KodKraju/><AdresL1>ul. A 1</AdresL1></Adres>"},
  };
  for (const auto& c : cases) {
    IXMLFaktura f = NewFaktura();
    auto adres = f->Podmiot2()->Adres();
    WriteAdres(adres, c.Country, c.L1, c.L2, c.Gln, c.DefaultPL);
    EXPECT_EQ(adres->XML(), c.Xml);
  }
}

// ---------------------------------------------------------------- seller

TEST(FillPodmiot1, FullProfileInSchemaOrder) {
  TPodatnikInfoConfig s = Seller();
  s.NrEORI = "PL526104082800000";
  s.Adres.GLN = "5901234123457";
  s.AdresKoresp = {"DE", "Hauptstr. 5", "10115 Berlin", ""};
  s.DaneKontaktowe = {{"biuro@zolw.pl", ""}, {"", ""}, {"", "+48 22 123 45 67"}};
  s.StatusInfoPodatnika = 1;
  IXMLFaktura f = NewFaktura();
  FillPodmiot1(f, s);
  EXPECT_EQ(f->Podmiot1()->XML(),
            "<Podmiot1><PrefiksPodatnika>PL</PrefiksPodatnika>"
            "<NrEORI>PL526104082800000</NrEORI>"
            "<DaneIdentyfikacyjne><NIP>5261040828</NIP>"
            "<Nazwa>Hurtownia Żółw Sp. z o.o.</Nazwa></DaneIdentyfikacyjne>"
            "<Adres><KodKraju>PL</KodKraju><AdresL1>ul. Kwiatowa 1</AdresL1>"
            "<AdresL2>00-001 Warszawa</AdresL2><GLN>5901234123457</GLN></Adres>"
            "<AdresKoresp><KodKraju>DE</KodKraju><AdresL1>Hauptstr. 5</AdresL1>"
            "<AdresL2>10115 Berlin</AdresL2></AdresKoresp>"
            "<DaneKontaktowe><Email>biuro@zolw.pl</Email></DaneKontaktowe>"
            "<DaneKontaktowe><Telefon>+48 22 123 45 67</Telefon></DaneKontaktowe>"
            "<StatusInfoPodatnika>1</StatusInfoPodatnika></Podmiot1>");
}

TEST(FillPodmiot1, LeavesOutWhatTheProfileLacks) {
  TPodatnikInfoConfig s = Seller();
  s.PrefiksPodatnika.clear();
  s.Adres.KodKraju.clear();
  s.DaneKontaktowe = {{"", ""}, {"", ""}};
  s.StatusInfoPodatnika = 0;
  IXMLFaktura f = NewFaktura();
  FillPodmiot1(f, s);
  auto p = f->Podmiot1();
  EXPECT_EQ(ChildNameList(p), (std::vector<std::string>{"DaneIdentyfikacyjne", "Adres"}));
  EXPECT_EQ(p->Adres()->KodKraju(), "PL");
}

TEST(FillPodmiot1, CorrespondenceAddressGetsNoDefaultCountry) {
  TPodatnikInfoConfig s = Seller();
  s.AdresKoresp.AdresL1 = "skr. poczt. 12";
  IXMLFaktura f = NewFaktura();
  FillPodmiot1(f, s);
  ASSERT_TRUE(f->Podmiot1()->HasChild("AdresKoresp"));
  EXPECT_EQ(f->Podmiot1()->AdresKoresp()->XML(),
            "<AdresKoresp><KodKraju/><AdresL1>skr. poczt. 12</AdresL1></AdresKoresp>");
}

// ---------------------------------------------------------------- buyer

struct TBuyerCase {
  const char* Title;
  TBuyerInput In;
  TSaleKind Kind;
  // Identification elements expected, as name and text.
  std::vector<std::pair<std::string, std::string>> Ident;
  std::string Nazwa;
  std::string KodKraju;  // empty: no Adres
  std::string AdresL1;
};

TBuyerInput With(TBuyerInput b, int options, TCustomerData rec) {
  b.Options = options;
  b.Record = std::move(rec);
  return b;
}

std::vector<TBuyerCase> BuyerCases() {
  const TBuyerInput base = DomesticBuyer();
  TBuyerInput payer = base;
  payer.PayerText = "Płatnik Beta Sp. z o.o.; ul. Długa 5, 00-001 Warszawa";
  TBuyerInput payer3 = base;
  payer3.PayerText = "Gamma;ul. Krótka 1;piętro 2";
  TBuyerInput payerPlain = base;
  payerPlain.PayerText = "ul. Inna 9, 30-001 Kraków";
  TBuyerInput usersPayer = base;
  usersPayer.UsersLayout = true;
  usersPayer.PayerText = "Ktoś;ul. Obca 1";
  TBuyerInput payerNoName = base;
  payerNoName.PayerText = " ; ul. Krótka 1";
  TBuyerInput ownSemicolon = base;
  ownSemicolon.Record.Address = "ul. Długa 5; lok. 3  00-001 Warszawa";
  TBuyerInput usersSemicolon = ownSemicolon;
  usersSemicolon.UsersLayout = true;
  TBuyerInput noAddress = base;
  noAddress.Record.Address.clear();
  return {
      {"NIP with branch",
       With(base, 0, CustomerRecord("Sklep Alfa", "ul. Polna 2", "", "7740001454-00001", "")),
       skDomestic,
       {{"NIP", "7740001454"}},
       "Sklep Alfa",
       "PL",
       "ul. Polna 2"},
      {"NIP with another suffix",
       With(base, 0, CustomerRecord("Sklep Alfa", "ul. Polna 2", "", "7740001454-1", "")),
       skDomestic,
       {{"NIP", "7740001454"}},
       "Sklep Alfa",
       "PL",
       "ul. Polna 2"},
      {"domestic number with dashes the reader let through",
       With(base, 0, CustomerRecord("Sklep Alfa", "ul. Polna 2", "", "77-40-00-14-54", "")),
       skDomestic,
       {{"NrID", "77-40-00-14-54"}},
       "Sklep Alfa",
       "PL",
       "ul. Polna 2"},
      {"domestic brak in lower case",
       With(base, 0, CustomerRecord("Sklep Alfa", "ul. Polna 2", "", "brak", "")),
       skDomestic,
       {{"BrakID", "1"}},
       "Sklep Alfa",
       "PL",
       "ul. Polna 2"},
      {"Options 2, foreign identifier with a dash kept whole",
       With(base, 2, CustomerRecord("Swiss AG", "Bahnhofstr. 1", "", "CHE-123.456.789", "")),
       skDomestic,
       {{"NrID", "CHE-123.456.789"}},
       "Swiss AG",
       "PL",
       "Bahnhofstr. 1"},
      {"domestic BRAK",
       With(base, 0, CustomerRecord("Sklep Alfa", "ul. Polna 2", "", "BRAK", "")),
       skDomestic,
       {{"BrakID", "1"}},
       "Sklep Alfa",
       "PL",
       "ul. Polna 2"},
      {"domestic empty",
       With(base, 0, CustomerRecord("Sklep Alfa", "ul. Polna 2", "", "", "")),
       skDomestic,
       {{"BrakID", "1"}},
       "Sklep Alfa",
       "PL",
       "ul. Polna 2"},
      {"domestic number the schema refuses as NIP",
       With(base, 0, CustomerRecord("Sklep Alfa", "ul. Polna 2", "", "0123456789", "")),
       skDomestic,
       {{"NrID", "0123456789"}},
       "Sklep Alfa",
       "PL",
       "ul. Polna 2"},
      // clang-format off
      {"Options 3, EU prefix split off", With(base, 3, CustomerRecord("Müller GmbH", "Hauptstr. 5, 10115 Berlin", "DE", "123456789", "DE")), skIntraEu, {{"KodUE", "DE"}, {"NrVatUE", "123456789"}}, "Müller GmbH", "DE", "Hauptstr. 5, 10115 Berlin"},
      {"Options 1, own country's prefix still in front", With(base, 1, CustomerRecord("Müller GmbH", "Hauptstr. 5", "DE", "DE 123 456 789")), skIntraEu, {{"KodUE", "DE"}, {"NrVatUE", "123456789"}}, "Müller GmbH", "DE", "Hauptstr. 5"},
      {"Greece: ISO GR in the address, EL as the VAT code", With(base, 3, CustomerRecord("Ellinika AE", "Odos 1, Ateny", "GR", "094259216", "EL")), skIntraEu, {{"KodUE", "EL"}, {"NrVatUE", "094259216"}}, "Ellinika AE", "GR", "Odos 1, Ateny"},
      {"Northern Ireland", With(base, 1, CustomerRecord("Belfast Ltd", "1 Main St, Belfast", "XI", "XI123456789")), skIntraEu, {{"KodUE", "XI"}, {"NrVatUE", "123456789"}}, "Belfast Ltd", "XI", "1 Main St, Belfast"},
      {"another state's prefix is no VAT number of this one", With(base, 1, CustomerRecord("Müller GmbH", "Hauptstr. 5", "DE", "ATU12345678")), skExport, {{"KodKraju", "DE"}, {"NrID", "ATU12345678"}}, "Müller GmbH", "DE", "Hauptstr. 5"},
      {"EU buyer without a VAT number", With(base, 2, CustomerRecord("Jan Kowalsky", "Hauptstr. 5", "DE", "")), skExport, {{"BrakID", "1"}}, "Jan Kowalsky", "DE", "Hauptstr. 5"},
      {"Options 2, no identifier", With(base, 2, CustomerRecord("John Smith", "1 High St", "", "", "")), skDomestic, {{"BrakID", "1"}}, "John Smith", "PL", "1 High St"},
      {"Options 2, no country named", With(base, 2, CustomerRecord("Acme Inc.", "5th Ave 1, New York", "", "US123456", "")), skDomestic, {{"NrID", "US123456"}}, "Acme Inc.", "PL", "5th Ave 1, New York"},
      {"United States", With(base, 2, CustomerRecord("Acme Inc.", "5th Ave 1, New York", "US", "12-3456789")), skExport, {{"KodKraju", "US"}, {"NrID", "12-3456789"}}, "Acme Inc.", "US", "5th Ave 1, New York"},
      {"Options 3, GB keeps its letters", With(base, 3, CustomerRecord("Brit Ltd", "1 High St, London", "GB", "GB123456789")), skExport, {{"KodKraju", "GB"}, {"NrID", "GB123456789"}}, "Brit Ltd", "GB", "1 High St, London"},
      {"Options 3, Swiss UID keeps its CH", With(base, 3, CustomerRecord("Swiss AG", "Bahnhofstr. 1, Zürich", "CH", "CHE-109.322.551")), skExport, {{"KodKraju", "CH"}, {"NrID", "CHE-109.322.551"}}, "Swiss AG", "CH", "Bahnhofstr. 1, Zürich"},
      // clang-format on
      {"register layout, payer name and address",
       payer,
       skDomestic,
       {{"NIP", "7740001454"}},
       "Płatnik Beta Sp. z o.o.",
       "PL",
       "ul. Długa 5, 00-001 Warszawa"},
      {"register layout, further payer parts ignored",
       payer3,
       skDomestic,
       {{"NIP", "7740001454"}},
       "Gamma",
       "PL",
       "ul. Krótka 1"},
      {"register layout, payer address only",
       payerPlain,
       skDomestic,
       {{"NIP", "7740001454"}},
       "Sklep Alfa",
       "PL",
       "ul. Inna 9, 30-001 Kraków"},
      {"Users layout ignores the register's payer",
       usersPayer,
       skDomestic,
       {{"NIP", "7740001454"}},
       "Sklep Alfa",
       "PL",
       "ul. Polna 2, 00-950 Warszawa"},
      {"register layout, payer without a name",
       payerNoName,
       skDomestic,
       {{"NIP", "7740001454"}},
       "Sklep Alfa",
       "PL",
       "ul. Krótka 1"},
      {"register layout, ';' in the customer's own address",
       ownSemicolon,
       skDomestic,
       {{"NIP", "7740001454"}},
       "Sklep Alfa",
       "PL",
       "ul. Długa 5; lok. 3  00-001 Warszawa"},
      {"Users layout, ';' in the payer's address",
       usersSemicolon,
       skDomestic,
       {{"NIP", "7740001454"}},
       "Sklep Alfa",
       "PL",
       "ul. Długa 5; lok. 3  00-001 Warszawa"},
      {"no address", noAddress, skDomestic, {{"NIP", "7740001454"}}, "Sklep Alfa", "", ""},
  };
}

TEST(FillPodmiot2From, BuyerCases) {
  for (const auto& c : BuyerCases()) {
    SCOPED_TRACE(c.Title);
    IXMLFaktura f = StartInvoice();
    EXPECT_EQ(FillPodmiot2From(f, c.In), c.Kind);
    auto p = f->Podmiot2();
    auto dane = p->DaneIdentyfikacyjne();
    std::vector<std::string> expectedNames;
    for (const auto& [name, text] : c.Ident) expectedNames.push_back(name);
    expectedNames.push_back("Nazwa");
    EXPECT_EQ(ChildNameList(dane), expectedNames);
    for (const auto& [name, text] : c.Ident) {
      xmlNodePtr n = dane->Node()->children;
      while (n && (n->type != XML_ELEMENT_NODE || name != reinterpret_cast<const char*>(n->name)))
        n = n->next;
      ASSERT_NE(n, nullptr) << name;
      xmlChar* content = xmlNodeGetContent(n);
      EXPECT_EQ(reinterpret_cast<const char*>(content), text) << name;
      xmlFree(content);
    }
    EXPECT_EQ(dane->Nazwa(), c.Nazwa);
    if (c.KodKraju.empty()) {
      EXPECT_FALSE(p->HasChild("Adres"));
    } else {
      ASSERT_TRUE(p->HasChild("Adres"));
      EXPECT_EQ(ChildNameList(p->Adres()), (std::vector<std::string>{"KodKraju", "AdresL1"}));
      EXPECT_EQ(p->Adres()->KodKraju(), c.KodKraju);
      EXPECT_EQ(p->Adres()->AdresL1(), c.AdresL1);
    }
    EXPECT_EQ(p->JST(), 2);
    EXPECT_EQ(p->GV(), 2);
    FinishInvoice(f);
    EXPECT_EQ(Joined(SchemaErrors(f)), "");
  }
}

TEST(FillPodmiot2From, JstAndGvFlags) {
  struct TCase {
    bool Jst, Gv;
    int JstValue, GvValue;
  } cases[] = {{false, false, 2, 2}, {true, false, 1, 2}, {false, true, 2, 1}, {true, true, 1, 1}};
  for (const auto& c : cases) {
    TBuyerInput in = DomesticBuyer();
    in.JST = c.Jst;
    in.GV = c.Gv;
    IXMLFaktura f = NewFaktura();
    FillPodmiot2From(f, in);
    auto p = f->Podmiot2();
    EXPECT_EQ(p->JST(), c.JstValue);
    EXPECT_EQ(p->GV(), c.GvValue);
    EXPECT_EQ(ChildNameList(p),
              (std::vector<std::string>{"DaneIdentyfikacyjne", "Adres", "JST", "GV"}));
  }
}

TEST(FillPodmiot2From, CheckingOnlyForOptions0And3) {
  for (int options : {-32768, -1, 0, 1, 2, 3, 4, 16, 32767})
    EXPECT_EQ(BuyerChecking(options), options == 0 || options == 3) << options;
  EXPECT_EQ(IdentifierBeforeBranch("7740001454-00001"), "7740001454");
  EXPECT_EQ(IdentifierBeforeBranch("7740001454"), "7740001454");
  EXPECT_EQ(IdentifierBeforeBranch("A-B-C"), "A");
  EXPECT_EQ(IdentifierBeforeBranch("-1"), "");
}

// ---------------------------------------------------------------- recipient

struct TRecipientCase {
  const char* Title;
  TRecipientInput In;
  bool Written;
  std::string IdName, IdText;
  std::string KodKraju;  // empty: no Adres
  int Rola;
};

TRecipientInput Users(const std::string& name, const std::string& address,
                      const std::string& nip3) {
  TRecipientInput r;
  r.UsersLayout = true;
  r.Record = CustomerRecord(name, address, "", "", "");
  r.FirmName = name;
  r.Nip3IdWew = nip3;
  return r;
}

TRecipientInput Register(const std::string& identifier, const std::string& permission,
                         bool payerNull = false) {
  TRecipientInput r;
  r.Record = CustomerRecord("Odbiorca Delta", "ul. Boczna 3, 80-001 Gdańsk", "", identifier, "");
  r.FirmName = "Odbiorca Delta";
  r.PayerIsNull = payerNull;
  r.Permission = permission;
  return r;
}

std::vector<TRecipientCase> RecipientCases() {
  // Podmiot2 of these cases: "Sklep Alfa", "ul. Polna 2, 00-950 Warszawa".
  const std::string name = "Sklep Alfa", address = "ul. Polna 2, 00-950 Warszawa";
  TRecipientInput foreign = Register("", "");
  foreign.Record.Country = CountryByIso("DE");
  TRecipientInput gv = Register("", "");
  gv.GV = true;
  gv.JST = true;
  TRecipientInput jst = Register("", "");
  jst.JST = true;
  return {
      {"Users, same party, no id", Users(name, address, ""), false, "", "", "", 0},
      {"Users, same party, empty address, no id", Users(name, "", ""), false, "", "", "", 0},
      {"Users, same party, internal id", Users(name, address, "7740001454-00001"), true, "IDWew",
       "7740001454-00001", "PL", 2},
      {"Users, same party, NIP", Users(name, address, "5261040828"), true, "NIP", "5261040828",
       "PL", 2},
      {"Users, name differs in case only", Users("SKLEP ALFA", address, ""), true, "BrakID", "1",
       "PL", 2},
      {"Users, address differs", Users(name, "ul. Polna 4", ""), true, "BrakID", "1", "PL", 2},
      {"Users, other id form", Users("Inny", "", "ABC 12"), true, "NrID", "ABC 12", "", 2},
      {"register, payer null", Register("7740001454-00001", "", true), false, "", "", "", 0},
      {"register, internal id kept", Register("7740001454-00001", "5261040828"), true, "IDWew",
       "7740001454-00001", "PL", 2},
      {"register, permission as NIP", Register("7740001454", "5261040828"), true, "NIP",
       "5261040828", "PL", 2},
      {"register, permission as other id", Register("7740001454", "ZEZW/12/2026"), true, "NrID",
       "ZEZW/12/2026", "PL", 2},
      {"register, no permission", Register("7740001454", ""), true, "BrakID", "1", "PL", 2},
      {"register, ten digits the schema refuses as NIP", Register("", "0123456789"), true, "NrID",
       "0123456789", "PL", 2},
      {"register, internal form the schema refuses", Register("0123456789-00001", ""), true, "NrID",
       "0123456789-00001", "PL", 2},
      {"recipient abroad", foreign, true, "BrakID", "1", "DE", 2},
      {"VAT group member", gv, true, "BrakID", "1", "PL", 10},
      {"local-government unit", jst, true, "BrakID", "1", "PL", 8},
  };
}

TEST(FillPodmiot3From, RecipientCases) {
  for (const auto& c : RecipientCases()) {
    SCOPED_TRACE(c.Title);
    IXMLFaktura f = StartInvoice();
    FillPodmiot2From(f, DomesticBuyer());
    EXPECT_EQ(FillPodmiot3From(f, c.In), c.Written);
    if (!c.Written) {
      EXPECT_FALSE(f->HasChild("Podmiot3"));
      continue;
    }
    ASSERT_EQ(f->Podmiot3()->Count(), 1);
    auto p3 = f->Podmiot3()->Items(0);
    auto dane = p3->DaneIdentyfikacyjne();
    EXPECT_EQ(ChildNameList(dane), (std::vector<std::string>{c.IdName, "Nazwa"}));
    xmlChar* content = xmlNodeGetContent(dane->Node()->children);
    EXPECT_EQ(reinterpret_cast<const char*>(content), c.IdText);
    xmlFree(content);
    EXPECT_EQ(dane->Nazwa(), c.In.FirmName);
    if (c.KodKraju.empty()) {
      EXPECT_EQ(ChildNameList(p3), (std::vector<std::string>{"DaneIdentyfikacyjne", "Rola"}));
    } else {
      EXPECT_EQ(ChildNameList(p3),
                (std::vector<std::string>{"DaneIdentyfikacyjne", "Adres", "Rola"}));
      EXPECT_EQ(p3->Adres()->KodKraju(), c.KodKraju);
      EXPECT_EQ(p3->Adres()->AdresL1(), c.In.Record.Address);
    }
    EXPECT_EQ(p3->Rola(), c.Rola);
    FinishInvoice(f);
    EXPECT_EQ(Joined(SchemaErrors(f)), "");
  }
}

TEST(FillPodmiot3From, UsersLayoutComparesWithTheBuyerAsWritten) {
  // The buyer's name came from the payer part of "Payer": the recipient is
  // compared with that name, not with the customer's record.
  IXMLFaktura f = NewFaktura();
  TBuyerInput b = DomesticBuyer();
  b.UsersLayout = true;
  FillPodmiot2From(f, b);
  f->Podmiot2()->DaneIdentyfikacyjne()->SetNazwa("Płatnik");
  EXPECT_TRUE(FillPodmiot3From(f, Users("Sklep Alfa", "", "")));
  // A buyer without an address: any recipient address differs.
  IXMLFaktura g = NewFaktura();
  b.Record.Address.clear();
  FillPodmiot2From(g, b);
  EXPECT_FALSE(FillPodmiot3From(g, Users("Sklep Alfa", "", "")));
  EXPECT_TRUE(FillPodmiot3From(g, Users("Sklep Alfa", "ul. Polna 2", "")));
}

// ---------------------------------------------------------------- comparing

IXMLFaktura_Podmiot2 BuyerNode(const std::string& name, const std::string& address) {
  IXMLFaktura f = NewFaktura();
  TBuyerInput b = DomesticBuyer();
  b.Record.Name = name;
  b.Record.Address = address;
  FillPodmiot2From(f, b);
  return f->Podmiot2();
}

TEST(SameNodeXml, IndentationAndAsciiCaseDoNotCount) {
  TTempDir dir;
  IXMLFaktura f = StartInvoice();
  TBuyerInput b = DomesticBuyer();
  b.Record.Name = "Zakład Świt";
  FillPodmiot2From(f, b);
  FinishInvoice(f);
  const std::string path = dir / "saved.xml";
  SaveFaktura(f, path);
  IXMLFaktura indented = f;
  ReformatFakturaFile(indented, path);
  ASSERT_NE(ReadFile(path).find("\n\t\t<DaneIdentyfikacyjne>"), std::string::npos);
  IXMLFaktura loaded = LoadFaktura(path);
  EXPECT_TRUE(SameNodeXml(f->Podmiot2(), loaded->Podmiot2()));
  EXPECT_TRUE(SameNodeXml(loaded->Podmiot2(), f->Podmiot2()));
  EXPECT_TRUE(SameNodeXml(f->Podmiot1(), loaded->Podmiot1()));
  EXPECT_FALSE(SameNodeXml(f->Podmiot1(), loaded->Podmiot2()));

  EXPECT_TRUE(SameNodeXml(BuyerNode("ZAKŁAD ŚWIT", "UL. POLNA 2"),
                          BuyerNode("zaKŁAD ŚWIT", "ul. polna 2")));
}

TEST(SameNodeXml, PolishLetterCaseAndInnerBlanksCount) {
  EXPECT_FALSE(SameNodeXml(BuyerNode("Świt", "ul. Polna 2"), BuyerNode("świt", "ul. Polna 2")));
  EXPECT_FALSE(SameNodeXml(BuyerNode("Zakład", "ul. Polna 2"), BuyerNode("ZakŁad", "ul. Polna 2")));
  EXPECT_FALSE(SameNodeXml(BuyerNode("Alfa", "ul. Polna 2"), BuyerNode("Alfa", "ul. Polna  2")));
  EXPECT_FALSE(SameNodeXml(BuyerNode("Alfa", "ul. Polna 2"), BuyerNode("Alfa", "")));
  EXPECT_TRUE(SameNodeXml(BuyerNode("Alfa", "ul. Polna 2"), BuyerNode("Alfa", "ul. Polna 2")));
}

TEST(SameNodeXml, MissingNodes) {
  const IXMLNode none;
  EXPECT_TRUE(SameNodeXml(none, none));
  EXPECT_FALSE(SameNodeXml(none, BuyerNode("Alfa", "")));
  EXPECT_FALSE(SameNodeXml(BuyerNode("Alfa", ""), none));
}

// ---------------------------------------------------------------- copies

IXMLFaktura_Podmiot3 Recipient(const std::string& xmlBody) {
  TTempDir dir;
  WriteFile(dir / "p3.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Faktura xmlns=\"" +
                                std::string(Fa3Namespace) + "\"><Podmiot3>" + xmlBody +
                                "</Podmiot3></Faktura>");
  return LoadFaktura(dir / "p3.xml")->Podmiot3()->Items(0);
}

TEST(IsAdditionalBuyer, OnlyRola4) {
  EXPECT_FALSE(IsAdditionalBuyer(nullptr));
  EXPECT_FALSE(IsAdditionalBuyer(
      Recipient("<DaneIdentyfikacyjne><BrakID>1</BrakID></DaneIdentyfikacyjne>")));
  EXPECT_FALSE(IsAdditionalBuyer(Recipient("<Rola>2</Rola>")));
  EXPECT_FALSE(IsAdditionalBuyer(Recipient("<Rola>40</Rola>")));
  EXPECT_TRUE(IsAdditionalBuyer(Recipient("<Rola>4</Rola>")));
}

TEST(CopyAdres, CopiesWhatTheSourceHas) {
  IXMLFaktura f = NewFaktura();
  auto from = f->Podmiot1()->Adres();
  WriteAdres(from, "DE", "Hauptstr. 5", "10115 Berlin", "5901234123457");
  auto to = f->Podmiot2()->Adres();
  CopyAdres(from, to);
  EXPECT_EQ(to->XML(), from->XML());

  auto short1 = f->Fa()->Podmiot1K()->Adres();
  IXMLFaktura g = NewFaktura();
  auto only = g->Podmiot1()->Adres();
  only->SetAdresL1("ul. A 1");
  CopyAdres(only, short1);
  EXPECT_EQ(short1->XML(), "<Adres><KodKraju/><AdresL1>ul. A 1</AdresL1></Adres>");
  EXPECT_FALSE(only->HasChild("KodKraju"));  // the source stays as it was

  auto empty = g->Podmiot2()->Adres();
  CopyAdres(nullptr, empty);
  EXPECT_EQ(empty->XML(), "<Adres><KodKraju/><AdresL1/></Adres>");
}

TEST(CopyPodmiot1K, PrefixIdentityAndAddressOnly) {
  TPodatnikInfoConfig s = Seller();
  s.NrEORI = "PL526104082800000";
  s.DaneKontaktowe = {{"biuro@zolw.pl", ""}};
  s.StatusInfoPodatnika = 2;
  IXMLFaktura master = NewFaktura();
  FillPodmiot1(master, s);
  IXMLFaktura f = NewFaktura();
  CopyPodmiot1K(master->Podmiot1(), f->Fa()->Podmiot1K());
  EXPECT_EQ(f->Fa()->Podmiot1K()->XML(),
            "<Podmiot1K><PrefiksPodatnika>PL</PrefiksPodatnika>"
            "<DaneIdentyfikacyjne><NIP>5261040828</NIP>"
            "<Nazwa>Hurtownia Żółw Sp. z o.o.</Nazwa></DaneIdentyfikacyjne>"
            "<Adres><KodKraju>PL</KodKraju><AdresL1>ul. Kwiatowa 1</AdresL1>"
            "<AdresL2>00-001 Warszawa</AdresL2></Adres></Podmiot1K>");
  EXPECT_EQ(ChildNameList(master->Podmiot1()).size(), 6u);  // nothing created in the source
}

TEST(CopyPodmiot2K, IdentificationInOrderAddressOnlyWhenPresent) {
  TTempDir dir;
  WriteFile(dir / "m.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Faktura xmlns=\"" +
                               std::string(Fa3Namespace) +
                               "\"><Podmiot2><NrEORI>X</NrEORI><DaneIdentyfikacyjne>"
                               "<KodKraju>US</KodKraju><NrID>123</NrID><Nazwa>Acme</Nazwa>"
                               "</DaneIdentyfikacyjne><Adres><KodKraju>US</KodKraju>"
                               "<AdresL1>5th Ave</AdresL1></Adres><IDNabywcy>K7</IDNabywcy>"
                               "<JST>2</JST><GV>2</GV></Podmiot2></Faktura>");
  IXMLFaktura m = LoadFaktura(dir / "m.xml");
  IXMLFaktura f = NewFaktura();
  CopyPodmiot2K(m->Podmiot2(), f->Fa()->Podmiot2K()->Add());
  EXPECT_EQ(f->Fa()->Podmiot2K()->Items(0)->XML(),
            "<Podmiot2K><DaneIdentyfikacyjne><KodKraju>US</KodKraju><NrID>123</NrID>"
            "<Nazwa>Acme</Nazwa></DaneIdentyfikacyjne><Adres><KodKraju>US</KodKraju>"
            "<AdresL1>5th Ave</AdresL1></Adres><IDNabywcy>K7</IDNabywcy></Podmiot2K>");

  IXMLFaktura g = NewFaktura();
  TBuyerInput b = DomesticBuyer();
  b.Record.Address.clear();
  FillPodmiot2From(g, b);
  CopyPodmiot2K(g->Podmiot2(), f->Fa()->Podmiot2K()->Add());
  EXPECT_EQ(f->Fa()->Podmiot2K()->Items(1)->XML(),
            "<Podmiot2K><DaneIdentyfikacyjne><NIP>7740001454</NIP><Nazwa>Sklep Alfa</Nazwa>"
            "</DaneIdentyfikacyjne></Podmiot2K>");
  EXPECT_FALSE(g->Podmiot2()->HasChild("Adres"));
}

TEST(CopyAdditionalBuyer, RefusesAnInternalIdentifier) {
  IXMLFaktura f = NewFaktura();
  auto p3 = Recipient(
      "<DaneIdentyfikacyjne><IDWew>7740001454-00001</IDWew><Nazwa>Oddział</Nazwa>"
      "</DaneIdentyfikacyjne><Rola>4</Rola>");
  try {
    CopyAdditionalBuyer(p3, f->Fa()->Podmiot2K()->Add());
    FAIL() << "an additional buyer with IDWew was copied";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(),
              "Podmiot3 z IDWew nie może być przeniesiony do Podmiot2K. Podmiot2K obsługuje tylko "
              "identyfikatory zgodne z Podmiot2.");
  }
}

TEST(CopyAdditionalBuyer, CopiesIdentityAddressAndBuyerId) {
  IXMLFaktura f = NewFaktura();
  CopyAdditionalBuyer(
      Recipient("<IDNabywcy>N2</IDNabywcy><DaneIdentyfikacyjne>"
                "<KodUE>DE</KodUE><NrVatUE>123456789</NrVatUE><Nazwa>Zweiter</Nazwa>"
                "</DaneIdentyfikacyjne><Adres><KodKraju>DE</KodKraju>"
                "<AdresL1>Ring 1</AdresL1></Adres><Rola>4</Rola>"),
      f->Fa()->Podmiot2K()->Add());
  CopyAdditionalBuyer(Recipient("<DaneIdentyfikacyjne><BrakID>1</BrakID><Nazwa>Bez</Nazwa>"
                                "</DaneIdentyfikacyjne><Rola>4</Rola>"),
                      f->Fa()->Podmiot2K()->Add());
  auto list = f->Fa()->Podmiot2K();
  EXPECT_EQ(list->Items(0)->XML(),
            "<Podmiot2K><DaneIdentyfikacyjne><KodUE>DE</KodUE><NrVatUE>123456789</NrVatUE>"
            "<Nazwa>Zweiter</Nazwa></DaneIdentyfikacyjne><Adres><KodKraju>DE</KodKraju>"
            "<AdresL1>Ring 1</AdresL1></Adres><IDNabywcy>N2</IDNabywcy></Podmiot2K>");
  EXPECT_EQ(list->Items(1)->XML(),
            "<Podmiot2K><DaneIdentyfikacyjne><BrakID>1</BrakID><Nazwa>Bez</Nazwa>"
            "</DaneIdentyfikacyjne></Podmiot2K>");
}

// The parties of the Ministry's sample invoices, copied into a correction,
// still satisfy the schema.
TEST(Copies, MinistrySamplePartiesMakeAValidCorrection) {
  const std::string samples = Fa3SamplesDir();
  int copied = 0;
  for (const auto& entry : std::filesystem::directory_iterator(samples)) {
    if (entry.path().extension() != ".xml") continue;
    SCOPED_TRACE(entry.path().filename().string());
    IXMLFaktura m = LoadFaktura(entry.path().string());
    IXMLFaktura f = StartInvoice();
    FillPodmiot2From(f, DomesticBuyer());
    auto fa = f->Fa();
    fa->SetKodWaluty("PLN");
    fa->SetP_1(EncodeDate(2026, 4, 10));
    fa->SetP_2("KOR 1/2026");
    SetTotal(fa, "P_15", 0, true);
    FillAdnotacje(fa, {});
    fa->SetRodzajFaktury("KOR");
    FillCorrectedOutsideKsef(fa, EncodeDate(2026, 3, 1), "FV 9/2026");
    CopyPodmiot1K(m->Podmiot1(), fa->Podmiot1K());
    CopyPodmiot2K(m->Podmiot2(), fa->Podmiot2K()->Add());
    if (m->HasChild("Podmiot3")) {
      auto list = m->Podmiot3();
      for (int i = 0; i < list->Count(); ++i) {
        auto p3 = list->Items(i);
        if (!IsAdditionalBuyer(p3) || p3->DaneIdentyfikacyjne()->HasChild("IDWew")) continue;
        CopyAdditionalBuyer(p3, fa->Podmiot2K()->Add());
      }
    }
    EXPECT_EQ(Joined(SchemaErrors(f)), "");
    ++copied;
  }
  EXPECT_GT(copied, 20);
}

}  // namespace
