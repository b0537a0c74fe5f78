#include <gtest/gtest.h>

#include <set>

#include "support/DocumentTypes.h"

using namespace brenvik;

// Walks the table of document types: one row per type, the lookups answer
// as the row says, a foreign sale goes to KSeF, a correction goes with the
// document it corrects, and a type not listed is nothing.
TEST(DocumentTypes, EveryRowAndOnlyTheRowsAnswer) {
  std::set<int> listed;
  for (const TDocumentType& t : DocumentTypes()) {
    EXPECT_TRUE(listed.insert(t.Type).second) << "two rows of type " << t.Type;
    EXPECT_EQ(FindDocumentType(t.Type), &t) << t.Type;
    EXPECT_EQ(IsEligibleType(t.Type), t.Ksef) << t.Type;
    EXPECT_EQ(SaleKind(t.Type), t.Sale) << t.Type;
    EXPECT_EQ(IsExportType(t.Type), t.Sale == skExport) << t.Type;
    EXPECT_EQ(IsWdtType(t.Type), t.Sale == skIntraEu) << t.Type;
    EXPECT_EQ(IsForeignType(t.Type), t.Sale != skDomestic) << t.Type;
    EXPECT_EQ(NeedsTaxpayerPrefix(t.Type), t.Sale != skDomestic) << t.Type;
    EXPECT_EQ(IsDeferredPaymentType(t.Type), t.DeferredPayment) << t.Type;
    if (t.Sale != skDomestic) {
      EXPECT_TRUE(t.Ksef) << t.Type;
    }
    if (t.Ksef && t.Type % 2 == 1) {
      const TDocumentType* corrected = FindDocumentType(t.Type - 1);
      ASSERT_NE(corrected, nullptr) << t.Type;
      EXPECT_TRUE(corrected->Ksef) << t.Type;
      EXPECT_EQ(corrected->Sale, t.Sale) << t.Type;
    }
  }
  for (int type = -5; type <= 300; ++type) {
    if (listed.count(type)) continue;
    EXPECT_EQ(FindDocumentType(type), nullptr) << type;
    EXPECT_FALSE(IsEligibleType(type) || IsForeignType(type) || IsDeferredPaymentType(type))
        << type;
  }
}

// The types as Stelmar's documents know them, written out apart from the
// table, so that a wrong row shows.
TEST(DocumentTypes, TheListedTypesOfEachKind) {
  struct TKind {
    const char* Name;
    bool (*Has)(int);
    std::set<int> Types;
  };
  const TKind kinds[] = {
      {"KSeF", IsEligibleType, {0, 1, 2, 3, 22, 23, 48, 52, 53}},
      {"zagraniczny", IsForeignType, {2, 3, 22, 23}},
      {"eksport", IsExportType, {2, 3}},
      {"WDT", IsWdtType, {22, 23}},
      {"płatność odroczona", IsDeferredPaymentType, {0,   1,   2,   3,   4,   5,   6,   7,   10,
                                                     18,  22,  48,  50,  52,  96,  128, 129, 130,
                                                     131, 132, 133, 134, 135, 146, 176}},
  };
  for (const TKind& k : kinds)
    for (int type = -5; type <= 300; ++type)
      EXPECT_EQ(k.Has(type), k.Types.count(type) == 1) << k.Name << " " << type;
}
