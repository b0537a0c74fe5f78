#pragma once
// The export run's check of each generated file before it enters the export
// folder: a file KSeF would refuse goes to the errors folder, with the
// reasons in a text file of the same bare name beside it, and is reported
// in the operator's pane; only a file that passes reaches the connector.
#include <memory>
#include <set>
#include <string>
#include <utility>

#include "preflight/Preflight.h"
#include "warehouse/ReasonFiles.h"

namespace brenvik {

class TExportCheck {
public:
  // Finds and loads the schema (once for the run) and reads the invoices
  // waiting in Export and those in Sent; without a schema the run cannot
  // check its files and raises.
  explicit TExportCheck(const std::string& ksefDataDir);

  // Where a document's file is written before its check.
  std::string StagingPath(const std::string& exportName) const;
  // Checks the staged file. Passed: moved into Export under exportName,
  // true. Refused: moved into Errors under exportName with its reasons
  // beside it, the pane told, false.
  bool Admit(const std::string& staged, const std::string& exportName,
             const std::string& documentName);
  // A document the program would not generate (no exemption basis, a data
  // question answered so): a reason file of its own in Errors, with no
  // file beside it, a red line, counted among the refused.
  void HoldBack(const std::string& exportName, const TReasonDocument& document,
                const std::string& reason);
  int Refused() const { return FRefused; }
  // The run's closing line: files handed on and files refused.
  void LogSummary(int written) const;

private:
  void Refuse(const std::string& staged, const std::string& exportName,
              const std::string& documentName, const TPreflightResult& result);

  std::string FExportDir, FErrorsDir;
  std::unique_ptr<TFa3Schema> FSchema;
  TKnownInvoices FKnown;
  TPreflightContext FContext;
  // The seller's failures said once: rule and value.
  std::set<std::pair<TPreflightRuleId, std::string>> FSaid;
  int FRefused = 0;
};

// Removes a staged file the run did not get to move (after a failure).
class TStagedFile {
public:
  explicit TStagedFile(std::string path) : FPath(std::move(path)) {}
  ~TStagedFile();
  TStagedFile(const TStagedFile&) = delete;
  TStagedFile& operator=(const TStagedFile&) = delete;
  const std::string& Path() const { return FPath; }

private:
  std::string FPath;
};

}  // namespace brenvik
