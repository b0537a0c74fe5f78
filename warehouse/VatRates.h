#pragma once
// Stelmar's VAT rates, read from the table in VatRates.def.
#include <span>
#include <string>

#include "support/DocumentTypes.h"

namespace brenvik {

struct TVatRate {
  int Rate;
  const char* NetField;  // register field of the net amount
  const char* VatField;  // register field of the VAT amount; "" for none
  const char* Net[3];    // net total by sale kind
  bool ByBuyer;          // total and code follow the buyer's sale kind, not the document's
  const char* Vat;       // VAT total; "" for none
  const char* VatPln;    // VAT total in PLN of a foreign-currency document; "" for none
  const char* Code[3];   // rate code of a line by sale kind
  bool BuyerSettles;     // in the intra-EU column the buyer settles the tax
};

// The exempt rate ("zw"): its lines and totals are exempt supply.
inline constexpr int ExemptRate = -1;

// All rows of the table, in its order (the order of the totals in Fa).
std::span<const TVatRate> VatRates();
// The row of a rate; null when the rate is not listed.
const TVatRate* FindVatRate(int rate);

// What chooses a rate's column: the sale kind of the document's type, and
// the one its buyer makes (intra-EU for a VAT payer of another EU state,
// export for any other foreign buyer, domestic for a Polish one).
struct TSale {
  TSaleKind Document = skDomestic;
  TSaleKind Buyer = skDomestic;
};
TSale SaleOf(int invoType, TSaleKind buyer = skDomestic);
// The column of the row for that sale.
TSaleKind RateColumn(const TVatRate& rate, const TSale& sale);

}  // namespace brenvik
