#include "support/Money.h"

#include <algorithm>
#include <cmath>

namespace brenvik {

double RoundHalfAway(int digits, double value) {
  // Scaling by a whole power of ten (instead of dividing by a step of 0.01)
  // keeps the scaled value and the result as close to the decimal amount as
  // a double allows.
  double scale = 1.0;
  for (int i = 0; i < std::abs(digits); ++i) scale *= 10.0;
  const double q = digits >= 0 ? value * scale : value / scale;
  const double whole = std::trunc(q);
  const double fraction = q - whole;
  // An amount typed as 1.005 is stored a hair below the half; treat what is
  // within the binary representation error of a half as the half.
  const double tolerance = std::max(1e-9, std::abs(q) * 1e-14);
  double adjust = 0.0;
  if (fraction >= 0.5 - tolerance)
    adjust = 1.0;
  else if (fraction <= -0.5 + tolerance)
    adjust = -1.0;
  const double rounded = whole + adjust;
  return digits >= 0 ? rounded / scale : rounded * scale;
}

double NetFromGrossDigits(int digits, double rate, double gross) {
  if (rate <= 0) return RoundHalfAway(digits, gross);
  return RoundHalfAway(digits, gross * 100.0 / (rate + 100.0));
}

double NetFromGross(double rate, double gross) {
  return NetFromGrossDigits(PriceDigits, rate, gross);
}

double VatFromNet(double rate, double net) {
  if (rate <= 0) return 0.0;
  return RoundHalfAway(PriceDigits, rate / 100.0 * net);
}

}  // namespace brenvik
