#include "ksef-connector-sim/KsefNumber.h"

#include <cctype>
#include <cstdio>
#include <random>

namespace brenvik::ksefsim {

unsigned char Crc8(std::string_view bytes) {
  unsigned crc = 0;
  for (unsigned char b : bytes) {
    crc ^= b;
    for (int i = 0; i < 8; ++i) crc = (crc & 0x80) ? ((crc << 1) ^ 0x07) & 0xFF : (crc << 1) & 0xFF;
  }
  return static_cast<unsigned char>(crc);
}

static std::string Hex2(unsigned v) {
  char buf[3];
  std::snprintf(buf, sizeof buf, "%02X", v & 0xFF);
  return buf;
}

std::string MakeKsefNumber(const std::string& nip, const std::string& yyyymmdd,
                           const std::string& hex12) {
  const std::string head = nip + "-" + yyyymmdd + "-" + hex12;
  return head + "-" + Hex2(Crc8(head));
}

bool IsValidKsefNumber(const std::string& n) {
  if (n.size() != 35 || n[10] != '-' || n[19] != '-' || n[32] != '-') return false;
  for (size_t i = 0; i < 19; ++i)
    if (i != 10 && !std::isdigit(static_cast<unsigned char>(n[i]))) return false;
  for (size_t i = 20; i < 32; ++i)
    if (!std::isxdigit(static_cast<unsigned char>(n[i])) ||
        std::islower(static_cast<unsigned char>(n[i])))
      return false;
  return n.substr(33) == Hex2(Crc8(std::string_view(n).substr(0, 32)));
}

std::string RandomHex12() {
  static std::mt19937_64 gen{std::random_device{}()};
  char buf[16];
  std::snprintf(buf, sizeof buf, "%012llX",
                static_cast<unsigned long long>(gen() & 0xFFFFFFFFFFFFULL));
  return buf;
}

}  // namespace brenvik::ksefsim
