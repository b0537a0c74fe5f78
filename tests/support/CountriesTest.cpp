#include <gtest/gtest.h>

#include <set>

#include "support/Countries.h"

using namespace brenvik;

TEST(EuCountries, TableHoldsDistinctCodesInOrder) {
  std::set<std::string> codes;
  for (const auto& c : EuCountries) codes.insert(c.Code);
  EXPECT_EQ(codes.size(), 28u);
  EXPECT_EQ(EuCountryIndex("AT"), 0);
  EXPECT_EQ(EuCountryIndex("PL"), 21);
  EXPECT_EQ(EuCountryIndex("XI"), 27);
  // Every row is found by its code and by its name.
  for (std::size_t i = 0; i < EuCountries.size(); ++i) {
    EXPECT_EQ(EuCountryIndex(EuCountries[i].Code), static_cast<int>(i));
    EXPECT_EQ(EuCountryCode(EuCountries[i].Name), EuCountries[i].Code);
  }
}

TEST(EuCountries, LookUpsTrimAndIgnoreAsciiCase) {
  EXPECT_EQ(EuCountryIndex(" de "), 5);
  EXPECT_EQ(EuCountryIndex("GR"), -1);  // Greece is EL
  EXPECT_EQ(EuCountryIndex(""), -1);
  EXPECT_EQ(EuCountryIndex("GB"), -1);
  EXPECT_TRUE(IsEuCountry("pl"));
  EXPECT_TRUE(IsEuCountry("XI"));
  EXPECT_FALSE(IsEuCountry("CH"));
  EXPECT_EQ(EuCountryName("el"), "Grecja");
  EXPECT_EQ(EuCountryName("xi"), "Irlandia Północna");
  EXPECT_EQ(EuCountryName("US"), "");

  EXPECT_EQ(EuCountryCode("  niemcy "), "DE");
  EXPECT_EQ(EuCountryCode("ŁOTWA"), "LV");
  EXPECT_EQ(EuCountryCode("Łotwa"), "LV");
  EXPECT_EQ(EuCountryCode("łotwa"), "");  // only ASCII letters change case
  EXPECT_EQ(EuCountryCode("WęGRY"), "HU");
  EXPECT_EQ(EuCountryCode("wĘgry"), "");
  EXPECT_EQ(EuCountryCode("irlandia północna"), "XI");  // ó stays as stored
  EXPECT_EQ(EuCountryCode("IRLANDIA PÓŁNOCNA"), "");
  EXPECT_EQ(EuCountryCode("IRLANDIA PółNOCNA"), "XI");
  EXPECT_EQ(EuCountryCode("Szwajcaria"), "");
}

TEST(BuyerKind, ByCountryCode) {
  struct {
    const char* Code;
    TBuyerKind Expected;
  } cases[] = {
      {"", bkPL},   {"PL", bkPL},    {"pl", bkPL},    {" Pl ", bkPL},   {"XI", bkUE},
      {"de", bkUE}, {"CH", bkNonUE}, {"GB", bkNonUE}, {"USA", bkNonUE},
  };
  for (const auto& c : cases) EXPECT_EQ(BuyerKindOf(c.Code), c.Expected) << c.Code;
}
