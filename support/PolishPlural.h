#pragma once
// Counts in Polish texts: the noun's form follows the number
// (1 faktura, 2-4 faktury, 5-21 faktur, 22-24 faktury, 25 faktur ...).
#include <cstdint>
#include <string>

namespace brenvik {

// The three forms of a noun after a number: One for exactly 1, Few for
// numbers ending in 2, 3 or 4 except 12-14, Many for all others (0 included).
struct TPolishNoun {
  const char* One;
  const char* Few;
  const char* Many;
};

// The form of Noun that stands after Count.
const char* PolishPluralForm(std::int64_t count, const TPolishNoun& noun);
// "<count> <form>", e.g. "3 faktury".
std::string PolishCount(std::int64_t count, const TPolishNoun& noun);

}  // namespace brenvik
