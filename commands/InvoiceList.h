#pragma once
// The invoices of the KSeF data folder, one row per FA(3) file: waiting in
// Export, sent (Sent and its month folders), refused (Errors), received and
// waiting to be matched (Import) or matched (Received and its month
// folders). The window's list and `brenvik-cli list` show these rows.
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "support/DateTime.h"

namespace brenvik {

enum class TInvoiceState {
#define INVOICE_STATE(Id, Caption, Key) Id,
#include "commands/InvoiceStates.def"
#undef INVOICE_STATE
};

const char* InvoiceStateCaption(TInvoiceState state);
const char* InvoiceStateKey(TInvoiceState state);
std::optional<TInvoiceState> InvoiceStateOfKey(const std::string& key);

struct TInvoiceRow {
  std::string Path;  // the file, or a folder that could not be read
  TInvoiceState State = TInvoiceState::Unreadable;
  std::string Number;     // P_2
  std::string IssueDate;  // P_1, yyyy-mm-dd
  std::string PartyName;  // the buyer of a sale, the seller of a purchase
  std::string PartyNip;
  std::string Gross;       // P_15 with two decimals
  std::string Currency;    // KodWaluty
  std::string KsefNumber;  // from the file's name, when it carries one
  std::string Reason;      // why refused or unreadable
};

class TInvoiceList {
public:
  // SELLERNIP tells a sale from a purchase; TODAY picks the month folders
  // (this one and the two before).
  TInvoiceList(std::string ksefDataDir, std::string sellerNip);
  // Every row, in the order of the folders above and then of file names.
  // A file is parsed again only when its size or time changed.
  std::vector<TInvoiceRow> Rows(TDateTime today);

private:
  struct TParsed {
    long long Size = -1;
    long long ModifiedNs = -1;
    TInvoiceRow Row;  // the fields read from the file (or why it could not be)
  };
  const TInvoiceRow& Parsed(const std::string& path);
  std::string FDataDir, FSellerNip;
  std::map<std::string, TParsed> FCache;
};

// "Przenieś do Errors" for a file waiting in the data folder's Export: asks
// first (the question says that Stelmar's mark of the document stays as it
// is), then moves the file to Errors with a ".txt" saying who moved it and
// when. Returns the file's new path, or empty when the operator says no.
// Raises naming the file when it is not waiting in Export or cannot be moved.
std::string MoveWaitingFileToErrors(const std::string& ksefDataDir, const std::string& path,
                                    const std::string& who, TDateTime when);

// One line per row for the terminal, or a JSON array for scripts.
std::string InvoiceRowsAsText(const std::vector<TInvoiceRow>& rows);
std::string InvoiceRowsAsJson(const std::vector<TInvoiceRow>& rows);

}  // namespace brenvik
