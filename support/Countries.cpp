#include "support/Countries.h"

#include "support/TextCodec.h"

namespace brenvik {

const std::array<TEuCountry, EuCountryCount> EuCountries{{
    {"AT", "Austria"},   {"BE", "Belgia"},     {"BG", "Bułgaria"},   {"CY", "Cypr"},
    {"CZ", "Czechy"},    {"DE", "Niemcy"},     {"DK", "Dania"},      {"EE", "Estonia"},
    {"EL", "Grecja"},    {"ES", "Hiszpania"},  {"FI", "Finlandia"},  {"FR", "Francja"},
    {"HR", "Chorwacja"}, {"HU", "Węgry"},      {"IE", "Irlandia"},   {"IT", "Włochy"},
    {"LT", "Litwa"},     {"LU", "Luksemburg"}, {"LV", "Łotwa"},      {"MT", "Malta"},
    {"NL", "Holandia"},  {"PL", "Polska"},     {"PT", "Portugalia"}, {"RO", "Rumunia"},
    {"SE", "Szwecja"},   {"SI", "Słowenia"},   {"SK", "Słowacja"},   {"XI", "Irlandia Północna"},
}};

int EuCountryIndex(std::string_view code) {
  const std::string key = AsciiUpper(Trim(code));
  for (std::size_t i = 0; i < EuCountries.size(); ++i)
    if (key == EuCountries[i].Code) return static_cast<int>(i);
  return -1;
}

bool IsEuCountry(std::string_view code) { return EuCountryIndex(code) >= 0; }

std::string EuCountryName(std::string_view code) {
  const int i = EuCountryIndex(code);
  return i < 0 ? std::string() : EuCountries[static_cast<std::size_t>(i)].Name;
}

std::string EuCountryCode(std::string_view name) {
  const std::string key = AsciiUpper(Trim(name));
  for (const TEuCountry& c : EuCountries)
    if (key == AsciiUpper(c.Name)) return c.Code;
  return {};
}

TBuyerKind BuyerKindOf(std::string_view countryCode) {
  // Blanks around the code are ignored as in the table look-up, so " PL" is
  // a Polish buyer and not an EU one.
  const std::string code = AsciiUpper(Trim(countryCode));
  if (code.empty() || code == "PL") return bkPL;
  return IsEuCountry(code) ? bkUE : bkNonUE;
}

}  // namespace brenvik
