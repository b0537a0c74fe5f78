#include <gtest/gtest.h>

#include <string>

#include "support/Errors.h"
#include "warehouse/LineRules.h"

using namespace brenvik;

TEST(LineRules, RateCodeByRateAndSale) {
  struct Case {
    int rate, type;
    TSaleKind buyer;
    const char* code;
  } cases[] = {
      {23, 0, skDomestic, "23"},  {8, 2, skExport, "8"},        {5, 22, skIntraEu, "5"},
      {0, 22, skIntraEu, "0 WDT"}, {0, 23, skExport, "0 WDT"},   {0, 2, skExport, "0 EX"},
      {0, 3, skExport, "0 EX"},    {0, 0, skIntraEu, "0 KR"},    {0, 48, skDomestic, "0 KR"},
      {-1, 2, skExport, "zw"},     {-2, 3, skExport, "np I"},    {-2, 0, skDomestic, "np I"},
      {-2, 1, skExport, "np I"},   {-2, 0, skIntraEu, "np II"},  {-2, 22, skIntraEu, "np II"},
      {-2, 22, skExport, "np I"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(VatRateCode(c.rate, SaleOf(c.type, c.buyer)), c.code) << c.rate << "/" << c.type;
  EXPECT_THROW(
      try { VatRateCode(-3, SaleOf(0)); } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Nierozpoznana stawka VAT");
        throw;
      },
      EConvertError);
}

TEST(LineRules, GtuCodes) {
  EXPECT_EQ(GtuCode(7), "GTU_07");
  EXPECT_EQ(GtuCode(13), "GTU_13");
  EXPECT_EQ(GtuCode(0), "");
  EXPECT_EQ(GtuCode(-1), "");
}

// A line value is the unrounded price times the quantity, rounded once; a
// derived net price has the fewest places that still give that value.
TEST(LineRules, LineValuesFromTheStoredPrice) {
  struct Case {
    const char* What;
    double Price, Quantity;
    int Rate;
    bool Gross;
    double UnitPrice, Net, GrossValue;
  } cases[] = {
      {"gross pricing", 12.30, 3, 23, true, 12.3, 30, 36.9},
      {"net pricing", 12.30, 3, 23, false, 10, 30, 0},
      {"derived net price that adds up with 2 places", 10, 3, 23, false, 8.13, 24.39, 0},
      {"the same for 7 items", 10, 7, 23, false, 8.13, 56.91, 0},
      {"a return at 5 %: -4.76, not -4.80", -0.50, 10, 5, false, -0.476, -4.76, 0},
      {"three places of a price: 1.00, not 0.99", 0.333, 3, 0, false, 0.333, 1, 0},
      {"four places: 1234, not 1200", 0.1234, 10000, 0, false, 0.1234, 1234, 0},
      {"four places, gross pricing", 0.1234, 10000, 0, true, 0.1234, 1234, 1234},
      {"price and quantity as stored", 1.004, 2.5555, 23, false, 0.816, 2.09, 0},
      {"eight places at the most", 1.0 / 3, 1000000, 0, false, 0.33333333, 333333.33, 0},
      {"exact half away from zero", 0.125, 1, 0, false, 0.125, 0.13, 0},
      {"negative exact half", -0.125, 1, -1, true, -0.125, -0.13, -0.13},
      {"exempt, gross pricing", 10, 2, -1, true, 10, 20, 20},
  };
  for (const Case& c : cases) {
    const TLineAmounts a = LineAmounts(c.Price, c.Quantity, c.Rate, c.Gross);
    EXPECT_DOUBLE_EQ(a.UnitPrice, c.UnitPrice) << c.What;
    EXPECT_DOUBLE_EQ(a.Net, c.Net) << c.What;
    EXPECT_DOUBLE_EQ(a.Gross, c.GrossValue) << c.What;
  }
  EXPECT_DOUBLE_EQ(LineQuantity(1.23456789), 1.234568);
  EXPECT_DOUBLE_EQ(LineExchangeRate(0.0108756), 0.010876);
}

TEST(LineRules, PackingReasonPadsNameAndRoundsQuantityToEven) {
  std::string name = "Paleta EUR";
  std::string expected = name + std::string(40 - name.size(), ' ') + "  Cena: 45.00  Ilość: 2";
  EXPECT_EQ(PackingReason(name, 45, 2.5), expected);
  EXPECT_NE(PackingReason(name, 45, 3.5).find("Ilość: 4"), std::string::npos);
  // Polish letters count as one character each; a long name is never cut.
  std::string pl = "Skrzynia drewniana łączona";
  EXPECT_EQ(PackingReason(pl, 1.005, 1).substr(0, pl.size() + 40 - 26), pl + std::string(14, ' '));
  std::string longName(45, 'x');
  EXPECT_EQ(PackingReason(longName, 1, 1), longName + "  Cena: 1.00  Ilość: 1");
}
