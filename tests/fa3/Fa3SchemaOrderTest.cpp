#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "fa3/Schemat_FA3.h"
#include "common/TestXml.h"
#include "support/Errors.h"

using namespace brenvik;
using namespace brenvik::testing;

namespace {}  // namespace

TEST(Fa3SchemaOrder, ClassesKnowTheirMembersInSchemaOrder) {
  IXMLFaktura f = NewFaktura();
  const auto& root = f->SchemaChildOrder();
  ASSERT_EQ(root.size(), 8u);
  EXPECT_EQ(root.front(), "Naglowek");
  EXPECT_EQ(root.back(), "Zalacznik");

  const auto& fa = f->Fa()->SchemaChildOrder();
  auto pos = [&fa](const char* n) { return std::find(fa.begin(), fa.end(), n) - fa.begin(); };
  EXPECT_LT(pos("P_13_1"), pos("P_14_1"));
  EXPECT_LT(pos("P_14_3W"), pos("P_13_6_1"));
  EXPECT_LT(pos("P_13_9"), pos("P_15"));
  EXPECT_LT(pos("DodatkowyOpis"), pos("FaWiersz"));
  EXPECT_LT(pos("FaWiersz"), pos("Platnosc"));
  EXPECT_EQ(pos("NoSuchMember"), static_cast<std::ptrdiff_t>(fa.size()));
}

TEST(Fa3SchemaOrder, AttributesAreNoMembersAndDerivedClassesStartWithTheBase) {
  IXMLFaktura f = NewFaktura();
  const auto& kod = f->Naglowek()->KodFormularza()->SchemaChildOrder();
  EXPECT_TRUE(kod.empty());
  auto adres = f->Podmiot1()->AdresKoresp();
  const auto& order = adres->SchemaChildOrder();
  ASSERT_FALSE(order.empty());
  EXPECT_EQ(order.front(), "KodKraju");
}

TEST(Fa3SchemaOrder, LateTotalsLandAtTheirPlace) {
  IXMLFaktura f = NewFaktura();
  auto fa = f->Fa();
  fa->SetKodWaluty("EUR");
  fa->SetP_2("FV/1");
  fa->SetP_13_2(10);
  fa->SetP_15(12.3);
  fa->SetRodzajFaktury("VAT");
  fa->FaWiersz()->Add()->SetP_7("Towar");

  // First one before everything that follows it, one between two totals,
  // one after the last total, and one behind the lines.
  EXPECT_TRUE(fa->EnsureChildInSchemaOrder("P_13_1"));
  fa->SetP_13_1(300);
  EXPECT_TRUE(fa->EnsureChildInSchemaOrder("P_14_2"));
  fa->SetP_14_2(0.8);
  EXPECT_TRUE(fa->EnsureChildInSchemaOrder("P_13_9"));
  EXPECT_TRUE(fa->EnsureChildInSchemaOrder("Platnosc"));
  EXPECT_TRUE(fa->EnsureChildInSchemaOrder("KodWaluty") == false);

  EXPECT_EQ(JoinedChildNames(*fa),
            "KodWaluty P_2 P_13_1 P_13_2 P_14_2 P_13_9 P_15 RodzajFaktury FaWiersz Platnosc");
  EXPECT_EQ(fa->P_13_1(), 300);
  EXPECT_EQ(fa->P_14_2(), 0.8);
  EXPECT_EQ(fa->P_13_9(), 0);
  // An existing child is left where it is, value and all.
  EXPECT_FALSE(fa->EnsureChildInSchemaOrder("P_13_1"));
  EXPECT_EQ(fa->P_13_1(), 300);
}

TEST(Fa3SchemaOrder, FirstChildAndUnknownNames) {
  IXMLFaktura f = NewFaktura();
  auto fa = f->Fa();
  EXPECT_TRUE(fa->EnsureChildInSchemaOrder("P_15"));
  EXPECT_EQ(JoinedChildNames(*fa), "P_15");
  EXPECT_THROW(fa->EnsureChildInSchemaOrder("Stopka"), EXMLDocError);
  EXPECT_EQ(JoinedChildNames(*fa), "P_15");
}

TEST(Fa3SchemaOrder, ForeignElementsAreNoLaterSiblings) {
  IXMLFaktura f = NewFaktura();
  auto fa = f->Fa();
  fa->SetP_15(1);
  xmlNewChild(fa->Node(), nullptr, reinterpret_cast<const xmlChar*>("Obcy"), nullptr);
  fa->EnsureChildInSchemaOrder("RodzajFaktury");
  EXPECT_EQ(JoinedChildNames(*fa), "P_15 Obcy RodzajFaktury");
  fa->EnsureChildInSchemaOrder("P_13_1");
  EXPECT_EQ(JoinedChildNames(*fa), "P_13_1 P_15 Obcy RodzajFaktury");
}
