#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "fa3/Fa3Values.h"
#include "support/Errors.h"

using namespace brenvik;

namespace {

struct TDecimalCase {
  double Value;
  const char* Text;
};

const TDecimalCase DecimalCases[] = {
    {12.5, "12.5"},
    {100, "100"},
    {0.07, "0.07"},
    {0, "0"},
    {-0.0, "0"},
    {-3.5, "-3.5"},
    {1666.66, "1666.66"},
    {0.1 + 0.2, "0.3"},  // 15 digits, not the 17 of the exact binary value
    {123456789012345.0, "123456789012345"},
    {1e15, "1E15"},
    {0.00001, "0.00001"},
    {0.000012, "0.000012"},
    {0.000009, "0.000009"},  // a unit price of 8 places is written without an exponent
    {-1.5e-7, "-0.00000015"},
    {1e-21, "1E-21"},
    {2.0 / 3.0, "0.666666666666667"},
    {1234.5678, "1234.5678"},
};

}  // namespace

TEST(Fa3Values, DecimalsHaveTheirShortestFormAndReadBack) {
  for (const auto& c : DecimalCases) {
    EXPECT_EQ(FormatFa3Decimal(c.Value), c.Text) << c.Text;
    double back = ParseFa3Decimal(c.Text, "P_8B");
    EXPECT_NEAR(back, c.Value, std::fabs(c.Value) * 1e-14) << c.Text;
  }
}

TEST(Fa3Values, SpecialDecimalsInAnyCase) {
  EXPECT_EQ(FormatFa3Decimal(std::numeric_limits<double>::quiet_NaN()), "NaN");
  EXPECT_EQ(FormatFa3Decimal(std::numeric_limits<double>::infinity()), "INF");
  EXPECT_EQ(FormatFa3Decimal(-std::numeric_limits<double>::infinity()), "-INF");
  for (const char* t : {"NaN", "nan", "NAN"}) EXPECT_TRUE(std::isnan(ParseFa3Decimal(t, "X")));
  for (const char* t : {"INF", "inf", "Inf"}) EXPECT_EQ(ParseFa3Decimal(t, "X"), INFINITY);
  for (const char* t : {"-INF", "-inf"}) EXPECT_EQ(ParseFa3Decimal(t, "X"), -INFINITY);
}

TEST(Fa3Values, DecimalReading) {
  EXPECT_EQ(ParseFa3Decimal("", "P_13_1"), 0);
  EXPECT_EQ(ParseFa3Decimal("  \n\t", "P_13_1"), 0);
  EXPECT_EQ(ParseFa3Decimal(" 1.25\n", "P_13_1"), 1.25);
  EXPECT_EQ(ParseFa3Decimal("+7", "P_13_1"), 7);
  EXPECT_EQ(ParseFa3Decimal(".5", "P_13_1"), 0.5);
  for (const char* bad : {"12,5", "1 000", "abc", "0x10", "1.2.3", "--1", "1e999"}) {
    EXPECT_THROW(ParseFa3Decimal(bad, "P_13_1"), EConvertError) << bad;
  }
  try {
    ParseFa3Decimal("12,5", "P_13_1");
  } catch (const EConvertError& e) {
    EXPECT_NE(e.Message().find("P_13_1"), std::string::npos) << e.Message();
  }
}

TEST(Fa3Values, Integers) {
  EXPECT_EQ(FormatFa3Integer(-42), "-42");
  EXPECT_EQ(ParseFa3Integer("3", "WariantFormularza"), 3);
  EXPECT_EQ(ParseFa3Integer(" +12 ", "X"), 12);
  EXPECT_EQ(ParseFa3Integer("-7", "X"), -7);
  for (const char* bad : {"", "  ", "1.0", "1e3", "x", "99999999999", "+"}) {
    EXPECT_THROW(ParseFa3Integer(bad, "X"), EConvertError) << "'" << bad << "'";
  }
}

TEST(Fa3Values, Dates) {
  TDateTime d = EncodeDate(2026, 4, 1);
  EXPECT_EQ(FormatFa3Date(d), "2026-04-01");
  EXPECT_EQ(FormatFa3Date(EncodeDateTime(2026, 4, 1, 23, 59, 0)), "2026-04-01");
  EXPECT_EQ(ParseFa3Date("2026-04-01", "P_1"), d);
  EXPECT_EQ(ParseFa3Date("\n 2026-04-01 ", "P_1"), d);
  for (const char* bad : {"", "2026-4-1", "01.04.2026", "2026-02-30", "2026-04-01T00:00:00"}) {
    EXPECT_THROW(ParseFa3Date(bad, "P_1"), EConvertError) << bad;
  }
}

TEST(Fa3Values, DateTimes) {
  TDateTime dt = EncodeDateTime(2025, 3, 5, 9, 7, 3);
  EXPECT_EQ(FormatFa3DateTime(dt), "2025-03-05T09:07:03");
  EXPECT_EQ(ParseFa3DateTime("2025-03-05T09:07:03", "X"), dt);
  EXPECT_EQ(ParseFa3DateTime("2025-03-05T09:07:03Z", "X"), dt);
  EXPECT_EQ(ParseFa3DateTime("2025-03-05T09:07:03+01:00", "X"), dt);
  EXPECT_NEAR(ParseFa3DateTime("2025-03-05T09:07:03.5", "X").Value, dt.Value + 0.5 / 86400, 1e-9);
  for (const char* bad : {"", "2025-03-05", "2025-03-05 09:07:03", "2025-03-05T25:00:00",
                          "2025-03-05T09:07:03+1", "2025-03-05T09:07:03."}) {
    EXPECT_THROW(ParseFa3DateTime(bad, "X"), EConvertError) << bad;
  }
}
