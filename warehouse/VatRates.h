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
  bool NetByBuyer;       // the register's net total follows the buyer's country
  const char* Vat;       // VAT total; "" for none
  const char* VatPln;    // VAT total in PLN of a foreign-currency document; "" for none
  const char* Code[3];   // rate code of a line by sale kind
};

// The exempt rate ("zw"): its lines and totals are exempt supply.
inline constexpr int ExemptRate = -1;

// All rows of the table, in its order (the order of the totals in Fa).
std::span<const TVatRate> VatRates();
// The row of a rate; null when the rate is not listed.
const TVatRate* FindVatRate(int rate);

}  // namespace brenvik
