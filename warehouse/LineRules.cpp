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

std::string VatRateCode(int rate, int invoType) {
  if (const TVatRate* r = FindVatRate(rate)) return r->Code[SaleKind(invoType)];
  if (rate > 0) return std::to_string(rate);
  throw EConvertError("Nierozpoznana stawka VAT");
}

std::string GtuCode(int gtu) {
  if (gtu <= 0) return {};
  char buf[32];
  std::snprintf(buf, sizeof buf, "GTU_%.2d", gtu);
  return buf;
}

TLineAmounts LineAmounts(double price, double quantity, int rate, bool grossPricing,
                         int netDigits) {
  TLineAmounts a;
  a.NetPrice = NetFromGrossDigits(netDigits, rate, price);
  if (grossPricing) {
    a.Gross = RoundHalfAway(2, price * quantity);
    a.Net = NetFromGross(rate, a.Gross);
  } else {
    a.Net = RoundHalfAway(2, a.NetPrice * quantity);
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
