#include <gtest/gtest.h>

#include <string>

#include "support/Errors.h"
#include "warehouse/LineRules.h"

using namespace brenvik;

TEST(LineRules, RateCodeByRateAndDocumentType) {
  struct Case {
    int rate, type;
    const char* code;
  } cases[] = {{23, 0, "23"},    {8, 2, "8"},      {5, 22, "5"},    {0, 22, "0 WDT"},
               {0, 23, "0 WDT"}, {0, 2, "0 EX"},   {0, 3, "0 EX"},  {0, 0, "0 KR"},
               {0, 48, "0 KR"},  {-1, 2, "zw"},    {-2, 3, "np I"}, {-2, 2, "np I"},
               {-2, 1, "np II"}, {-2, 22, "np II"}};
  for (const auto& c : cases)
    EXPECT_EQ(VatRateCode(c.rate, c.type), c.code) << c.rate << "/" << c.type;
  EXPECT_THROW(
      try { VatRateCode(-3, 0); } catch (const Exception& e) {
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

TEST(LineRules, GrossAndNetPricingToTheCent) {
  TLineAmounts gross = LineAmounts(12.30, 3, 23, true, 2);
  EXPECT_DOUBLE_EQ(gross.Gross, 36.9);
  EXPECT_DOUBLE_EQ(gross.Net, 30);
  TLineAmounts net = LineAmounts(12.30, 3, 23, false, 2);
  EXPECT_DOUBLE_EQ(net.NetPrice, 10);
  EXPECT_DOUBLE_EQ(net.Net, 30);
  EXPECT_DOUBLE_EQ(net.Gross, 0);
}

TEST(LineRules, NetPricePrecisionAndZeroRate) {
  // 10 gross at 23 % is 8.130081...: four places keep 8.1301, two give 8.13.
  EXPECT_DOUBLE_EQ(LineAmounts(10, 3, 23, false, 4).NetPrice, 8.1301);
  EXPECT_DOUBLE_EQ(LineAmounts(10, 3, 23, false, 4).Net, 24.39);
  EXPECT_DOUBLE_EQ(LineAmounts(10, 3, 23, false, 2).Net, 24.39);
  EXPECT_DOUBLE_EQ(LineAmounts(10, 7, 23, false, 2).Net, 56.91);
  EXPECT_DOUBLE_EQ(LineAmounts(10, 7, 23, false, 4).Net, 56.91);
  EXPECT_DOUBLE_EQ(LineAmounts(10.00, 2, 0, false, 4).NetPrice, 10);
  EXPECT_DOUBLE_EQ(LineAmounts(10.00, 2, -1, true, 2).Net, 20);
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
