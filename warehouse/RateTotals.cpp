#include "warehouse/RateTotals.h"

#include "support/DocumentTypes.h"
#include "support/Errors.h"

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
  switch (rate) {
    case 23: return "P_13_1";
    case 8: return "P_13_2";
    case 5: return "P_13_3";
    case 0: return IsWdtType(invoType) ? "P_13_6_2" : IsExportType(invoType) ? "P_13_6_3" : "P_13_6_1";
    case -1: return "P_13_7";
    case -2: return IsExportType(invoType) ? "P_13_8" : "P_13_9";
    default: return {};
  }
}

std::string VatTotalName(int rate) {
  switch (rate) {
    case 23: return "P_14_1";
    case 8: return "P_14_2";
    case 5: return "P_14_3";
    default: return {};
  }
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
