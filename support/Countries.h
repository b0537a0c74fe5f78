#pragma once
// The countries of the FA(3) country dictionary, read from the table in
// Countries.def, and the kind of buyer a country makes.
#include <span>
#include <string>
#include <string_view>

namespace brenvik {

struct TCountry {
  const char* Iso;      // code of the dictionary (ISO 3166 and its X codes)
  const char* VatCode;  // EU VAT code (EL for Greece, XI for Northern Ireland); "" outside the EU
  const char* NamePl;   // Polish name
  const char* NameEn;   // English name
  const char* Aliases;  // further names, separated by "|"; "" when none
};

// All rows of the table, in the dictionary's order.
std::span<const TCountry> Countries();
// The row of a code (trimmed, ASCII letters compared without case); null when absent.
const TCountry* CountryByIso(std::string_view code);
// The row of an EU VAT code ("EL" Greece, "XI" Northern Ireland); null outside the EU.
const TCountry* CountryByVatCode(std::string_view code);
// The country a text names: its code or EU VAT code (two letters, tried first), its Polish or
// English name or an alias; letter case and the diacritics of Latin letters are ignored ("wegry",
// "WĘGRY" and "Węgry" all find Hungary), as are blanks and a final dot; null when none.
const TCountry* FindCountry(std::string_view text);
// Whether the code is an EU VAT code of the table (PL and XI included).
bool IsEuVatCode(std::string_view code);

enum TBuyerKind { bkPL = 0, bkUE = 1, bkNonUE = 2 };
// null or Poland: bkPL; a row with an EU VAT code: bkUE; any other row: bkNonUE.
TBuyerKind BuyerKindOf(const TCountry* country);

}  // namespace brenvik
