#include <gtest/gtest.h>

#include "StelmarSite.h"

#include <limits>

#include <map>
#include <set>
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

using namespace brenvik;
using namespace brenvik::testing;

namespace {

// "name=text" of every child element, in document order.
std::vector<std::string> Children(const IXMLNode& node) {
  std::vector<std::string> out;
  for (xmlNodePtr c : ChildElements(*node)) out.push_back(ElementName(c) + "=" + ElementContent(c));
  return out;
}

// Register fields by name; asking for any other field is a fault.
TRegisterValue Register(std::map<std::string, double> values) {
  static const std::set<std::string> known{"Value22", "Tax22",  "Value7",    "Tax7", "Value3",
                                           "Tax3",    "Value0", "ValueFree", "NPO",  "Value"};
  return [values](const std::string& field) {
    if (!known.count(field)) throw EDatabaseError("Nie znaleziono pola " + field);
    auto it = values.find(field);
    return it == values.end() ? 0.0 : it->second;
  };
}

// ---------------------------------------------------------------- window

TEST(ExportWindow, Examples) {
  const TDateTime cur = EncodeDateTime(2026, 4, 10, 14, 25, 0);
  struct TCase {
    int DaysBack;
    TDateTime Start;
    TDateTime From, ToExcl;  // whole days
  } cases[] = {
      {5, EncodeDate(2026, 4, 1), EncodeDate(2026, 4, 5), EncodeDate(2026, 4, 11)},
      {5, EncodeDate(2026, 4, 8), EncodeDate(2026, 4, 8), EncodeDate(2026, 4, 11)},
      {5, TDateTime(), EncodeDate(2026, 4, 5), EncodeDate(2026, 4, 11)},
      {0, EncodeDate(2026, 1, 1), EncodeDate(2026, 4, 10), EncodeDate(2026, 4, 11)},
      {12, EncodeDate(2026, 1, 1), EncodeDate(2026, 3, 29), EncodeDate(2026, 4, 11)},
      // refused by the configuration; must not overflow if it ever gets here
      {std::numeric_limits<int>::min(), EncodeDate(2026, 1, 1), EncodeDate(2026, 4, 10),
       EncodeDate(2026, 4, 11)},
  };
  for (const auto& c : cases) {
    const TDateRange r = ExportWindow(cur, c.DaysBack, c.Start);
    EXPECT_EQ(r.DateTo, cur);
    EXPECT_EQ(FilterDateFrom(r), c.From) << DateToStr(FilterDateFrom(r));
    EXPECT_EQ(FilterDateToExcl(r), c.ToExcl) << DateToStr(FilterDateToExcl(r));
  }
}

TEST(ExportWindow, BothEndsIncludedAtAnyTimeOfDay) {
  const TDateRange r =
      ExportWindow(EncodeDateTime(2026, 4, 10, 8, 0, 0), 5, EncodeDate(2026, 4, 1));
  auto inside = [&](TDateTime d) { return FilterDateFrom(r) <= d && d < FilterDateToExcl(r); };
  EXPECT_FALSE(inside(EncodeDateTime(2026, 4, 4, 23, 59, 59)));
  EXPECT_TRUE(inside(EncodeDate(2026, 4, 5)));
  EXPECT_TRUE(inside(EncodeDateTime(2026, 4, 10, 23, 59, 59)));
  EXPECT_FALSE(inside(EncodeDate(2026, 4, 11)));
}

TEST(ExportWindow, StartAfterTheWorkingDateSelectsNothing) {
  const TDateTime cur = EncodeDate(2026, 4, 10);
  for (TDateTime start : {EncodeDate(2026, 4, 11), EncodeDate(2026, 4, 20)}) {
    const TDateRange r = ExportWindow(cur, 5, start);
    EXPECT_EQ(FilterDateFrom(r), start);
    EXPECT_GE(FilterDateFrom(r), FilterDateToExcl(r));
  }
}

TEST(ExportWindow, LogLine) {
  const TDateRange r =
      ExportWindow(EncodeDateTime(2026, 4, 10, 14, 25, 0), 5, EncodeDate(2026, 4, 1));
  EXPECT_EQ(ExportWindowLogLine(r),
            "Zakres dat, z których sprawdzane są w Stelmarze dokumenty niewysłane do KSeF: od "
            "2026-04-05 do 2026-04-10");
}

// ---------------------------------------------------------------- types, currency, date

TEST(DocumentTypes, CorrectionsAreTheOddTypes) {
  for (const TDocumentType& t : DocumentTypes())
    if (t.Ksef)
      EXPECT_EQ(IsCorrectionType(t.Type),
                t.Type == 1 || t.Type == 3 || t.Type == 23 || t.Type == 53)
          << t.Type;
}

TEST(CurrencyCode, IntlIdThenOptionBit14) {
  struct TCase {
    const char* IntlId;
    int Options;
    const char* Code;
  } cases[] = {
      {"", 0, "PLN"},          {"", 16384, "EUR"},
      {"", 16384 | 64, "EUR"}, {"", 8192 | 32768, "PLN"},
      {"USD", 16384, "USD"},   {"PLN", 16384, "PLN"},
      {"EUR", 0, "EUR"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(CurrencyCode(c.IntlId, c.Options), c.Code) << c.IntlId << c.Options;
}

TEST(CheckNotFutureDate, TodayByTheGivenClockIsTheLimit) {
  auto clock = [] { return EncodeDateTime(2026, 4, 10, 9, 15, 0); };
  EXPECT_NO_THROW(CheckNotFutureDate(EncodeDate(2026, 4, 9), clock));
  EXPECT_NO_THROW(CheckNotFutureDate(EncodeDate(2026, 4, 10), clock));
  EXPECT_NO_THROW(CheckNotFutureDate(EncodeDateTime(2026, 4, 10, 23, 59, 0), clock));
  for (TDateTime d : {EncodeDate(2026, 4, 11), EncodeDate(2027, 1, 1)}) {
    try {
      CheckNotFutureDate(d, clock);
      ADD_FAILURE() << "future date accepted: " << DateToStr(d);
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), "Próba wypsłania dokumentu wypisanego z przyszłą datą");
    }
  }
  // The real clock (two days ahead, so that midnight cannot pass the test).
  EXPECT_NO_THROW(CheckNotFutureDate(Today()));
  EXPECT_THROW(CheckNotFutureDate(IncDay(Today(), 2)), Exception);
}

// ---------------------------------------------------------------- totals

TEST(SetTotal, RoundsAndLeavesOutZero) {
  IXMLFaktura f = NewFaktura();
  auto fa = f->Fa();
  SetTotal(fa, "P_13_1", 0.004);
  SetTotal(fa, "P_14_1", -0.004);
  SetTotal(fa, "P_13_2", 100.005);
  SetTotal(fa, "P_14_2", -2.5);
  SetTotal(fa, "P_13_3", 1234567.891);
  SetTotal(fa, "P_15", -0.001, true);
  EXPECT_EQ(Children(fa), (std::vector<std::string>{"P_13_2=100.01", "P_14_2=-2.5",
                                                    "P_13_3=1234567.89", "P_15=0"}));
  EXPECT_THROW(SetTotal(fa, "P_13_4", 1), EArgumentException);
  EXPECT_THROW(SetTotal(fa, "P_16", 1), EArgumentException);
}

struct TTotalsCase {
  const char* Title;
  int Type;
  TSaleKind Buyer;
  const char* Currency;
  std::map<std::string, double> Reg;
  std::vector<std::string> Expected;
};

// clang-format off
std::vector<TTotalsCase> TotalsCases() {
  const std::map<std::string, double> rates{{"Value22", 100}, {"Tax22", 23},  {"Value7", 50},
                                            {"Tax7", 3.5},    {"Value3", 10}, {"Tax3", 0.5},
                                            {"Value", 187}};
  return {
      {"EUR: nothing, the lines give the totals", 0, skDomestic, "EUR", rates, {}},
      {"PLN: no W element", 0, skDomestic, "PLN", rates, {"P_13_1=100", "P_14_1=23", "P_13_2=50", "P_14_2=3.5", "P_13_3=10", "P_14_3=0.5", "P_15=187"}},
      {"EUR, VAT rounded to 0: no W", 0, skDomestic, "EUR", {{"Value22", 0.02}, {"Tax22", 0.004}, {"Tax7", 0.001}, {"Value", 0.02}}, {}},
      {"EUR: no PLN amount of a rate without VAT", 2, skExport, "EUR", {{"Value0", 150}, {"NPO", 80}, {"Value", 230}}, {}},
      {"VAT-only correction", 1, skDomestic, "PLN", {{"Tax7", 5}, {"Value", 5}}, {"P_13_2=0", "P_14_2=5", "P_15=5"}},
      {"all zero: P_15 alone", 0, skDomestic, "PLN", {}, {"P_15=0"}},
      {"type 0, zero rate", 0, skDomestic, "PLN", {{"Value0", 150}, {"Value", 150}}, {"P_13_6_1=150", "P_15=150"}},
      {"type 48, zero rate", 48, skDomestic, "PLN", {{"Value0", 150}, {"Value", 150}}, {"P_13_6_1=150", "P_15=150"}},
      {"type 23, intra-community supply", 23, skIntraEu, "PLN", {{"Value0", -150}, {"Value", -150}}, {"P_13_6_2=-150", "P_15=-150"}},
      {"type 3, export", 3, skExport, "PLN", {{"Value0", 150}, {"Value", 150}}, {"P_13_6_3=150", "P_15=150"}},
      {"exempt", 0, skDomestic, "PLN", {{"ValueFree", 12.345}, {"Value", 12.35}}, {"P_13_7=12.35", "P_15=12.35"}},
      {"not taxed here, VAT payer of another EU state: np II", 0, skIntraEu, "PLN", {{"NPO", 80}, {"Value", 80}}, {"P_13_9=80", "P_15=80"}},
      {"not taxed here, Polish buyer: np I", 0, skDomestic, "PLN", {{"NPO", 80}, {"Value", 80}}, {"P_13_8=80", "P_15=80"}},
      {"not taxed here, buyer outside the EU: np I", 0, skExport, "PLN", {{"NPO", 80}, {"Value", 80}}, {"P_13_8=80", "P_15=80"}},
      {"not taxed here, intra-EU document, buyer without a VAT number: np I", 22, skExport, "PLN", {{"NPO", 80}, {"Value", 80}}, {"P_13_8=80", "P_15=80"}},
      {"everything in schema order", 22, skIntraEu, "PLN", {{"Value22", 1}, {"Tax22", 0.23}, {"Value0", 2}, {"ValueFree", 3}, {"NPO", 4}, {"Value", 10.23}}, {"P_13_1=1", "P_14_1=0.23", "P_13_6_2=2", "P_13_7=3", "P_13_9=4", "P_15=10.23"}},
  };
}
// clang-format on

TEST(FillTotals, Cases) {
  for (const auto& c : TotalsCases()) {
    SCOPED_TRACE(c.Title);
    IXMLFaktura f = NewFaktura();
    InitFakturaDocument(f);
    FillNaglowek(f, "Test", [] { return EncodeDate(2026, 4, 10); });
    TPodatnikInfoConfig seller;
    seller.DaneIdentyfikacyjne = {"5261040828", "Sprzedawca"};
    seller.Adres.AdresL1 = "ul. Kwiatowa 1";
    FillPodmiot1(f, seller);
    TBuyerInput buyer;
    buyer.Record = CustomerRecord("Nabywca", "ul. Polna 2", "", "7740001454", "");
    FillPodmiot2From(f, buyer);
    auto fa = f->Fa();
    fa->SetKodWaluty(c.Currency);
    fa->SetP_1(EncodeDate(2026, 4, 10));
    fa->SetP_2("FV 1/2026");
    FillTotals(fa, SaleOf(c.Type, c.Buyer), c.Currency, Register(c.Reg));
    std::vector<std::string> totals = Children(fa);
    totals.erase(totals.begin(), totals.begin() + 3);  // KodWaluty, P_1, P_2
    EXPECT_EQ(totals, c.Expected);
    if (c.Currency != std::string("PLN")) SetTotal(fa, "P_15", 0, true);  // the lines' part
    FillAdnotacje(fa, {});
    fa->SetRodzajFaktury(IsCorrectionType(c.Type) ? "KOR" : "VAT");
    if (IsCorrectionType(c.Type)) {
      auto d = fa->DaneFaKorygowanej()->Add();
      d->SetDataWystFaKorygowanej(EncodeDate(2026, 3, 1));
      d->SetNrFaKorygowanej("FV 9/2026");
      d->SetNrKSeFN(1);
    }
    TTempDir dir;
    SaveFaktura(f, dir / "f.xml");
    std::string errors;
    for (const auto& e : ValidateFa3File(dir / "f.xml", Fa3SchemaDir())) errors += e + "\n";
    EXPECT_EQ(errors, "");
  }
}

TEST(FillTotals, MissingRegisterFieldFails) {
  IXMLFaktura f = NewFaktura();
  auto reg = [](const std::string& field) -> double {
    if (field == "NPO") throw EDatabaseError("Nie znaleziono pola NPO");
    return 1;
  };
  EXPECT_THROW(FillTotals(f->Fa(), SaleOf(0), "PLN", reg), EDatabaseError);
}

// ---------------------------------------------------------------- annotations

// An invoice as far as the annotations read it: the buyer, the currency,
// P_15 and the lines ("code" or "code+15" for an annex 15 line), each line
// with the exchange rate when the rate is above 0.
IXMLFaktura Invoice(const char* buyer, const char* currency, double p15,
                    std::vector<std::string> lines, double rate = 0, double p13_7 = 0) {
  IXMLFaktura f = NewFaktura();
  auto id = f->Podmiot2()->DaneIdentyfikacyjne();
  if (std::string(buyer) == "NIP") id->SetNIP("7251801126");
  if (std::string(buyer) == "UE") {
    id->SetKodUE("DE");
    id->SetNrVatUE("811569869");
  }
  if (std::string(buyer) == "BrakID") id->SetBrakID(1);
  auto fa = f->Fa();
  fa->SetKodWaluty(currency);
  SetTotal(fa, "P_13_7", p13_7);
  SetTotal(fa, "P_15", p15, true);
  for (const std::string& l : lines) {
    auto line = fa->FaWiersz()->Add();
    line->SetP_12(l.substr(0, l.find('+')));
    if (l.ends_with("+15")) line->SetP_12_Zal_15(1);
    if (rate > 0) line->SetKursWaluty(rate);
  }
  return f;
}

// P_18A: 1 when the register says so, or when the gross total in PLN is
// above 15 000 zł, a line is of annex 15 and the buyer is a taxpayer with a
// NIP; else 2. Foreign totals are converted at the invoice's rate.
TEST(SplitPayment, RegisterFlagOrTheLawOfAnnex15) {
  struct TCase {
    const char* Title;
    int Flags;
    IXMLFaktura F;
    double Pln;  // gross total in PLN
    int P18A;
  } cases[] = {
      {"flag bit 7", 128, Invoice("NIP", "PLN", 100, {"23"}), 100, 1},
      {"other bits only", 127, Invoice("NIP", "PLN", 100, {"23"}), 100, 2},
      {"bit 8 is not bit 7", 256, Invoice("NIP", "PLN", 100, {"23"}), 100, 2},
      {"every bit", -1, Invoice("NIP", "PLN", 100, {"23"}), 100, 1},
      {"exactly 15 000,00 is not above", 0, Invoice("NIP", "PLN", 15000, {"23+15"}), 15000, 2},
      {"15 000,01", 0, Invoice("NIP", "PLN", 15000.01, {"23", "23+15"}), 15000.01, 1},
      {"no annex 15 line", 0, Invoice("NIP", "PLN", 40000, {"23", "8"}), 40000, 2},
      {"buyer without identifier", 0, Invoice("BrakID", "PLN", 40000, {"23+15"}), 40000, 2},
      {"EU buyer by VAT number", 0, Invoice("UE", "PLN", 40000, {"23+15"}), 40000, 2},
      {"correction", 0, Invoice("NIP", "PLN", -40000, {"23+15"}), -40000, 2},
      // 4428,00 EUR x 4,2587 = 18 857,52 zł
      {"EUR above only after conversion", 0, Invoice("NIP", "EUR", 4428, {"23+15"}, 4.2587),
       18857.52, 1},
      // 3522,20 EUR x 4,2587 = 14 999,99 zł; 3522,21 EUR gives 15 000,04 zł
      {"EUR a grosz below", 0, Invoice("NIP", "EUR", 3522.20, {"23+15"}, 4.2587), 14999.99, 2},
      {"EUR a grosz above", 0, Invoice("NIP", "EUR", 3522.21, {"23+15"}, 4.2587), 15000.04, 1},
      // 5000,00 USD x 3,0000 = 15 000,00 zł
      {"USD exactly 15 000,00 zł", 0, Invoice("NIP", "USD", 5000, {"23+15"}, 3), 15000, 2},
      // 500 000 JPY x 0,0265 = 13 250,00 zł
      {"JPY above 15 000 only in its own currency", 0,
       Invoice("NIP", "JPY", 500000, {"23+15"}, 0.0265), 13250, 2},
      // 1 382 700 HUF x 0,010849 = 15 000,91 zł; at 0,0108 it would be 14 933,16 zł
      {"HUF at the rate's six places", 0, Invoice("NIP", "HUF", 1382700, {"23+15"}, 0.010849),
       15000.91, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Title);
    EXPECT_DOUBLE_EQ(GrossTotalPln(c.F->Fa()), c.Pln);
    const TAdnotacjeMarks marks = AdnotacjeMarks(c.F, c.Flags, {}, "FV 1/2026");
    FillAdnotacje(c.F->Fa(), marks);
    EXPECT_EQ(c.F->Fa()->Adnotacje()->P_18A(), c.P18A);
  }
}

// P_18: 1 where the buyer settles the tax: a line or a total of np II (a
// service to a VAT payer of another EU state); 2 for any other supply.
TEST(ReverseCharge, NpIIToAVatPayerInTheEu) {
  struct TCase {
    const char* Title;
    IXMLFaktura F;
    int P18;
  } cases[] = {
      {"np II line", Invoice("UE", "EUR", 100, {"np II"}, 4.3), 1},
      {"np II beside a taxed line", Invoice("UE", "PLN", 223, {"23", "np II"}), 1},
      {"np I line", Invoice("NIP", "PLN", 100, {"np I"}), 2},
      {"zero rate of an intra-EU supply", Invoice("UE", "EUR", 100, {"0 WDT"}, 4.3), 2},
      {"taxed at home", Invoice("NIP", "PLN", 123, {"23"}), 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Title);
    FillAdnotacje(c.F->Fa(), AdnotacjeMarks(c.F, 0, {}, "FV 1/2026"));
    EXPECT_EQ(c.F->Fa()->Adnotacje()->P_18(), c.P18);
  }
  // A register total of np II without lines still tells it.
  IXMLFaktura f = Invoice("UE", "PLN", 80, {});
  SetTotal(f->Fa(), "P_13_9", 80);
  EXPECT_TRUE(AdnotacjeMarks(f, 0, {}, "FV 1/2026").ReverseCharge);
}

// Exempt supply (a line at "zw" or a non-zero P_13_7): P_19 with the first
// basis of [Zwolnienie] under its own name; no basis refuses the document.
// Anything else: P_19N.
TEST(ExemptSupply, LegalBasisFromTheSettingsOrTheDocumentIsRefused) {
  const std::string act = "art. 43 ust. 1 pkt 29 lit. a ustawy o VAT";
  const std::string directive = "art. 132 ust. 1 lit. i dyrektywy 2006/112/WE";
  const std::string other = "§ 3 ust. 1 pkt 1 rozporządzenia Ministra Finansów";
  struct TCase {
    const char* Title;
    IXMLFaktura F;
    TZwolnienieBasis Basis;
    std::string Zwolnienie;  // empty: refused
  } cases[] = {
      {"no exempt line",
       Invoice("NIP", "PLN", 123, {"23", "0 KR", "np I"}),
       {},
       "<Zwolnienie><P_19N>1</P_19N></Zwolnienie>"},
      {"exempt line, act",
       Invoice("NIP", "PLN", 100, {"23", "zw"}, 0, 50),
       {act, directive, other},
       "<Zwolnienie><P_19>1</P_19><P_19A>" + act + "</P_19A></Zwolnienie>"},
      {"blank act, directive",
       Invoice("NIP", "PLN", 50, {"zw"}, 0, 50),
       {"  ", directive, other},
       "<Zwolnienie><P_19>1</P_19><P_19B>" + directive + "</P_19B></Zwolnienie>"},
      {"other basis alone, trimmed",
       Invoice("NIP", "PLN", 50, {"zw"}, 0, 50),
       {"", "", " " + other + " "},
       "<Zwolnienie><P_19>1</P_19><P_19C>" + other + "</P_19C></Zwolnienie>"},
      {"correction of an exempt sale",
       Invoice("NIP", "PLN", -50, {"zw"}, 0, -50),
       {act},
       "<Zwolnienie><P_19>1</P_19><P_19A>" + act + "</P_19A></Zwolnienie>"},
      {"exempt total without a zw line",
       Invoice("NIP", "PLN", 50, {}, 0, 50),
       {"", directive},
       "<Zwolnienie><P_19>1</P_19><P_19B>" + directive + "</P_19B></Zwolnienie>"},
      {"exempt line, no basis", Invoice("NIP", "PLN", 50, {"23", "zw"}, 0, 50), {}, ""},
      {"exempt line, blank basis", Invoice("NIP", "PLN", 50, {"zw"}, 0, 50), {" ", "\t", ""}, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Title);
    try {
      FillAdnotacje(c.F->Fa(), AdnotacjeMarks(c.F, 0, c.Basis, "FV 122/2026"));
      const std::string xml = c.F->Fa()->Adnotacje()->XML();
      EXPECT_EQ(xml,
                "<Adnotacje><P_16>2</P_16><P_17>2</P_17><P_18>2</P_18><P_18A>2</P_18A>" +
                    c.Zwolnienie +
                    "<NoweSrodkiTransportu><P_22N>1</P_22N></NoweSrodkiTransportu><P_23>2</P_23>"
                    "<PMarzy><P_PMarzyN>1</P_PMarzyN></PMarzy></Adnotacje>");
    } catch (const EDocumentRefused& e) {
      EXPECT_EQ(c.Zwolnienie, "") << e.what();
      EXPECT_EQ(e.Message(),
                "Dokument FV 122/2026 ma pozycje zwolnione z podatku VAT (stawka zw), a "
                "konfiguracja nie podaje podstawy prawnej zwolnienia. Dodaj w pliku "
                "konfiguracyjnym sekcję [Zwolnienie] z kluczem P_19A (przepis ustawy o VAT), "
                "P_19B (przepis dyrektywy 2006/112/WE) albo P_19C (inna podstawa prawna). "
                "Dokumentu nie wygenerowano.");
      EXPECT_FALSE(c.F->Fa()->HasChild("Adnotacje"));
    }
  }
}

}  // namespace
