#include <gtest/gtest.h>

#include <string>

#include "support/PolishPlural.h"

namespace brenvik {
namespace {

constexpr TPolishNoun Invoice{"faktura", "faktury", "faktur"};

// One letter per number, ten to a row: o = one, f = few, m = many.
struct TRun {
  int First;
  const char* Forms;
};

TEST(PolishPlural, FormsFollowTheLastDigitsOfTheCount) {
  const TRun runs[] = {
      {0, "mofffmmmmm"},    {10, "mmmmmmmmmm"},   {20, "mmfffmmmmm"},   {30, "mmfffmmmmm"},
      {40, "mmfffmmmmm"},   {50, "mmfffmmmmm"},   {60, "mmfffmmmmm"},   {70, "mmfffmmmmm"},
      {80, "mmfffmmmmm"},   {90, "mmfffmmmmm"},   {100, "mmfffmmmmm"},  {110, "mmmmmmmmmm"},
      {120, "mmfffm"},      {1000, "mmfffmmmmm"}, {1010, "mmmmmmmmmm"}, {1020, "mmfffm"},
  };
  for (const TRun& run : runs) {
    const std::string forms = run.Forms;
    for (size_t i = 0; i < forms.size(); ++i) {
      const int n = run.First + static_cast<int>(i);
      const char* expected = forms[i] == 'o' ? Invoice.One : forms[i] == 'f' ? Invoice.Few : Invoice.Many;
      EXPECT_STREQ(PolishPluralForm(n, Invoice), expected) << n;
    }
  }
  EXPECT_EQ(PolishCount(22, Invoice), "22 faktury");
  EXPECT_EQ(PolishCount(-3, Invoice), "-3 faktury");
}

}  // namespace
}  // namespace brenvik
