#include <gtest/gtest.h>

#include <string>

#include "support/Money.h"
#include "common/TestXml.h"
#include "support/Errors.h"
#include "warehouse/RateTotals.h"

using namespace brenvik;
using namespace brenvik::testing;

namespace {}  // namespace

TEST(RateTotals, RateAndTypeChooseTheTotal) {
  struct Case {
    int rate, type;
    const char* net;
    const char* vat;
  } cases[] = {{23, 0, "P_13_1", "P_14_1"},
               {8, 0, "P_13_2", "P_14_2"},
               {5, 22, "P_13_3", "P_14_3"},
               {0, 22, "P_13_6_2", ""},
               {0, 3, "P_13_6_3", ""},
               {0, 1, "P_13_6_1", ""},
               {-1, 2, "P_13_7", ""},
               {-2, 2, "P_13_8", ""},
               {-2, 22, "P_13_9", ""},
               {7, 0, "", ""},
               {-3, 0, "", ""}};
  for (const auto& c : cases) {
    EXPECT_EQ(NetTotalName(c.rate, c.type), c.net) << c.rate << "/" << c.type;
    EXPECT_EQ(VatTotalName(c.rate), c.vat) << c.rate;
  }
}

// The foreign-currency example: register totals 5000 / 1150 reset to 0, two
// lines of 100 and 200 at 23 % rebuild them as 300 / 69, and a total that only
// the lines bring lands at its schema place, not after the lines.
TEST(RateTotals, ForeignTotalsAreRebuiltFromTheLinesInSchemaOrder) {
  IXMLFaktura f = NewFaktura();
  auto fa = f->Fa();
  fa->SetKodWaluty("EUR");
  fa->SetP_13_1(5000);
  fa->SetP_14_1(1150);
  fa->SetP_14_1W(1150);
  fa->SetP_15(6150);
  fa->Adnotacje()->SetP_16(2);
  fa->SetRodzajFaktury("VAT");
  SetFaTotal(fa, "P_13_1", 0);
  SetFaTotal(fa, "P_14_1", 0);
  SetFaTotal(fa, "P_15", 0);
  fa->FaWiersz()->Add()->SetP_11(100);
  fa->FaWiersz()->Add()->SetP_11(200);
  fa->FaWiersz()->Add()->SetP_11(50);
  for (double net : {100.0, 200.0}) {
    AddToFaTotal(fa, NetTotalName(23, 0), net);
    double vat = VatFromNet(23, net);
    AddToFaTotal(fa, VatTotalName(23), vat);
    SetFaTotal(fa, "P_15", RoundHalfAway(2, FaTotal(fa, "P_15") + net + vat));
  }
  AddToFaTotal(fa, NetTotalName(8, 0), 50);
  AddToFaTotal(fa, VatTotalName(8), VatFromNet(8, 50));
  SetFaTotal(fa, "P_15", RoundHalfAway(2, FaTotal(fa, "P_15") + 54));

  EXPECT_DOUBLE_EQ(FaTotal(fa, "P_13_1"), 300);
  EXPECT_DOUBLE_EQ(FaTotal(fa, "P_14_1"), 69);
  EXPECT_DOUBLE_EQ(fa->P_14_1W(), 1150);
  EXPECT_DOUBLE_EQ(FaTotal(fa, "P_13_2"), 50);
  EXPECT_DOUBLE_EQ(FaTotal(fa, "P_14_2"), 4);
  EXPECT_DOUBLE_EQ(FaTotal(fa, "P_15"), 423);
  EXPECT_EQ(JoinedChildNames(*fa),
            "KodWaluty P_13_1 P_14_1 P_14_1W P_13_2 P_14_2 P_15 Adnotacje RodzajFaktury "
            "FaWiersz FaWiersz FaWiersz");
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
