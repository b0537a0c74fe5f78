#pragma once
// What became of the files handed to the connector, read from the folders
// and the run's part of the day's log once it has ended: accepted (in
// Sent), refused (named so in the log, or set aside by the connector), or
// not sent at all. A refused file that the connector left in Export is
// moved to Errors with its reason, so that it never holds back the
// generation of later documents.
#include <string>
#include <vector>

namespace brenvik {

// A file of Export and the invoice it holds.
struct THandedFile {
  std::string Name;     // "0-2026-1-127.xml"
  std::string Invoice;  // its P_2 ("FV 127/2026"), empty when it cannot be read
};

struct TRefusedFile {
  THandedFile File;
  std::string Reason;  // as KSeF gave it
};

struct TConnectorRunOutcome {
  std::vector<THandedFile> Accepted;
  std::vector<TRefusedFile> Refused;
  std::vector<THandedFile> NotSent;  // still waiting in Export
  int HandedOver() const {
    return static_cast<int>(Accepted.size() + Refused.size() + NotSent.size());
  }
};

// The files waiting in the folder with their invoice numbers, by name.
std::vector<THandedFile> FilesWithInvoices(const std::string& exportDir);
// "FV 127/2026 (0-2026-1-127.xml)", or the name alone.
std::string InvoiceCaption(const THandedFile& file);
// The reason the run's log lines give for refusing the file; empty when they
// do not name it refused.
std::string RefusalInLog(const std::vector<std::string>& runLines, const std::string& fileName);
// Sorts the handed files by where they are now; moves a refused file left in
// Export to Errors with a reason file (EInOutError when it cannot).
TConnectorRunOutcome SettleConnectorRun(const std::string& ksefDataDir,
                                        const std::vector<THandedFile>& handed,
                                        const std::vector<std::string>& runLines);

}  // namespace brenvik
