#pragma once
// The KSeF numbers that come back: the sent files named with the number the
// connector got for each exported document, and the received invoices that
// other firms issued to the seller.
#include <string>

#include "support/DocumentKey.h"

namespace brenvik {

// "<key>_<KSeF number>.xml": the document key and the number (cut to 35 characters).
void ParseSentFileName(const std::string& path, TInvoKey& key, std::string& ksefNumber);
// "yyyy-mm" of the date group of a 35-character KSeF number.
std::string KsefNumberMonthFolder(const std::string& ksefNumber);
// Moves the file into the folder; when the folder already has a file of that
// name, the copy there stays and this one is deleted. Raises naming the file
// when it can do neither, leaving the file where it was.
void FileIntoFolder(const std::string& path, const std::string& folder);
// Moves the file into the folder under a name that is not taken there yet
// (a suffix "_1", "_2" ... before the extension); returns the new path.
std::string MoveAside(const std::string& path, const std::string& folder);

}  // namespace brenvik
