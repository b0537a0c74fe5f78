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

}  // namespace brenvik
