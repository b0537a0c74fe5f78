#include "PolishPlural.h"

namespace brenvik {

const char* PolishPluralForm(std::int64_t count, const TPolishNoun& noun) {
  const std::uint64_t n = count < 0 ? 0 - static_cast<std::uint64_t>(count) : count;
  if (n == 1) return noun.One;
  const std::uint64_t lastDigit = n % 10;
  const std::uint64_t lastTwo = n % 100;
  if (lastDigit >= 2 && lastDigit <= 4 && (lastTwo < 12 || lastTwo > 14)) return noun.Few;
  return noun.Many;
}

std::string PolishCount(std::int64_t count, const TPolishNoun& noun) {
  return std::to_string(count) + " " + PolishPluralForm(count, noun);
}

}  // namespace brenvik
