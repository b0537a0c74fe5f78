#pragma once
// Which KSeF environment the connector's KSEF_BASE_URL addresses: the one
// decision the status report, the window and the verification code share.
#include <string>

namespace brenvik {

enum class TKsefEnvironment { Production, Test, Demo };

// By the address's host, letter case aside: a host naming "test" is the
// test environment (api-test.ksef.mf.gov.pl), one naming "demo" or
// "preprod" the demo one, any other production.
TKsefEnvironment KsefEnvironmentOf(const std::string& baseUrl);
// The operator's word for it: "produkcyjne", "testowe", "demo".
const char* KsefEnvironmentName(TKsefEnvironment environment);

}  // namespace brenvik
