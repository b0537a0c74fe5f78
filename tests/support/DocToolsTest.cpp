#include <gtest/gtest.h>

#include "support/DocumentRules.h"

using namespace brenvik;

TEST(PaymentFormText, NamesOfTheCodes) {
  EXPECT_EQ(PaymentFormText(0), "gotówka");
  EXPECT_EQ(PaymentFormText(1), "karta płatnicza");
  EXPECT_EQ(PaymentFormText(2), "przelew");
  EXPECT_EQ(PaymentFormText(3), "inna forma płatności");
  EXPECT_EQ(PaymentFormText(4), "za pobraniem");
  EXPECT_EQ(PaymentFormText(5), "przedpłata");
  EXPECT_EQ(PaymentFormText(6), "inna forma płatności");
  EXPECT_EQ(PaymentFormText(-1), "inna forma płatności");
}

TEST(FormatAddressLine, BlanksBetweenPartsStay) {
  EXPECT_EQ(FormatAddressLine("00-001", "Warszawa", "Polna", "5"), "Polna 5  00-001 Warszawa");
  EXPECT_EQ(FormatAddressLine("", "Warszawa", "Polna", "5"), "Polna 5   Warszawa");
  EXPECT_EQ(FormatAddressLine("", "Warszawa", "Polna", ""), "Polna   Warszawa");
  EXPECT_EQ(FormatAddressLine("00-001", "Warszawa", "", ""), "00-001 Warszawa");
  EXPECT_EQ(FormatAddressLine("", "", " ul. Polna 5 ", ""), "ul. Polna 5");
  EXPECT_EQ(FormatAddressLine("", "", "", ""), "");
}

TEST(YearTableName, YearlyAndMonthlyNames) {
  EXPECT_EQ(YearTableName(true, "WI", EncodeDate(2026, 7, 1)), "2026WI");
  EXPECT_EQ(YearTableName(false, "UR", EncodeDate(2026, 4, 30)), "26_04UR");
  EXPECT_EQ(YearTableName(false, "WI", EncodeDate(2026, 12, 31)), "26_12WI");
  EXPECT_EQ(YearTableName(false, "WI", EncodeDate(2009, 1, 1)), "09_01WI");
  EXPECT_EQ(YearTableName(true, "", EncodeDate(1999, 1, 1)), "1999");
}
