#include <gtest/gtest.h>

#include "support/DocumentKey.h"
#include "support/KsefContract.h"

using namespace brenvik;

TEST(KsefContract, NamesAndPatterns) {
  EXPECT_EQ(ksef::SentFilePattern().size(), 2u + 35u + 4u);
  TInvoKey key{0, 2025, 1, 57};
  EXPECT_EQ(ksef::ExportFileName(key), "0-2025-1-57.xml");
  const std::string sent = "0-2025-1-17_1234567890-20250305-ABCDEF012345-7F.xml";
  EXPECT_TRUE(MatchesMask(sent, ksef::SentFilePattern()));
  EXPECT_TRUE(MatchesMask(sent, ksef::SentFilePatternOf("0-2025-1-17")));
  EXPECT_FALSE(MatchesMask(sent, ksef::SentFilePatternOf("0-2025-1-1")));
  EXPECT_TRUE(
      MatchesMask("0-2025-17_x_1234567890-20250305-ABCDEF012345-7F.xml", ksef::SentFilePattern()));
  EXPECT_FALSE(MatchesMask("0-2025-1-17_1234567890-20250305-ABCDEF012345-7F.upo.xml",
                           ksef::SentFilePattern()));
  EXPECT_EQ(ksef::ReceiptFileName("/d/Sent/" + sent),
            "/d/Sent/0-2025-1-17_1234567890-20250305-ABCDEF012345-7F.upo.xml");
  EXPECT_TRUE(MatchesMask("A.XML", "*.xml", true));
  EXPECT_FALSE(MatchesMask("A.XML", "*.xml"));
}

TEST(KsefContract, NumberShapeLogNameAndCommandLine) {
  EXPECT_TRUE(ksef::HasKsefNumberShape("5265877635-20250826-0100001AF629-AF"));
  EXPECT_FALSE(ksef::HasKsefNumberShape("5265877635-20250826-0100001AF629-A"));
  EXPECT_FALSE(ksef::HasKsefNumberShape("5265877635-2025082600-100001AF629-AF"));
  EXPECT_EQ(ksef::ConnectorLogName(EncodeDate(2025, 3, 14)), "log-20250314.txt");
  EXPECT_EQ(ksef::ConnectorCommandLine("/opt/ksef/"), "\"/opt/ksef/KsefAPI.exe\"");
}
