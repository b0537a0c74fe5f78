#pragma once
// The KSeF numbers that come back: the sent files named with the number the
// connector got for each exported document, and the received invoices that
// other firms issued to the seller.
#include <string>
#include <vector>

#include "support/DocumentKey.h"
#include "warehouse/FileFiling.h"

namespace brenvik {

// "<key>_<KSeF number>.xml": the document key (four parts of digits, each in
// its 16-bit field) and a KSeF number of the exact shape with a valid check.
// Raises EFileRefused naming the file for any other name.
void ParseSentFileName(const std::string& path, TInvoKey& key, std::string& ksefNumber);
// What one write-back did, for its closing lines and the command's outcome.
struct TWriteBackOutcome {
  int SalesWritten = 0;      // numbers of sent files written into the register now
  int SalesAlready = 0;      // sent files whose number the register held already
  int PurchasesWritten = 0;  // received invoices written into the entry that booked them
  // Received invoices to the seller that no register entry books, as the
  // operator knows them: "FV/0412/2026 (Papiernik Hurt, NIP 5260001234)".
  std::vector<std::string> Unmatched;
  std::vector<std::string> SetAside;  // names of the files set aside into Errors
};

// "yyyy-mm" of the date group of a valid KSeF number.
std::string KsefNumberMonthFolder(const std::string& ksefNumber);

}  // namespace brenvik
