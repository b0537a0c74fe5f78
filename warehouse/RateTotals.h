#pragma once
// The totals per VAT rate of Fa that a foreign-currency document rebuilds
// from its lines: which total a rate feeds, and writing a total at its
// schema place even when it comes into being during the line pass.
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "fa3/Schemat_FA3.h"
#include "warehouse/LineRules.h"
#include "warehouse/VatRates.h"

namespace brenvik {

// Net total fed by a line of that rate in that sale, as the table in
// VatRates.def gives it ("P_13_1" for 23, "P_13_6_2" for 0 on 22/23, "P_13_9"
// for -2 to a VAT payer of another EU state, ...); empty for a rate not listed.
std::string NetTotalName(int rate, const TSale& sale);
// Tax total of the rate from the same table ("P_14_1" for 23); empty for a
// rate without VAT or not listed.
std::string VatTotalName(int rate);

// Setter of a total of Fa: an element named by the table of VAT rates (the
// tax totals in PLN too) or P_15; null for any other name.
using TFaTotalSetter = void (TXMLFaktura_Fa::*)(double);
TFaTotalSetter FaTotalSetter(const std::string& name);

// Reads a rate total or P_15 by name, absent counting as 0 (not created).
double FaTotal(const IXMLFaktura_Fa& fa, const std::string& name);
// Writes a rate total or P_15, created at its schema place when missing.
// Other names, the tax totals in PLN among them, raise EArgumentException.
void SetFaTotal(const IXMLFaktura_Fa& fa, const std::string& name, double value);
// Adds to a total without rounding; an empty name does nothing.
void AddToFaTotal(const IXMLFaktura_Fa& fa, const std::string& name, double amount);

// The totals of a foreign-currency invoice in its own currency, summed over
// its lines per rate and written once the lines are done: the net total of a
// rate is the sum of its lines' net values and its VAT the VAT of that sum,
// rounded once; with gross pricing the VAT is the gross sum times R/(100+R),
// rounded once, and the net the gross sum less it. P_15 is the sum of them
// all, a rate that feeds no total included.
class TForeignTotals {
public:
  explicit TForeignTotals(bool grossPricing) : FGrossPricing(grossPricing) {}
  void AddLine(int rate, const TLineAmounts& amounts);

  struct TRateTotal {
    int Rate = 0;
    int Lines = 0;
    double Net = 0;
    double Vat = 0;
  };
  // One entry per rate of the lines, in the order of the rates.
  std::vector<TRateTotal> Totals() const;
  double Due() const;
  // The rate totals that the sale names and P_15 (always), each at its
  // schema place.
  void Write(const IXMLFaktura_Fa& fa, const TSale& sale) const;

private:
  struct TSums {
    int Lines = 0;
    double Net = 0;
    double Gross = 0;
  };
  bool FGrossPricing;
  std::map<int, TSums> FSums;
};

// The tax in PLN (P_14_xW) of each rate of a foreign-currency invoice whose
// lines have a tax total, beside it: the register's amount, or where the
// register holds none, the VAT converted at the invoice's rate. Each rate
// whose two amounts part by more than a grosz per line, and each rate with
// VAT in the register but no line, gives one Polish warning text.
std::vector<std::string> ReconcilePlnVat(const IXMLFaktura_Fa& fa, const TForeignTotals& totals,
                                         double exchangeRate,
                                         const std::function<double(const std::string&)>& reg);

}  // namespace brenvik
