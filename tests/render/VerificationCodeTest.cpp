#include <gtest/gtest.h>

#include "render/VerificationCode.h"

namespace brenvik {
namespace {

// The environment of the connector's address and the number of a file's name.
TEST(VerificationCodeTest, KnowsTheEnvironmentAndTheNumberOfAFile) {
  const struct {
    const char* BaseUrl;
    const char* QrAddress;
  } environments[] = {
      {"https://api-test.ksef.mf.gov.pl/v2", QrAddressTest},
      {"https://ksef-test.mf.gov.pl", QrAddressTest},
      {"https://ksef-demo.mf.gov.pl/api", QrAddressDemo},
      {"https://api-demo.ksef.mf.gov.pl", QrAddressDemo},
      {"https://api.ksef.mf.gov.pl", QrAddressProduction},
      {"", QrAddressProduction},
  };
  for (const auto& row : environments)
    EXPECT_EQ(QrBaseAddressOf(row.BaseUrl), row.QrAddress) << row.BaseUrl;

  const std::string number = "5265877635-20261209-C3C841D68244-7C";
  const struct {
    std::string Path;
    std::string Number;
  } files[] = {
      {"/s/Sent/2026-12/0-2026-1-120_" + number + ".xml", number},
      {"/s/Received/" + number + ".xml", number},
      {"/s/Import/" + number + "_2.xml", number},
      {"/s/Export/0-2026-1-120.xml", ""},
      {"/s/Sent/0-2026-1-120_5265877635-20261209-C3C841D68244-7D.xml", ""},  // wrong check
  };
  for (const auto& row : files) EXPECT_EQ(KsefNumberOfFile(row.Path), row.Number) << row.Path;

  // The Ministry's example of the date's form and the base without its "/".
  EXPECT_EQ(
      InvoiceVerificationLink("https://qr-test.ksef.mf.gov.pl/", "1111111111", "2026-02-01", "")
          .substr(0, 61),
      "https://qr-test.ksef.mf.gov.pl/invoice/1111111111/01-02-2026/");
}

}  // namespace
}  // namespace brenvik
