#pragma once
// Rules of one invoice line that need no table: the VAT rate code, the GTU
// code, the unit price and values of a line, and the reason text of a
// packaging charge.
#include <string>

#include "warehouse/VatRates.h"

namespace brenvik {

// Decimal places the schema allows a line's unit price (P_9A, P_9B), its
// quantity (P_8B) and its exchange rate (KursWaluty).
inline constexpr int UnitPriceDigits = 8;
inline constexpr int QuantityDigits = 6;
inline constexpr int ExchangeRateDigits = 6;

// A stored quantity or exchange rate as the invoice states it.
double LineQuantity(double stored);
double LineExchangeRate(double stored);

// Rate code of a line from the table in VatRates.def by the sale ("0 WDT"
// for 0 on 22/23, "np II" for -2 to a VAT payer of another EU state, ...); a
// rate above 0 that is not listed gives its percentage, below -2 raises
// EConvertError "Nierozpoznana stawka VAT".
std::string VatRateCode(int rate, const TSale& sale);

// "GTU_07" for 7; empty for 0 or less (no element).
std::string GtuCode(int gtu);

struct TLineAmounts {
  double UnitPrice = 0;  // P_9B with gross pricing, else the unit net price P_9A
  double Net = 0;        // line net value (P_11)
  double Gross = 0;      // line gross value (P_11A), gross pricing only
};

// Stelmar's line price is gross; the quantity as LineQuantity gives it. A
// line value is the unrounded price times the quantity, rounded once to
// grosze (with gross pricing the net from that gross value). The stored
// price is written as stored (up to 8 places); a net price derived from it
// with the fewest places, from 2 up to 8, that still give the line's value.
TLineAmounts LineAmounts(double price, double quantity, int rate, bool grossPricing);

// "%-40s  Cena: %s  Ilość: %d": the name padded (never cut) to 40
// characters, the price with two decimals, the quantity rounded to the
// nearest integer with ties to even.
std::string PackingReason(const std::string& name, double price, double quantity);

}  // namespace brenvik
