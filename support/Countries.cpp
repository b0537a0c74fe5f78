#include "support/Countries.h"

#include <string_view>
#include <unordered_map>

#include "support/TextCodec.h"

namespace brenvik {

namespace {

#define BRENVIK_COUNTRY(Iso, VatCode, NamePl, NameEn, Aliases) \
  {Iso, VatCode, NamePl, NameEn, Aliases},
constexpr TCountry Rows[] = {
#include "support/Countries.def"
};
#undef BRENVIK_COUNTRY

// The base letter, in upper case, of each character from U+00C0 to U+017F
// (the Latin-1 and Latin Extended-A letters: Polish, its neighbours' and the
// other European ones); '-' where a character has none (signs, ligatures).
constexpr std::string_view LatinBase =
    "AAAAAAACEEEEIIIIDNOOOOO-OUUUUY-S"   // U+00C0
    "AAAAAAACEEEEIIIIDNOOOOO-OUUUUY-Y"   // U+00E0
    "AAAAAACCCCCCCCDDDDEEEEEEEEEEGGGG"   // U+0100
    "GGGGHHHHIIIIIIIIII--JJKKKLLLLLLL"   // U+0120
    "LLLNNNNNN-NNOOOOOOOORRRRRRSSSSSS"   // U+0140
    "SSTTTTTTUUUUUUUUUUUUWWYYYZZZZZZS";  // U+0160
constexpr char32_t LatinFirst = 0xC0;
static_assert(LatinBase.size() == 0x180 - LatinFirst);

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The text without blanks at either end and a final dot, inner runs of
// blanks made one space.
std::string Squeezed(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (!IsBlank(c))
      out += c;
    else if (!out.empty() && out.back() != ' ')
      out += ' ';
  }
  if (!out.empty() && out.back() == ' ') out.pop_back();
  if (!out.empty() && out.back() == '.') out.pop_back();
  if (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

// A name as the look-up compares it: ASCII letters in upper case, the Latin
// letters with diacritics as their base letter; other characters as they are.
std::string Folded(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (b >= 0xC3 && b <= 0xC5 && i + 1 < text.size() &&
        (static_cast<unsigned char>(text[i + 1]) & 0xC0) == 0x80) {
      const char32_t cp = ((b & 0x1Fu) << 6) | (static_cast<unsigned char>(text[i + 1]) & 0x3Fu);
      const char base = LatinBase[cp - LatinFirst];
      if (base != '-') {
        out += base;
        ++i;
        continue;
      }
    }
    out += text[i];
  }
  return AsciiUpper(out);
}

std::string NameKey(std::string_view name) { return Folded(Squeezed(name)); }

// The look-ups, built once: by code, by EU VAT code and by folded name; the
// first row of a key wins.
struct TIndex {
  std::unordered_map<std::string, const TCountry*> ByIso, ByVat, ByName;

  TIndex() {
    for (const TCountry& c : Rows) {
      ByIso.emplace(c.Iso, &c);
      if (*c.VatCode) ByVat.emplace(c.VatCode, &c);
      ByName.emplace(NameKey(c.NamePl), &c);
      ByName.emplace(NameKey(c.NameEn), &c);
      for (std::string_view rest = c.Aliases; !rest.empty();) {
        const std::size_t bar = rest.find('|');
        ByName.emplace(NameKey(rest.substr(0, bar)), &c);
        rest = bar == std::string_view::npos ? std::string_view() : rest.substr(bar + 1);
      }
    }
  }
};

const TIndex& Index() {
  static const TIndex index;
  return index;
}

const TCountry* Lookup(const std::unordered_map<std::string, const TCountry*>& map,
                       const std::string& key) {
  const auto it = map.find(key);
  return it == map.end() ? nullptr : it->second;
}

bool IsTwoAsciiLetters(std::string_view s) {
  auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
  return s.size() == 2 && letter(s[0]) && letter(s[1]);
}

}  // namespace

std::span<const TCountry> Countries() { return Rows; }

const TCountry* CountryByIso(std::string_view code) {
  return Lookup(Index().ByIso, AsciiUpper(Trim(code)));
}

const TCountry* CountryByVatCode(std::string_view code) {
  return Lookup(Index().ByVat, AsciiUpper(Trim(code)));
}

const TCountry* FindCountry(std::string_view text) {
  const std::string s = Squeezed(text);
  if (IsTwoAsciiLetters(s)) {
    if (const TCountry* c = CountryByIso(s)) return c;
    if (const TCountry* c = CountryByVatCode(s)) return c;
  }
  return s.empty() ? nullptr : Lookup(Index().ByName, Folded(s));
}

bool IsEuVatCode(std::string_view code) { return CountryByVatCode(code) != nullptr; }

TBuyerKind BuyerKindOf(const TCountry* country) {
  if (!country || std::string_view(country->Iso) == "PL") return bkPL;
  return *country->VatCode ? bkUE : bkNonUE;
}

}  // namespace brenvik
