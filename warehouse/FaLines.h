#pragma once
// The FaWiersz elements of an exported invoice, one per line of the
// document (packaging charges excepted), and for a foreign-currency invoice
// the rate totals and the amount due rebuilt from those lines. The pass over
// the tables is TDM::FillFaWiersze; what needs no table is here.
#include "fa3/Schemat_FA3.h"

namespace brenvik {

// Whether Fa is in a currency other than PLN. Reads KodWaluty without
// creating it; an absent code counts as not PLN.
bool IsForeignCurrencyFa(const IXMLFaktura_Fa& fa);

// The exchange rate the invoice states: the KursWaluty of its lines (Stelmar
// gives every line the document's rate; should they differ, the highest
// counts); 0 when no line states one.
double ExchangeRateOf(const IXMLFaktura_Fa& fa);

}  // namespace brenvik
