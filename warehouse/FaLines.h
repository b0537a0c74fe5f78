#pragma once
// The FaWiersz elements of an exported invoice, one per line of the
// document (packaging charges excepted), and for a foreign-currency invoice
// the rate totals and the amount due rebuilt from those lines. The pass over
// the tables is TDM::FillFaWiersze; what needs no table is here.
#include <functional>
#include <string>

#include "fa3/Schemat_FA3.h"

namespace brenvik {

// Whether Fa is in a currency other than PLN. Reads KodWaluty without
// creating it; an absent code counts as not PLN.
bool IsForeignCurrencyFa(const IXMLFaktura_Fa& fa);

// Decimal places of a line's unit net price: 4 for an export (2, 3) or an
// intra-Community supply (22, 23) in a foreign currency, else 2.
int LineNetPriceDigits(int invoType, bool foreign);

// Whether a register field of the document holds a non-zero amount.
using TRegisterNonZero = std::function<bool(const std::string& field)>;

// Before the lines of a foreign-currency invoice rebuild them: the rate
// totals whose register fields are non-zero, and P_15 always, set to 0 at
// their schema place. The tax totals in PLN (P_14_xW) stay.
void ResetForeignRateTotals(const IXMLFaktura_Fa& fa, int invoType,
                            const TRegisterNonZero& registerNonZero);

// One line's part in the totals of a foreign-currency invoice: its net to
// the net total of its rate, its VAT to the tax total, both to P_15
// (rounded to cents at each line). Rates without a total add only to P_15.
void AddLineToForeignTotals(const IXMLFaktura_Fa& fa, int rate, int invoType, double net);

}  // namespace brenvik
