#include "support/DocumentTypes.h"

#include "support/RowLookup.h"

namespace brenvik {

#define BRENVIK_DOC_TYPE(Type, Ksef, Sale, Deferred) {Type, Ksef, Sale, Deferred},
static constexpr TDocumentType Types[] = {
#include "support/DocumentTypes.def"
};
#undef BRENVIK_DOC_TYPE

std::span<const TDocumentType> DocumentTypes() { return Types; }

const TDocumentType* FindDocumentType(int type) {
  return FindRow(DocumentTypes(), &TDocumentType::Type, type);
}

bool IsEligibleType(int type) {
  const TDocumentType* t = FindDocumentType(type);
  return t && t->Ksef;
}

TSaleKind SaleKind(int type) {
  const TDocumentType* t = FindDocumentType(type);
  return t ? t->Sale : skDomestic;
}

bool IsExportType(int type) { return SaleKind(type) == skExport; }
bool IsWdtType(int type) { return SaleKind(type) == skIntraEu; }
bool IsForeignType(int type) { return SaleKind(type) != skDomestic; }
bool NeedsTaxpayerPrefix(int type) { return IsForeignType(type); }

bool IsDeferredPaymentType(int type) {
  const TDocumentType* t = FindDocumentType(type);
  return t && t->DeferredPayment;
}

}  // namespace brenvik
