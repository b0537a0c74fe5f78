#include <gtest/gtest.h>

#include "support/Errors.h"
#include "support/Regex.h"

using namespace brenvik;

TEST(Regex, MatchReplaceAndBadPattern) {
  const TRegex tags(">\\s+<");
  EXPECT_TRUE(tags.Matches("<a>\n  <b/>"));
  EXPECT_FALSE(tags.Matches("<a><b/>"));
  EXPECT_EQ(tags.ReplaceAll("<a>\n  <b> x </b>\t<c/></a>", "><"), "<a><b> x </b><c/></a>");
  // A result longer than the input needs a second pass.
  const TRegex x("x");
  EXPECT_EQ(x.ReplaceAll(std::string(100, 'x'), "yyy"), std::string(300, 'y'));
  EXPECT_THROW(TRegex("(unclosed"), EArgumentException);
}
