#include "support/DocumentTypes.h"

namespace brenvik {

namespace {

#define BRENVIK_DOC_TYPE(Type, Ksef, Sale, Deferred) {Type, Ksef, Sale, Deferred},
constexpr TDocumentType Types[] = {
#include "support/DocumentTypes.def"
};
#undef BRENVIK_DOC_TYPE

}  // namespace

std::span<const TDocumentType> DocumentTypes() { return Types; }

const TDocumentType* FindDocumentType(int type) {
  for (const TDocumentType& t : Types)
    if (t.Type == type) return &t;
  return nullptr;
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
