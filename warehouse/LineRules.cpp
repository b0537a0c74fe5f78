#include "warehouse/LineRules.h"

#include <cmath>
#include <cstdio>

#include "support/DocumentTypes.h"
#include "support/Money.h"
#include "support/Errors.h"
#include "warehouse/VatRates.h"

namespace brenvik {

namespace {
// Characters, not bytes, count for the padding of a UTF-8 name.
size_t Utf8Length(const std::string& s) {
  size_t n = 0;
  for (unsigned char c : s)
    if ((c & 0xC0) != 0x80) ++n;
  return n;
}
}  // namespace

std::string VatRateCode(int rate, const TSale& sale) {
  if (const TVatRate* r = FindVatRate(rate)) return r->Code[RateColumn(*r, sale)];
  if (rate > 0) return std::to_string(rate);
  throw EConvertError("Nierozpoznana stawka VAT");
}

std::string GtuCode(int gtu) {
  if (gtu <= 0) return {};
  char buf[32];
  std::snprintf(buf, sizeof buf, "GTU_%.2d", gtu);
  return buf;
}

double LineQuantity(double stored) { return RoundHalfAway(QuantityDigits, stored); }
double LineExchangeRate(double stored) { return RoundHalfAway(ExchangeRateDigits, stored); }

TLineAmounts LineAmounts(double price, double quantity, int rate, bool grossPricing) {
  TLineAmounts a;
  const double stored = RoundHalfAway(UnitPriceDigits, price);
  if (grossPricing) {
    a.UnitPrice = stored;
    a.Gross = RoundHalfAway(PriceDigits, stored * quantity);
    a.Net = NetFromGross(rate, a.Gross);
    return a;
  }
  if (rate <= 0) {
    a.UnitPrice = stored;
    a.Net = RoundHalfAway(PriceDigits, stored * quantity);
    return a;
  }
  const double netPrice = stored * 100.0 / (rate + 100.0);
  a.Net = RoundHalfAway(PriceDigits, netPrice * quantity);
  for (int digits = PriceDigits; digits <= UnitPriceDigits; ++digits) {
    a.UnitPrice = RoundHalfAway(digits, netPrice);
    if (RoundHalfAway(PriceDigits, a.UnitPrice * quantity) == a.Net) break;
  }
  return a;
}

std::string PackingReason(const std::string& name, double price, double quantity) {
  std::string padded = name;
  for (size_t n = Utf8Length(name); n < 40; ++n) padded += ' ';
  char num[64];
  std::snprintf(num, sizeof num, "%.2f", price);
  // nearbyint follows the default rounding mode, which rounds ties to even.
  long count = std::lrint(std::nearbyint(quantity));
  return padded + "  Cena: " + num + "  Ilość: " + std::to_string(count);
}

}  // namespace brenvik
