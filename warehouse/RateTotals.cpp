#include "warehouse/RateTotals.h"

#include <type_traits>
#include <vector>

#include "support/DocumentTypes.h"
#include "support/Errors.h"
#include "warehouse/VatRates.h"

namespace brenvik {

namespace {

using TGetter = double (TXMLFaktura_Fa::*)();

struct TTotal {
  std::string Name;
  TGetter Get;
  TFaTotalSetter Set;
  bool Pln;  // a tax total in PLN, which the lines do not rebuild
};

struct TDecimal {
  const char* Name;
  TGetter Get;
  TFaTotalSetter Set;
};

// Keeps the decimal members of Fa and passes over those of the other classes.
template <class C>
void AddFaDecimal(std::vector<TDecimal>& out, const char* name, double (C::*get)(),
                  void (C::*set)(double)) {
  if constexpr (std::is_same_v<C, TXMLFaktura_Fa>) out.push_back({name, get, set});
}

std::vector<TDecimal> FaDecimals() {
  std::vector<TDecimal> out;
#define FA3_DECIMAL(Cls, Name) \
  AddFaDecimal<TXML##Cls>(out, #Name, &TXML##Cls::Name, &TXML##Cls::Set##Name);
#include "fa3/Fa3ClassesDefaults.h"
#include "fa3/Fa3Classes.def"
#include "fa3/Fa3ClassesReset.h"
  return out;
}

// The totals of Fa: every element that the table of VAT rates names, then P_15.
const std::vector<TTotal>& Totals() {
  static const std::vector<TTotal> totals = [] {
    const std::vector<TDecimal> decimals = FaDecimals();
    std::vector<TTotal> out;
    auto add = [&](const std::string& name, bool pln) {
      if (name.empty()) return;
      for (const TTotal& t : out)
        if (t.Name == name) return;
      for (const TDecimal& d : decimals) {
        if (name != d.Name) continue;
        out.push_back({name, d.Get, d.Set, pln});
        return;
      }
      throw EArgumentException("Tabela stawek VAT zawiera nieznany element faktury: " + name);
    };
    for (const TVatRate& r : VatRates()) {
      for (const char* net : r.Net) add(net, false);
      add(r.Vat, false);
      add(r.VatPln, true);
    }
    add("P_15", false);
    return out;
  }();
  return totals;
}

const TTotal* FindAnyTotal(const std::string& name) {
  for (const TTotal& t : Totals())
    if (name == t.Name) return &t;
  return nullptr;
}

const TTotal& FindTotal(const std::string& name) {
  const TTotal* t = FindAnyTotal(name);
  if (!t || t->Pln) throw EArgumentException("Nieznana suma faktury: " + name);
  return *t;
}

}  // namespace

std::string NetTotalName(int rate, int invoType) {
  const TVatRate* r = FindVatRate(rate);
  return r ? r->Net[SaleKind(invoType)] : std::string();
}

TFaTotalSetter FaTotalSetter(const std::string& name) {
  const TTotal* t = FindAnyTotal(name);
  return t ? t->Set : nullptr;
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
