#include <gtest/gtest.h>

#include "support/DocumentKey.h"
#include "support/KsefContract.h"
#include "support/KsefEnvironment.h"

using namespace brenvik;

TEST(KsefContract, NamesAndPatterns) {
  EXPECT_EQ(ksef::SentFilePattern().size(), 2u + 35u + 4u);
  TInvoKey key{0, 2025, 1, 57};
  EXPECT_EQ(ksef::ExportFileName(key), "0-2025-1-57.xml");
  const std::string sent = "0-2025-1-17_1234567890-20250305-ABCDEF012345-85.xml";
  EXPECT_TRUE(MatchesMask(sent, ksef::SentFilePattern()));
  EXPECT_TRUE(MatchesMask(sent, ksef::SentFilePatternOf("0-2025-1-17")));
  EXPECT_FALSE(MatchesMask(sent, ksef::SentFilePatternOf("0-2025-1-1")));
  EXPECT_TRUE(
      MatchesMask("0-2025-17_x_1234567890-20250305-ABCDEF012345-85.xml", ksef::SentFilePattern()));
  EXPECT_FALSE(MatchesMask("0-2025-1-17_1234567890-20250305-ABCDEF012345-85.upo.xml",
                           ksef::SentFilePattern()));
  EXPECT_EQ(ksef::ReceiptFileName("/d/Sent/" + sent),
            "/d/Sent/0-2025-1-17_1234567890-20250305-ABCDEF012345-85.upo.xml");
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

// A number as KSeF issues it: the Ministry's example, and what spoils one.
TEST(KsefContract, NumberWithItsCheckCode) {
  struct TCase {
    const char* Number;
    bool Valid;
  } cases[] = {
      {"5265877635-20250826-0100001AF629-AF", true},  // the Ministry's example
      {"5265877635-20260402-9F3C21A7B04E-62", true},
      {"5265877635-20260402-9F3C21A7B04E-4D", false},  // another check
      {"5265877635-20250826-0100001af629-AF", false},  // lower-case code
      {"5265877635-20250826-0100001AF629-af", false},  // lower-case check
      {"526587763X-20250826-0100001AF629-AF", false},  // not a NIP
      {"5265877635-2025082X-0100001AF629-AF", false},  // not a date
      {"5265877635-20250826-0100001AG629-AF", false},  // not hexadecimal
      {"5265877635-20250826-0100001AF629-A", false},   // short
      {"5265877635-20250826-0100001AF629_AF", false},  // no dash
      {"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(ksef::IsValidKsefNumber(c.Number), c.Valid) << c.Number;
  EXPECT_EQ(ksef::KsefCheckCode("5265877635-20250826-0100001AF629"), "AF");
}

// One decision of the environment for the status report and the
// verification code, by the address's host alone.
TEST(KsefEnvironment, ByTheHostOfTheConnectorsAddress) {
  const struct {
    const char* BaseUrl;
    const char* Name;
  } rows[] = {
      {"https://api-test.ksef.mf.gov.pl/v2", "testowe"},
      {"https://ksef-test.mf.gov.pl", "testowe"},
      {"https://ksef-demo.mf.gov.pl/api", "demo"},
      {"https://ksef-Demo.mf.gov.pl", "demo"},
      {"https://api-preprod.ksef.mf.gov.pl", "demo"},
      {"https://api.ksef.mf.gov.pl/v2", "produkcyjne"},
      {"https://api.ksef.mf.gov.pl/test/demo", "produkcyjne"},  // the path says nothing
      {"", "produkcyjne"},
  };
  for (const auto& row : rows)
    EXPECT_STREQ(KsefEnvironmentName(KsefEnvironmentOf(row.BaseUrl)), row.Name) << row.BaseUrl;
}
