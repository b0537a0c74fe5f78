#pragma once
// Keys of warehouse records: a document (type, year, warehouse, number) and
// an article (group, index).
#include <cstdint>
#include <string>

namespace brenvik {

struct TInvoKey {
  std::int16_t InvoType = 0;
  std::int16_t InvoYear = 0;
  std::int16_t InvoMagId = 0;
  std::int16_t InvoNr = 0;

  // -1, 0 or 1 by type, year, warehouse and number in this order.
  int Compare(const TInvoKey& other) const;
  friend bool operator==(const TInvoKey&, const TInvoKey&) = default;
  friend bool operator<(const TInvoKey& a, const TInvoKey& b) { return a.Compare(b) < 0; }
};

// "type-year-warehouse-number", the bare name of the document's export file.
std::string InvoKeyToText(const TInvoKey& key);
// The reverse of InvoKeyToText. A part that is no 16-bit decimal number
// reads as 0; a text without exactly four parts gives InvoType -1.
TInvoKey ParseInvoKey(const std::string& text);
// The key as a file name carries it: four parts of digits only (no sign,
// blank or other character), each at most 32767, joined by "-". False for
// anything else, key then untouched.
bool ParseInvoKeyExact(const std::string& text, TInvoKey& key);

struct TWareKey {
  std::string Group;
  std::string Index;
  void Clear() {
    Group.clear();
    Index.clear();
  }
  friend bool operator==(const TWareKey&, const TWareKey&) = default;
};

}  // namespace brenvik
