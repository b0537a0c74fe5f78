#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/TestXml.h"
#include "support/Errors.h"
#include "support/Money.h"
#include "warehouse/RateTotals.h"

using namespace brenvik;
using namespace brenvik::testing;

namespace {

// "name=value" of the leaf children of a node, in document order.
std::string Leaves(const TXMLNode& node) {
  std::string out;
  for (xmlNodePtr c : ChildElements(node)) {
    if (!IsLeafElement(c)) continue;
    if (!out.empty()) out += " ";
    out += ElementName(c) + "=" + ElementContent(c);
  }
  return out;
}

}  // namespace

TEST(RateTotals, RateAndSaleChooseTheTotal) {
  struct Case {
    int rate, type;
    TSaleKind buyer;
    const char* net;
    const char* vat;
  } cases[] = {
      {23, 0, skDomestic, "P_13_1", "P_14_1"},
      {8, 0, skDomestic, "P_13_2", "P_14_2"},
      {5, 22, skIntraEu, "P_13_3", "P_14_3"},
      {0, 22, skIntraEu, "P_13_6_2", ""},
      {0, 3, skExport, "P_13_6_3", ""},
      {0, 1, skDomestic, "P_13_6_1", ""},
      {0, 0, skIntraEu, "P_13_6_1", ""},  // the zero rate follows the document
      {-1, 2, skExport, "P_13_7", ""},
      {-2, 2, skExport, "P_13_8", ""},    // np I outside the EU
      {-2, 0, skDomestic, "P_13_8", ""},  // np I to a Polish buyer
      {-2, 0, skIntraEu, "P_13_9", ""},   // np II to a VAT payer of another EU state
      {-2, 22, skExport, "P_13_8", ""},   // an EU buyer without a VAT number: np I
      {7, 0, skDomestic, "", ""},
      {-3, 0, skDomestic, "", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(NetTotalName(c.rate, SaleOf(c.type, c.buyer)), c.net) << c.rate << "/" << c.type;
    EXPECT_EQ(VatTotalName(c.rate), c.vat) << c.rate;
  }
}

// The totals of a foreign-currency invoice come from its lines, each rate
// rounded once, and land at their schema place although the lines are there.
TEST(RateTotals, ForeignTotalsAreSummedPerRateAndRoundedOnce) {
  struct Line {
    int Rate;
    double Net, Gross;
  };
  struct Case {
    const char* What;
    bool Gross;
    int Type;
    TSaleKind Buyer;
    std::vector<Line> Lines;
    const char* Expected;
  } cases[] = {
      {"two lines at 23 %", false, 0, skDomestic, {{23, 100, 0}, {23, 200, 0}},
       "KodWaluty=EUR P_13_1=300 P_14_1=69 P_15=369 RodzajFaktury=VAT"},
      {"VAT of the sum, not the sum of VATs", false, 0, skDomestic, {{23, 0.07, 0}, {23, 0.07, 0}, {23, 0.07, 0}},
       "KodWaluty=EUR P_13_1=0.21 P_14_1=0.05 P_15=0.26 RodzajFaktury=VAT"},
      {"five items at 0.99 gross", true, 0, skDomestic, {{23, 0.8, 0.99}, {23, 0.8, 0.99}, {23, 0.8, 0.99}, {23, 0.8, 0.99}, {23, 0.8, 0.99}},
       "KodWaluty=EUR P_13_1=4.02 P_14_1=0.93 P_15=4.95 RodzajFaktury=VAT"},
      {"returned goods at 5 % gross", true, 1, skDomestic, {{5, -4.76, -5}},
       "KodWaluty=EUR P_13_3=-4.76 P_14_3=-0.24 P_15=-5 RodzajFaktury=VAT"},
      {"export: zero, exempt, np I and an unlisted rate", false, 2, skExport, {{0, 100, 0}, {-1, 50, 0}, {-2, 30, 0}, {7, 10, 0}},
       "KodWaluty=EUR P_13_6_3=100 P_13_7=50 P_13_8=30 P_15=190.7 RodzajFaktury=VAT"},
      {"intra-EU supply and np II", false, 22, skIntraEu, {{0, 1450, 0}, {0, 953.5, 0}, {-2, 120, 0}},
       "KodWaluty=EUR P_13_6_2=2403.5 P_13_9=120 P_15=2523.5 RodzajFaktury=VAT"},
      {"lines that cancel out", false, 0, skDomestic, {{8, 10, 0}, {8, -10, 0}},
       "KodWaluty=EUR P_15=0 RodzajFaktury=VAT"},
      {"no lines", false, 0, skDomestic, {},
       "KodWaluty=EUR P_15=0 RodzajFaktury=VAT"},
  };
  for (const Case& c : cases) {
    IXMLFaktura f = NewFaktura();
    auto fa = f->Fa();
    fa->SetKodWaluty("EUR");
    fa->SetRodzajFaktury("VAT");
    TForeignTotals totals(c.Gross);
    for (const Line& l : c.Lines) {
      fa->FaWiersz()->Add()->SetP_11(l.Net);
      TLineAmounts a;
      a.Net = l.Net;
      a.Gross = l.Gross;
      totals.AddLine(l.Rate, a);
    }
    totals.Write(fa, SaleOf(c.Type, c.Buyer));
    EXPECT_EQ(Leaves(*fa), c.Expected) << c.What;
  }
}

// The tax in PLN stays the register's; the converted amount stands in only
// for an empty register, and more than a grosz per line apart is told.
TEST(RateTotals, PlnVatIsTheRegistersAndADifferenceIsTold) {
  struct Case {
    const char* What;
    int Lines;
    double Net;   // at 23 %
    double Rate;  // exchange rate
    double Registered;
    const char* Expected;
    bool Warned;
  } cases[] = {
      {"converted equals the register", 1, 300, 4.2587, 293.85, "P_14_1W=293.85", false},
      {"a grosz per line apart", 2, 300, 4.2587, 293.87, "P_14_1W=293.87", false},
      {"two grosze on one line", 1, 300, 4.2587, 293.87, "P_14_1W=293.87", true},
      {"HUF at the full rate", 3, 100000, 0.010876, 250.15, "P_14_1W=250.15", false},
      {"no line of the rate", 0, 0, 4.2587, 293.85, "", true},
      {"nothing in the register", 1, 300, 4.2587, 0, "P_14_1W=293.85", true},
  };
  for (const Case& c : cases) {
    IXMLFaktura f = NewFaktura();
    auto fa = f->Fa();
    TForeignTotals totals(false);
    for (int i = 0; i < c.Lines; ++i) {
      TLineAmounts a;
      a.Net = c.Net / c.Lines;
      totals.AddLine(23, a);
    }
    totals.Write(fa, SaleOf(0));
    const std::vector<std::string> warnings = ReconcilePlnVat(
        fa, totals, c.Rate, [&](const std::string& field) { return field == "Tax22" ? c.Registered : 0; });
    std::string pln = Leaves(*fa);
    pln = pln.substr(pln.find("P_14_1W") == std::string::npos ? pln.size() : pln.find("P_14_1W"));
    EXPECT_EQ(pln.substr(0, pln.find(' ')), c.Expected) << c.What;
    ASSERT_EQ(warnings.size(), c.Warned ? 1u : 0u) << c.What;
    if (c.Warned) EXPECT_NE(warnings[0].find("P_14_1W"), std::string::npos) << warnings[0];
    if (c.Lines > 0) EXPECT_EQ(FaTotal(fa, "P_14_1"), RoundHalfAway(2, c.Net * 0.23)) << c.What;
  }
}

TEST(RateTotals, AbsentTotalsReadZeroWithoutBeingCreated) {
  IXMLFaktura f = NewFaktura();
  auto fa = f->Fa();
  EXPECT_EQ(FaTotal(fa, "P_13_7"), 0);
  EXPECT_FALSE(fa->HasChild("P_13_7"));
  AddToFaTotal(fa, "", 10);
  EXPECT_EQ(JoinedChildNames(*fa), "");
  EXPECT_THROW(SetFaTotal(fa, "P_2", 1), EArgumentException);
  // Additions are not rounded.
  AddToFaTotal(fa, "P_13_7", 0.1);
  AddToFaTotal(fa, "P_13_7", 0.2);
  EXPECT_DOUBLE_EQ(FaTotal(fa, "P_13_7"), 0.1 + 0.2);
}
