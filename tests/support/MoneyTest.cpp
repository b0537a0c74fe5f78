#include <gtest/gtest.h>

#include "support/Money.h"

using namespace brenvik;

namespace {
struct TRoundCase {
  int Digits;
  double Value;
  double Expected;
};
}  // namespace

TEST(RoundHalfAway, HalvesGoAwayFromZeroAtEveryPrecision) {
  const TRoundCase cases[] = {
      {0, 2.5, 3},      {0, -2.5, -3},      {0, 2.4999, 2},       {0, -0.5, -1},
      {2, 0.125, 0.13}, {2, -0.125, -0.13}, {2, 0.124, 0.12},     {2, -0.124, -0.12},
      {2, 1.005, 1.01}, {2, -1.005, -1.01}, {2, 2.675, 2.68},     {2, 1234567.895, 1234567.9},
      {2, 0.0, 0.0},    {2, 10.1, 10.1},    {4, 1.23455, 1.2346}, {3, 0.0005, 0.001},
      {-1, 25, 30},     {-1, -25, -30},     {-2, 149, 100},       {-2, 150, 200},
  };
  for (const auto& c : cases)
    EXPECT_DOUBLE_EQ(RoundHalfAway(c.Digits, c.Value), c.Expected)
        << "digits " << c.Digits << " value " << c.Value;
}

TEST(RoundHalfAway, ResultIsTheNearestDoubleOfTheDecimal) {
  // Exact equality matters: the amounts are compared and printed later.
  EXPECT_EQ(RoundHalfAway(2, 0.3), 0.3);
  EXPECT_EQ(RoundHalfAway(2, 0.125), 0.13);
  EXPECT_EQ(RoundHalfAway(2, 0.1 + 0.2), 0.3);
}

TEST(Money, NetAndVat) {
  EXPECT_DOUBLE_EQ(NetFromGross(23, 123), 100);
  EXPECT_DOUBLE_EQ(NetFromGross(0, 0.125), 0.13);
  EXPECT_DOUBLE_EQ(NetFromGross(-1, 10.005), 10.01);
  EXPECT_DOUBLE_EQ(NetFromGross(8, 100), 92.59);
  EXPECT_DOUBLE_EQ(NetFromGross(23, -123), -100);
  EXPECT_DOUBLE_EQ(NetFromGrossDigits(4, 23, 100), 81.3008);
  EXPECT_DOUBLE_EQ(NetFromGrossDigits(0, 5, 100), 95);
  EXPECT_DOUBLE_EQ(VatFromNet(-1, 100), 0);
  EXPECT_DOUBLE_EQ(VatFromNet(0, 100), 0);
  EXPECT_DOUBLE_EQ(VatFromNet(23, 100), 23);
  EXPECT_DOUBLE_EQ(VatFromNet(23, 0.5), 0.12);  // 0.115
  EXPECT_DOUBLE_EQ(VatFromNet(23, -0.5), -0.12);
  EXPECT_DOUBLE_EQ(VatFromNet(8, 12.5), 1.0);
  EXPECT_EQ(PriceDigits, 2);
}
