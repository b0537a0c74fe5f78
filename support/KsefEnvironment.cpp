#include "support/KsefEnvironment.h"

#include "support/TextCodec.h"

namespace brenvik {

namespace {

std::string HostOf(const std::string& url) {
  size_t start = url.find("://");
  start = start == std::string::npos ? 0 : start + 3;
  const size_t end = url.find_first_of("/:?#", start);
  return AsciiLower(url.substr(start, end == std::string::npos ? std::string::npos : end - start));
}

}  // namespace

TKsefEnvironment KsefEnvironmentOf(const std::string& baseUrl) {
  const std::string host = HostOf(baseUrl);
  if (host.find("test") != std::string::npos) return TKsefEnvironment::Test;
  if (host.find("demo") != std::string::npos || host.find("preprod") != std::string::npos)
    return TKsefEnvironment::Demo;
  return TKsefEnvironment::Production;
}

const char* KsefEnvironmentName(TKsefEnvironment environment) {
  switch (environment) {
    case TKsefEnvironment::Test: return "testowe";
    case TKsefEnvironment::Demo: return "demo";
    case TKsefEnvironment::Production: break;
  }
  return "produkcyjne";
}

}  // namespace brenvik
