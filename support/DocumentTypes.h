#pragma once
// Stelmar's document types, read from the table in DocumentTypes.def.
#include <span>

namespace brenvik {

// What kind of sale a document records; it chooses the zero rate, the rate
// codes of the lines and whether the seller's taxpayer prefix is needed.
enum TSaleKind { skDomestic, skExport, skIntraEu };

struct TDocumentType {
  int Type;
  bool Ksef;  // goes to KSeF
  TSaleKind Sale;
  bool DeferredPayment;  // payment may be deferred
};

// All rows of the table, in its order.
std::span<const TDocumentType> DocumentTypes();
// The row of a type; null when the type is not listed.
const TDocumentType* FindDocumentType(int type);

// Types that go to KSeF: 0, 1, 2, 3, 22, 23, 48, 52, 53.
bool IsEligibleType(int type);
// Sale kind of a type; domestic when the type is not listed.
TSaleKind SaleKind(int type);
// Export of goods (2, 3).
bool IsExportType(int type);
// Intra-community supply (22, 23).
bool IsWdtType(int type);
// Export of goods and intra-community supply.
bool IsForeignType(int type);
// A foreign sale needs the seller's taxpayer prefix.
bool NeedsTaxpayerPrefix(int type);
// Document types whose payment may be deferred (0-7, 10, 18, 22, 48, 50, 52,
// 96, 128-135, 146, 176).
bool IsDeferredPaymentType(int type);

}  // namespace brenvik
