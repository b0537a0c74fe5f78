#include <gtest/gtest.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <cctype>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "common/TestFiles.h"
#include "support/Countries.h"

using namespace brenvik;
using namespace brenvik::testing;

namespace {

bool IsXsdElement(xmlNodePtr node, const char* name) {
  return node->type == XML_ELEMENT_NODE && node->ns &&
         std::strcmp(reinterpret_cast<const char*>(node->ns->href),
                     "http://www.w3.org/2001/XMLSchema") == 0 &&
         std::strcmp(reinterpret_cast<const char*>(node->name), name) == 0;
}

// The text libxml2 handed over, freed; "" for none.
std::string Taken(xmlChar* text) {
  std::string out = text ? reinterpret_cast<const char*>(text) : "";
  xmlFree(text);
  return out;
}

std::string Attribute(xmlNodePtr node, const char* name) {
  return Taken(xmlGetProp(node, reinterpret_cast<const xmlChar*>(name)));
}

// The first element of that name below node, depth first.
xmlNodePtr FindXsdElement(xmlNodePtr node, const char* name) {
  for (xmlNodePtr c = node->children; c; c = c->next) {
    if (IsXsdElement(c, name)) return c;
    if (xmlNodePtr found = FindXsdElement(c, name)) return found;
  }
  return nullptr;
}

void CollectEnumeration(xmlNodePtr node, std::map<std::string, std::string>& out) {
  for (xmlNodePtr c = node->children; c; c = c->next) {
    if (IsXsdElement(c, "enumeration")) {
      xmlNodePtr doc = FindXsdElement(c, "documentation");
      out[Attribute(c, "value")] = doc ? Taken(xmlNodeGetContent(doc)) : "";
    } else {
      CollectEnumeration(c, out);
    }
  }
}

// The values of a named simple type of a schema file, each with its documentation.
std::map<std::string, std::string> Enumeration(const std::string& file, const char* type) {
  std::unique_ptr<xmlDoc, decltype(&xmlFreeDoc)> doc(
      xmlReadFile(file.c_str(), nullptr, XML_PARSE_NONET), &xmlFreeDoc);
  std::map<std::string, std::string> values;
  if (!doc) {
    ADD_FAILURE() << "cannot read " << file;
    return values;
  }
  for (xmlNodePtr c = xmlDocGetRootElement(doc.get())->children; c; c = c->next)
    if (IsXsdElement(c, "simpleType") && Attribute(c, "name") == type)
      CollectEnumeration(c, values);
  return values;
}

// The non-ASCII letters of the table's names: both cases and the base letter.
struct TLetter {
  const char* Upper;
  const char* Lower;
  char Base;
};
constexpr TLetter Letters[] = {
    {"Ą", "ą", 'a'}, {"Ć", "ć", 'c'}, {"Ę", "ę", 'e'}, {"Ł", "ł", 'l'}, {"Ń", "ń", 'n'},
    {"Ó", "ó", 'o'}, {"Ś", "ś", 's'}, {"Ź", "ź", 'z'}, {"Ż", "ż", 'z'}, {"Á", "á", 'a'},
    {"Â", "â", 'a'}, {"Ã", "ã", 'a'}, {"Å", "å", 'a'}, {"Ç", "ç", 'c'}, {"Č", "č", 'c'},
    {"É", "é", 'e'}, {"Í", "í", 'i'}, {"Ñ", "ñ", 'n'}, {"Ô", "ô", 'o'}, {"Ö", "ö", 'o'},
    {"Ü", "ü", 'u'},
};

enum class TForm { Upper, Lower, Bare };

// The text in upper or lower case, or with its letters' diacritics dropped.
std::string Written(std::string_view s, TForm form) {
  std::string out;
  for (std::size_t i = 0; i < s.size();) {
    const TLetter* letter = nullptr;
    bool upper = false;
    for (const TLetter& l : Letters) {
      if (s.substr(i).starts_with(l.Upper)) letter = &l, upper = true;
      if (s.substr(i).starts_with(l.Lower)) letter = &l;
      if (letter) break;
    }
    if (letter) {
      i += std::strlen(upper ? letter->Upper : letter->Lower);
      if (form == TForm::Bare)
        out += upper ? static_cast<char>(std::toupper(letter->Base)) : letter->Base;
      else
        out += form == TForm::Upper ? letter->Upper : letter->Lower;
      continue;
    }
    const unsigned char c = static_cast<unsigned char>(s[i++]);
    out += static_cast<char>(form == TForm::Upper   ? std::toupper(c)
                             : form == TForm::Lower ? std::tolower(c)
                                                    : c);
  }
  return out;
}

bool IsAscii(std::string_view s) {
  for (char c : s)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

std::vector<std::string> NamesOf(const TCountry& c) {
  std::vector<std::string> names{c.NamePl, c.NameEn};
  if (!*c.Aliases) return names;
  for (std::string_view rest = c.Aliases;;) {
    const std::size_t bar = rest.find('|');
    names.emplace_back(rest.substr(0, bar));
    if (bar == std::string_view::npos) return names;
    rest.remove_prefix(bar + 1);
  }
}

// "GR/EL": a row's code and EU VAT code; "" for none.
std::string CodesOf(const TCountry* c) {
  return c ? std::string(c->Iso) + "/" + c->VatCode : std::string();
}

}  // namespace

// The table against its authority, the FA(3) schema: its codes are exactly
// those of the country dictionary, and its EU VAT codes exactly those of the
// EU list, each on the country the list means: its own code, or one both
// lists name alike (Greece is GR in one and EL in the other).
TEST(Countries, TableHoldsTheSchemaDictionary) {
  const auto codes = Enumeration(Fa3SchemaDir() + "/KodyKrajow_v10-0E.xsd", "TKodKraju");
  const auto eu = Enumeration(Fa3SchemaDir() + "/schemat_FA3_v1-0E.xsd", "TKodyKrajowUE");
  ASSERT_FALSE(codes.empty());
  ASSERT_FALSE(eu.empty());
  std::set<std::string> isos, vatCodes;
  for (const TCountry& c : Countries()) {
    EXPECT_TRUE(isos.insert(c.Iso).second) << "two rows of " << c.Iso;
    const auto code = codes.find(c.Iso);
    ASSERT_NE(code, codes.end()) << c.Iso << " is not a code of TKodKraju";
    if (!*c.VatCode) continue;
    EXPECT_TRUE(vatCodes.insert(c.VatCode).second) << "two rows of " << c.VatCode;
    const auto vat = eu.find(c.VatCode);
    ASSERT_NE(vat, eu.end()) << c.VatCode << " is not a code of TKodyKrajowUE";
    EXPECT_TRUE(vat->first == c.Iso || vat->second == code->second)
        << c.Iso << " " << code->second << " / " << c.VatCode << " " << vat->second;
  }
  EXPECT_EQ(isos.size(), codes.size());
  EXPECT_EQ(vatCodes.size(), eu.size());
}

// Every row is found by its code, its EU VAT code and each of its names in
// any letter case and without diacritics, and no name leads to two rows.
TEST(Countries, EveryRowIsFoundByItsCodesAndNames) {
  std::map<std::string, std::string> owner;  // a name in bare upper case -> the row naming it
  for (const TCountry& c : Countries()) {
    const std::string row = CodesOf(&c);
    EXPECT_EQ(CountryByIso(c.Iso), &c) << row;
    EXPECT_EQ(FindCountry(c.Iso), &c) << row;
    // Greece's GR is no VAT code; only the VAT code column makes one.
    EXPECT_EQ(IsEuVatCode(c.Iso), std::string_view(c.Iso) == c.VatCode) << row;
    if (*c.VatCode) {
      EXPECT_EQ(CountryByVatCode(c.VatCode), &c) << row;
      EXPECT_TRUE(IsEuVatCode(c.VatCode)) << row;
      EXPECT_EQ(FindCountry(Written(c.VatCode, TForm::Lower)), &c) << row;
    }
    EXPECT_NE(Written(c.NamePl, TForm::Upper), c.NamePl) << row << ": a name in capitals";
    for (const std::string& name : NamesOf(c)) {
      const std::string bare = Written(name, TForm::Bare);
      EXPECT_TRUE(IsAscii(bare)) << name << ": a letter the test does not know";
      for (const std::string& text :
           {name, Written(name, TForm::Upper), Written(name, TForm::Lower), bare})
        EXPECT_EQ(CodesOf(FindCountry(text)), row) << "\"" << text << "\"";
      const auto [it, fresh] = owner.emplace(Written(bare, TForm::Upper), row);
      EXPECT_TRUE(fresh || it->second == row) << name << " names " << it->second << " and " << row;
    }
  }
}

TEST(Countries, FindCountryReadsCodesAndNamesAsWritten) {
  struct {
    const char* Text;
    const char* Codes;  // of the row found, "" for none
  } cases[] = {
      {"Grecja", "GR/EL"},
      {"GR", "GR/EL"},
      {"EL", "GR/EL"},
      {" el ", "GR/EL"},
      {"Greece", "GR/EL"},
      {"USA", "US/"},
      {"Stany Zjednoczone Ameryki", "US/"},
      {"  stany \t zjednoczone ", "US/"},
      {"Szwajcaria", "CH/"},
      {"Niemcy.", "DE/DE"},
      {"Niemcy .", "DE/DE"},
      {"  deutschland ", "DE/DE"},
      {"wegry", "HU/HU"},
      {"WĘGRY", "HU/HU"},
      {"wĘgRy", "HU/HU"},
      {"Irlandia Północna", "XI/XI"},
      {"IRLANDIA POLNOCNA", "XI/XI"},
      {"xi", "XI/XI"},
      {"gb", "GB/"},
      {"UK", "GB/"},
      {"Anglia", "GB/"},
      {"Holandia", "NL/NL"},
      {"cesko", "CZ/CZ"},
      {"Korea Poludniowa", "KR/"},
      {"OSTERREICH", "AT/AT"},
      {"Curacao", "CW/"},
      {"pl.", "PL/PL"},
      {"Korea", ""},
      {"DEU", ""},
      {"Niemcy..", ""},
      {"Niem cy", ""},
      {"xyz", ""},
      {".", ""},
      {"  ", ""},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(CodesOf(FindCountry(c.Text)), c.Codes) << c.Text;
}

TEST(BuyerKind, ByCountry) {
  struct {
    const char* Text;
    TBuyerKind Kind;
  } cases[] = {
      {"", bkPL},        // no country given
      {" pl ", bkPL},    // Poland
      {"DE", bkUE},      // a member state
      {"EL", bkUE},      // Greece by its VAT code
      {"GR", bkUE},      // Greece by its own
      {"XI", bkUE},      // Northern Ireland trades goods as the EU does
      {"GB", bkNonUE},   // the rest of the United Kingdom does not
      {"CH", bkNonUE},   // outside the EU
      {"XC", bkNonUE},   // Ceuta: Spain, outside the EU's VAT area
      {"USA", bkNonUE},  // a name
  };
  for (const auto& c : cases) EXPECT_EQ(BuyerKindOf(FindCountry(c.Text)), c.Kind) << c.Text;
}
