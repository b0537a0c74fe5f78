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
