#include "warehouse/RateTotals.h"

#include "support/DocumentTypes.h"
#include "support/Errors.h"
#include "warehouse/VatRates.h"

namespace brenvik {

namespace {

using TGetter = double (TXMLFaktura_Fa::*)();
using TSetter = void (TXMLFaktura_Fa::*)(double);
struct TTotal {
  const char* Name;
  TGetter Get;
  TSetter Set;
};

#define BRENVIK_TOTAL(N) {#N, &TXMLFaktura_Fa::N, &TXMLFaktura_Fa::Set##N}
const TTotal Totals[] = {
    BRENVIK_TOTAL(P_13_1),   BRENVIK_TOTAL(P_14_1),   BRENVIK_TOTAL(P_13_2),
    BRENVIK_TOTAL(P_14_2),   BRENVIK_TOTAL(P_13_3),   BRENVIK_TOTAL(P_14_3),
    BRENVIK_TOTAL(P_13_6_1), BRENVIK_TOTAL(P_13_6_2), BRENVIK_TOTAL(P_13_6_3),
    BRENVIK_TOTAL(P_13_7),   BRENVIK_TOTAL(P_13_8),   BRENVIK_TOTAL(P_13_9),
    BRENVIK_TOTAL(P_15)};
#undef BRENVIK_TOTAL

const TTotal& FindTotal(const std::string& name) {
  for (const TTotal& t : Totals)
    if (name == t.Name) return t;
  throw EArgumentException("Nieznana suma faktury: " + name);
}


}  // namespace

std::string NetTotalName(int rate, int invoType) {
  const TVatRate* r = FindVatRate(rate);
  return r ? r->Net[SaleKind(invoType)] : std::string();
}

std::string VatTotalName(int rate) {
  const TVatRate* r = FindVatRate(rate);
  return r ? r->Vat : std::string();
}

double FaTotal(const IXMLFaktura_Fa& fa, const std::string& name) {
  const TTotal& t = FindTotal(name);
  if (!fa->HasChild(name)) return 0;
  return (fa.get()->*t.Get)();
}

void SetFaTotal(const IXMLFaktura_Fa& fa, const std::string& name, double value) {
  const TTotal& t = FindTotal(name);
  fa->EnsureChildInSchemaOrder(name);
  (fa.get()->*t.Set)(value);
}

void AddToFaTotal(const IXMLFaktura_Fa& fa, const std::string& name, double amount) {
  if (name.empty()) return;
  SetFaTotal(fa, name, FaTotal(fa, name) + amount);
}

}  // namespace brenvik
