#include "support/DocumentKey.h"

#include <charconv>
#include <vector>

#include "support/TextCodec.h"

namespace brenvik {
namespace {

int Sign(int a, int b) { return a < b ? -1 : (a > b ? 1 : 0); }

std::int16_t PartValue(const std::string& part) {
  const std::string s = Trim(part);
  int value = 0;
  const char* first = s.data();
  const char* last = s.data() + s.size();
  if (first != last && *first == '+') ++first;
  const auto [end, ec] = std::from_chars(first, last, value);
  if (ec != std::errc() || end != last || first == last) return 0;
  // A number outside the field's range would wrap into another document's key.
  if (value < INT16_MIN || value > INT16_MAX) return 0;
  return static_cast<std::int16_t>(value);
}

// Digits only, within the 16-bit field.
bool ExactPartValue(const std::string& part, std::int16_t& value) {
  if (part.empty() || part.size() > 5) return false;
  int v = 0;
  for (char c : part) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  if (v > INT16_MAX) return false;
  value = static_cast<std::int16_t>(v);
  return true;
}

}  // namespace

int TInvoKey::Compare(const TInvoKey& other) const {
  if (int r = Sign(InvoType, other.InvoType)) return r;
  if (int r = Sign(InvoYear, other.InvoYear)) return r;
  if (int r = Sign(InvoMagId, other.InvoMagId)) return r;
  return Sign(InvoNr, other.InvoNr);
}

std::string InvoKeyToText(const TInvoKey& key) {
  return std::to_string(key.InvoType) + "-" + std::to_string(key.InvoYear) + "-" +
         std::to_string(key.InvoMagId) + "-" + std::to_string(key.InvoNr);
}

TInvoKey ParseInvoKey(const std::string& text) {
  std::vector<std::string> parts(1);
  for (char c : text) {
    if (c == '-')
      parts.emplace_back();
    else
      parts.back() += c;
  }
  TInvoKey key;
  if (parts.size() != 4) {
    key.InvoType = -1;
    return key;
  }
  key.InvoType = PartValue(parts[0]);
  key.InvoYear = PartValue(parts[1]);
  key.InvoMagId = PartValue(parts[2]);
  key.InvoNr = PartValue(parts[3]);
  return key;
}

bool ParseInvoKeyExact(const std::string& text, TInvoKey& key) {
  std::int16_t part[4];
  size_t start = 0;
  for (int i = 0; i < 4; ++i) {
    const size_t end = i < 3 ? text.find('-', start) : text.size();
    if (end == std::string::npos || !ExactPartValue(text.substr(start, end - start), part[i]))
      return false;
    start = end + 1;
  }
  key = TInvoKey{part[0], part[1], part[2], part[3]};
  return true;
}

}  // namespace brenvik
