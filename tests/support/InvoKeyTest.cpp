#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "support/DocumentKey.h"

using namespace brenvik;

namespace {
TInvoKey Key(int t, int y, int m, int n) {
  return TInvoKey{static_cast<std::int16_t>(t), static_cast<std::int16_t>(y),
                  static_cast<std::int16_t>(m), static_cast<std::int16_t>(n)};
}
}  // namespace

TEST(InvoKey, CompareByFieldsInOrderAsSignedNumbers) {
  EXPECT_EQ(Key(2, 2026, 1, 15).Compare(Key(2, 2026, 1, 15)), 0);
  EXPECT_EQ(Key(1, 2027, 9, 99).Compare(Key(2, 2026, 1, 1)), -1);
  EXPECT_EQ(Key(2, 2026, 1, 1).Compare(Key(2, 2025, 9, 99)), 1);
  EXPECT_EQ(Key(2, 2026, 2, 1).Compare(Key(2, 2026, 1, 99)), 1);
  EXPECT_EQ(Key(2, 2026, 1, 14).Compare(Key(2, 2026, 1, 15)), -1);
  EXPECT_EQ(Key(-1, 0, 0, 0).Compare(Key(0, 0, 0, 0)), -1);
  EXPECT_EQ(Key(2, 2026, 1, 32767).Compare(Key(2, 2026, 1, -32768)), 1);

  std::vector<TInvoKey> keys{Key(2, 2026, 1, 15), Key(0, 2026, 1, 1), Key(2, 2026, 1, 3)};
  std::sort(keys.begin(), keys.end());
  EXPECT_EQ(keys[0], Key(0, 2026, 1, 1));
  EXPECT_EQ(keys[2], Key(2, 2026, 1, 15));
}

TEST(InvoKey, TextFormAndParsing) {
  EXPECT_EQ(InvoKeyToText(Key(2, 2026, 1, 15)), "2-2026-1-15");
  EXPECT_EQ(InvoKeyToText(Key(0, 0, 0, 0)), "0-0-0-0");
  EXPECT_EQ(ParseInvoKey("2-2026-1-15"), Key(2, 2026, 1, 15));
  EXPECT_EQ(ParseInvoKey(InvoKeyToText(Key(130, 2025, 12, 32000))), Key(130, 2025, 12, 32000));

  struct {
    const char* Text;
    TInvoKey Expected;
  } cases[] = {
      {"2-2026-1", Key(-1, 0, 0, 0)},
      {"2-2026-1-15-7", Key(-1, 0, 0, 0)},
      {"", Key(-1, 0, 0, 0)},
      {"-2-2026-1-15", Key(-1, 0, 0, 0)},
      {"a-b-c-d", Key(0, 0, 0, 0)},
      {"---", Key(0, 0, 0, 0)},
      {"2-2026-1-15x", Key(2, 2026, 1, 0)},
      {"2-99999-1-15", Key(2, 0, 1, 15)},  // no 16-bit number: not wrapped into another key
  };
  for (const auto& c : cases) EXPECT_EQ(ParseInvoKey(c.Text), c.Expected) << c.Text;
}

TEST(WareKey, ClearEmptiesBothParts) {
  TWareKey k{"A1", "0042"};
  k.Clear();
  EXPECT_EQ(k, TWareKey{});
}
