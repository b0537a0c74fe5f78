#include "ksef-connector-sim/KsefNumber.h"

#include <cstdio>
#include <random>

namespace brenvik::ksefsim {

std::string MakeKsefNumber(const std::string& nip, const std::string& yyyymmdd,
                           const std::string& hex12) {
  const std::string head = nip + "-" + yyyymmdd + "-" + hex12;
  return head + "-" + ksef::KsefCheckCode(head);
}

std::string RandomHex12() {
  static std::mt19937_64 gen{std::random_device{}()};
  char buf[16];
  std::snprintf(buf, sizeof buf, "%012llX",
                static_cast<unsigned long long>(gen() & 0xFFFFFFFFFFFFULL));
  return buf;
}

}  // namespace brenvik::ksefsim
