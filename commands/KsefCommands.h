#pragma once
// The two operator commands, the hand-over to the KSeF connector and the end
// of its run: one sequence of steps and texts for the window and the
// terminal, which differ only in what their host does with the cursor, the
// buttons and the pane.
#include <functional>
#include <string>
#include <vector>

#include "commands/ConnectorLock.h"
#include "commands/ConnectorRunOutcome.h"
#include "config/Config.h"
#include "support/DateTime.h"
#include "support/Errors.h"
#include "support/Logger.h"
#include "warehouse/KsefNumbers.h"

namespace brenvik {

BRENVIK_DECLARE_ERROR_KIND(EOperationUnavailable, Exception,
                           ProgramFault)  // a data-module operation not provided

// The data module's two operations the commands run.
struct TKsefOperations {
  std::function<void()> ReadDocNotSended2KSEF;  // the export run
  std::function<void()> SetKsefInRegs;          // write-back of numbers and import
  std::function<void()> StartRun;  // optional: a command begins, its table copies are one run
  // optional: what the last write-back did; without it the outcome has no counts
  std::function<TWriteBackOutcome()> WriteBackOutcome;
  // optional: the due documents before the export window that never went
  std::function<std::vector<std::string>()> UnsentBeforeWindow;
};

// How a command ended, as the last line of the pane and the label beside the
// buttons say it.
enum class TOutcomeKind { Neutral, Success, Failure, Cancelled };
struct TCommandOutcome {
  TOutcomeKind Kind = TOutcomeKind::Neutral;
  std::string Text;
};

// Called with the connector's exit code (-1 when it did not start or its end
// could not be read) and the error text of that failure.
using TRunFinishedProc = std::function<void(int exitCode, const std::string& errMsg)>;

class ICommandHost {
public:
  virtual ~ICommandHost() = default;
  virtual const TConfig& CommandConfig() const = 0;
  virtual const TKsefOperations& Operations() const = 0;
  virtual void SetBusyCursor(bool busy) = 0;
  virtual void SetButtonsEnabled(bool enabled) = 0;
  virtual void AddEmptyLine() = 0;
  virtual void ScrollLogToEnd() = 0;
  // Lines of the connector's log, without time stamp and in the current
  // colour; replaceAll replaces what the pane holds.
  virtual void ShowConnectorLines(const std::vector<std::string>& lines, bool replaceAll) = 0;
  // Starts the connector and returns at once; its end step (RunEndStep)
  // comes later, on the main thread. The connector inherits the lock, which
  // is kept until the connector has ended.
  virtual void RunConsoleInThread(const std::string& cmdLine, std::shared_ptr<TConnectorLock> lock,
                                  TRunFinishedProc onFinished) = 0;
  // A host that followed the connector's log while it worked shows the rest
  // of the run's lines and says true; false when it followed nothing of this
  // run (no start line in LOGPATH), and the log is then shown as a whole.
  virtual bool ShowRestOfConnectorLog(const std::string& /*logPath*/) { return false; }
  // The command's outcome, already its last pane line: the window sets that
  // line off in the outcome's colour and shows it beside the buttons.
  virtual void ShowOutcome(const TCommandOutcome& /*outcome*/) {}
  // A host with a list of the invoices can show the files waiting in Export.
  virtual bool CanShowWaitingFiles() const { return false; }
  virtual void ShowWaitingFiles() {}
};

// Number of "*.xml" files (letter case ignored) directly in the folder;
// EInOutError when it cannot be read.
int CountXmlFiles(const std::string& folder);
// Their names, sorted.
std::vector<std::string> XmlFileNames(const std::string& folder);
// "\r" before each of the first ten captions, then "\ri N innych" for the rest.
std::string FileNamesText(const std::vector<std::string>& captions);
// Files waiting in the export folder for the connector.
int PendingFileCount(const TConfig& config);
// Asks whether to send count files when Ask2Send is on; otherwise no. The
// question opens with LEAD when given.
bool ConfirmSend(const TConfig& config, int count, const std::string& lead = "");

enum class TSendResult {
  NotHandedOver,
  HandedOver,     // the connector's end step finishes the command
  ConnectorBusy,  // an earlier connector run still works: nothing was done
};
// The send command ("&Wyślij do KSEF"). It first takes the connector lock of
// the KSeF data folder (ConnectorLock.h) and keeps it through the
// generation and the connector's run; while another run holds it the
// command says so and does nothing else.
TSendResult SendToKsefCommand(ICommandHost& host);
// Its generation half: files of an earlier run that still wait are sent
// first and nothing new is generated; otherwise the export run as a step.
// Returns the files that wait now, with their invoices, and whether they are
// the earlier run's.
struct TWaitingFiles {
  std::vector<THandedFile> Files;
  bool FromEarlierRun = false;
};
TWaitingFiles GenerateWaitingFiles(ICommandHost& host);
// What the operator is told of the files of an earlier run that wait: which
// (ten at most, by invoice), and what becomes of them.
std::string WaitingDocumentsText(const std::vector<THandedFile>& files);
// The receive command ("&Odbierz z KSEF").
void ReceiveFromKsefCommand(ICommandHost& host);
void UpdateKsefNumbers(ICommandHost& host);
// Starts the connector with the send end handler; it inherits the lock.
void SendInvToKsef(ICommandHost& host, std::shared_ptr<TConnectorLock> lock,
                   std::vector<THandedFile> handed);
// The send end handler: the run's log, the handed files sorted by their
// fate, the write-back of whatever was accepted, the outcome.
void SendFinished(ICommandHost& host, const std::vector<THandedFile>& handed, int exitCode,
                  const std::string& errMsg);
// The end step of a run: the handler, then always the idle cursor and buttons.
void RunEndStep(ICommandHost& host, const TRunFinishedProc& onFinished, int exitCode,
                const std::string& errMsg);
// The outcome as the last pane line, and to the host.
void CloseWithOutcome(ICommandHost& host, const TCommandOutcome& outcome);

// What the connector's exit code says when files were not sent: the cause
// and what the operator can do.
std::string ExitCodeAdvice(int exitCode, const std::string& errMsg);
// The outcome of a send whose connector has ended, and the box a failure
// shows (empty for a success).
struct TSendReport {
  TCommandOutcome Outcome;
  std::string BoxText;
};
TSendReport SendReport(const TConnectorRunOutcome& run, const TWriteBackOutcome* writeBack,
                       int exitCode, const std::string& errMsg);

// The connector's log of a day in the KSeF data folder.
std::string ConnectorLogPath(const TConfig& config, TDateTime day);
// The lines of a UTF-8 text file (a leading byte-order mark skipped; lines
// end with CR LF, CR or LF); EFOpenError when it cannot be read.
std::vector<std::string> ReadTextLines(const std::string& fileName);
// Index of the line that begins the last run, or -1 without a marker line.
int LastRunStart(const std::vector<std::string>& lines);
// Shows the last run of the log; the whole file when it has no marker line.
void ShowConnectorLog(ICommandHost& host, const std::string& fileName);

}  // namespace brenvik
