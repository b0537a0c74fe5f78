#pragma once
// Rules of one invoice line that need no table: the VAT rate code, the GTU
// code, the unit price and values of a line, and the reason text of a
// packaging charge.
#include <string>

namespace brenvik {

// Rate code of a line from the table in VatRates.def by the sale kind of the
// document ("0 WDT" for 0 on 22/23, "np I" for -2 on 2/3, ...); a rate above 0
// that is not listed gives its percentage, below -2 raises EConvertError
// "Nierozpoznana stawka VAT".
std::string VatRateCode(int rate, int invoType);

// "GTU_07" for 7; empty for 0 or less (no element).
std::string GtuCode(int gtu);

struct TLineAmounts {
  double NetPrice = 0;  // unit net price (P_9A)
  double Net = 0;       // line net value (P_11)
  double Gross = 0;     // line gross value (P_11A), gross pricing only
};

// Price and quantity as already rounded (2 and 3 places); netDigits is the
// precision of the unit net price (4 for a foreign-currency export or
// intra-Community supply, else 2).
TLineAmounts LineAmounts(double price, double quantity, int rate, bool grossPricing, int netDigits);

// "%-40s  Cena: %s  Ilość: %d": the name padded (never cut) to 40
// characters, the price with two decimals, the quantity rounded to the
// nearest integer with ties to even.
std::string PackingReason(const std::string& name, double price, double quantity);

}  // namespace brenvik
