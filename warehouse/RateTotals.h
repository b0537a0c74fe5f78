#pragma once
// The totals per VAT rate of Fa that a foreign-currency document rebuilds
// from its lines: which total a rate feeds, and writing a total at its
// schema place even when it comes into being during the line pass.
#include <string>

#include "fa3/Schemat_FA3.h"

namespace brenvik {

// Net total fed by a line of that rate on a document of that type, as the
// table in VatRates.def gives it by the type's sale kind ("P_13_1" for 23,
// "P_13_6_2" for 0 on 22/23, ...); empty for a rate not listed.
std::string NetTotalName(int rate, int invoType);
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

}  // namespace brenvik
