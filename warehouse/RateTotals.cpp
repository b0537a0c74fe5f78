#include "warehouse/RateTotals.h"

#include <cmath>
#include <cstdio>
#include <type_traits>
#include <vector>

#include "fa3/Fa3Values.h"
#include "support/Money.h"
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

std::string NetTotalName(int rate, const TSale& sale) {
  const TVatRate* r = FindVatRate(rate);
  return r ? r->Net[RateColumn(*r, sale)] : std::string();
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

void TForeignTotals::AddLine(int rate, const TLineAmounts& amounts) {
  TSums& sums = FSums[rate];
  ++sums.Lines;
  sums.Net += amounts.Net;
  sums.Gross += amounts.Gross;
}

std::vector<TForeignTotals::TRateTotal> TForeignTotals::Totals() const {
  std::vector<TRateTotal> out;
  for (const auto& [rate, sums] : FSums) {
    TRateTotal t;
    t.Rate = rate;
    t.Lines = sums.Lines;
    if (FGrossPricing) {
      const double gross = RoundHalfAway(PriceDigits, sums.Gross);
      t.Vat = rate > 0 ? RoundHalfAway(PriceDigits, gross * rate / (100.0 + rate)) : 0;
      t.Net = RoundHalfAway(PriceDigits, gross - t.Vat);
    } else {
      t.Net = RoundHalfAway(PriceDigits, sums.Net);
      t.Vat = VatFromNet(rate, t.Net);
    }
    out.push_back(t);
  }
  return out;
}

double TForeignTotals::Due() const {
  double due = 0;
  for (const TRateTotal& t : Totals()) due += t.Net + t.Vat;
  return RoundHalfAway(PriceDigits, due);
}

void TForeignTotals::Write(const IXMLFaktura_Fa& fa, const TSale& sale) const {
  for (const TRateTotal& t : Totals()) {
    const TVatRate* r = FindVatRate(t.Rate);
    if (!r) continue;
    // A rate's net and VAT go as a pair, as the register's totals do.
    const bool any = t.Net != 0 || t.Vat != 0;
    if (!any) continue;
    SetFaTotal(fa, r->Net[RateColumn(*r, sale)], t.Net);
    if (*r->Vat) SetFaTotal(fa, r->Vat, t.Vat);
  }
  SetFaTotal(fa, "P_15", Due());
}

namespace {

std::string Amount(double value) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.2f", value);
  return buf;
}

}  // namespace

std::vector<std::string> ReconcilePlnVat(const IXMLFaktura_Fa& fa, const TForeignTotals& totals,
                                         double exchangeRate,
                                         const std::function<double(const std::string&)>& reg) {
  std::vector<std::string> warnings;
  const std::vector<TForeignTotals::TRateTotal> rates = totals.Totals();
  for (const TVatRate& r : VatRates()) {
    if (!*r.VatPln) continue;
    const double registered = RoundHalfAway(PriceDigits, reg(r.VatField));
    const TForeignTotals::TRateTotal* t = nullptr;
    for (const auto& rt : rates)
      if (rt.Rate == r.Rate) t = &rt;
    // The schema has the tax in PLN only beside the rate's totals.
    if (!t || !fa->HasChild(r.Vat)) {
      if (registered != 0)
        warnings.push_back("rejestr podaje VAT w PLN stawki " + std::string(r.Code[0]) + " % (" +
                           Amount(registered) + "), a faktura nie ma pozycji tej stawki; " +
                           r.VatPln + " nie zapisano");
      continue;
    }
    const double converted = RoundHalfAway(PriceDigits, t->Vat * exchangeRate);
    const double written = registered != 0 ? registered : converted;
    const TTotal* w = FindAnyTotal(r.VatPln);
    fa->EnsureChildInSchemaOrder(r.VatPln);
    (fa.get()->*w->Set)(written);
    // Each line's VAT in PLN may round a grosz its own way.
    if (std::abs(registered - converted) <= 0.01 * t->Lines + 1e-9) continue;
    warnings.push_back(
        "VAT w PLN stawki " + std::string(r.Code[0]) + " % z rejestru (" + Amount(registered) +
        ") różni się od VAT " + Amount(t->Vat) + " przeliczonego po kursie " +
        FormatFa3Decimal(exchangeRate) + " (" + Amount(converted) +
        ") o więcej niż grosz na pozycję; w " + r.VatPln + " zapisano " +
        (registered != 0 ? "kwotę z rejestru" : "kwotę przeliczoną"));
  }
  return warnings;
}

}  // namespace brenvik
