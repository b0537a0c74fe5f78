#pragma once
// The KSeF numbers that come back: the sent files named with the number the
// connector got for each exported document, and the received invoices that
// other firms issued to the seller.
#include <string>

#include "support/DocumentKey.h"
#include "warehouse/FileFiling.h"

namespace brenvik {

// "<key>_<KSeF number>.xml": the document key (four parts of digits, each in
// its 16-bit field) and a KSeF number of the exact shape with a valid check.
// Raises EFileRefused naming the file for any other name.
void ParseSentFileName(const std::string& path, TInvoKey& key, std::string& ksefNumber);
// "yyyy-mm" of the date group of a valid KSeF number.
std::string KsefNumberMonthFolder(const std::string& ksefNumber);

}  // namespace brenvik
