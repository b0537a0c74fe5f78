#pragma once
// The EU country table (the member states with Poland, and XI for Northern
// Ireland) and the kind of buyer a country code makes.
#include <array>
#include <string>
#include <string_view>

namespace brenvik {

struct TEuCountry {
  const char* Code;
  const char* Name;  // Polish name
};

constexpr std::size_t EuCountryCount = 28;
extern const std::array<TEuCountry, EuCountryCount> EuCountries;

// Row of the trimmed code (ASCII letters compared without case), -1 when absent.
int EuCountryIndex(std::string_view code);
bool IsEuCountry(std::string_view code);
std::string EuCountryName(std::string_view code);  // empty when absent
// Code of the row whose name equals the trimmed name; only the ASCII letters
// are compared without case, so "łotwa" does not find "Łotwa".
std::string EuCountryCode(std::string_view name);

enum TBuyerKind { bkPL = 0, bkUE = 1, bkNonUE = 2 };
// bkPL for an empty code or PL, bkUE for another code of the table, else bkNonUE.
TBuyerKind BuyerKindOf(std::string_view countryCode);

}  // namespace brenvik
