// Stored forms of field values, both ways.
#include <gtest/gtest.h>

#include <cstring>

#include "support/Errors.h"
#include "paradox/FieldFormat.h"

using namespace brenvik;

namespace {
std::string Hex(const unsigned char* p, int n) {
  static const char* d = "0123456789abcdef";
  std::string s;
  for (int i = 0; i < n; ++i) {
    s += d[p[i] >> 4];
    s += d[p[i] & 15];
  }
  return s;
}
}  // namespace

TEST(PxFormat, IntegersAndDoublesSortAsBytes) {
  struct {
    double Value;
    const char* Stored;
  } doubles[] = {{1.0, "bff0000000000000"},
                 {-1.0, "400fffffffffffff"},
                 {0.0, "8000000000000000"},
                 {-0.0, "8000000000000000"},
                 {100.5, "c059200000000000"}};
  for (const auto& c : doubles) {
    unsigned char b[8];
    PxEncodeDouble(b, c.Value);
    EXPECT_EQ(Hex(b, 8), c.Stored) << c.Value;
    EXPECT_EQ(*PxDecodeDouble(b), c.Value);
  }
  for (int v : {-32767, -1, 0, 1, 2026, 32767}) {
    unsigned char b[2];
    PxEncodeShort(b, static_cast<std::int16_t>(v));
    EXPECT_EQ(*PxDecodeShort(b), v);
  }
  unsigned char a[4], b[4];
  PxEncodeLong(a, -5);
  PxEncodeLong(b, 3);
  EXPECT_LT(std::memcmp(a, b, 4), 0);
  EXPECT_EQ(*PxDecodeLong(a), -5);
  const unsigned char zero[17] = {};
  EXPECT_FALSE(PxDecodeShort(zero));
  EXPECT_FALSE(PxDecodeLong(zero));
  EXPECT_FALSE(PxDecodeDouble(zero));
  EXPECT_FALSE(PxDecodeLogical(zero));
  EXPECT_FALSE(PxDecodeBCD(zero, 2));
}

TEST(PxFormat, DatesTimesAndTimestamps) {
  EXPECT_EQ(PxDateToDateTime(736695), EncodeDate(2018, 1, 1));
  EXPECT_EQ(PxDateTimeToDate(EncodeDate(2018, 1, 1)), 736695);
  EXPECT_EQ(PxTimeToDateTime(36000000), EncodeTime(10, 0, 0, 0));
  const TDateTime t = EncodeDateTime(2026, 4, 10, 23, 59, 0);
  EXPECT_EQ(DateTimeToText(PxTimestampToDateTime(PxDateTimeToTimestamp(t))), "2026-04-10 23:59:00");
  EXPECT_EQ(DateTimeToText(EncodeDate(2026, 4, 10)), "2026-04-10");
}

TEST(PxFormat, BcdBothWays) {
  struct {
    double Value;
    int Decimals;
    const char* Text;
  } cases[] = {{1.23, 2, "1.23"},
               {-1.23, 2, "-1.23"},
               {0, 2, "0.00"},
               {12345678.5, 4, "12345678.5000"},
               {-7, 0, "-7"}};
  for (const auto& c : cases) {
    unsigned char b[17];
    PxEncodeBCD(b, c.Decimals, c.Value);
    EXPECT_EQ(*PxDecodeBCD(b, c.Decimals), c.Text);
  }
  unsigned char b[17];
  EXPECT_THROW(PxEncodeBCD(b, 30, 1000), EConvertError);
}

TEST(PxFormat, NumberTexts) {
  struct {
    double Value;
    const char* Text;
  } cases[] = {{0, "0"},
               {1, "1"},
               {0.1, "0.1"},
               {-7.25, "-7.25"},
               {1e-7, "0.0000001"},
               {123456789.125, "123456789.125"},
               {1e22, "1e+22"}};
  for (const auto& c : cases) EXPECT_EQ(FloatToText(c.Value), c.Text);
  EXPECT_EQ(*TextToFloat(" 12.5 "), 12.5);
  EXPECT_EQ(*TextToFloat("+3"), 3);
  for (const char* bad : {"", "12,5", "1.2.3", "abc", "12abc", "0x10"})
    EXPECT_FALSE(TextToFloat(bad)) << bad;
  EXPECT_EQ(*TextToInteger("-42"), -42);
  EXPECT_FALSE(TextToInteger("4.2"));
}

TEST(PxFormat, BlobReferences) {
  unsigned char b[10];
  PxEncodeBlobRef(b, {0x103F, 555, 1});
  const TPxBlobRef r = PxDecodeBlobRef(b);
  EXPECT_EQ(r.Offset, 0x103Fu);
  EXPECT_EQ(r.Length, 555u);
  EXPECT_EQ(r.ModNr, 1);
  EXPECT_EQ(Hex(b, 10), "3f1000002b0200000100");
}
