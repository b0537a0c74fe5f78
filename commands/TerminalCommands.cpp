#include "commands/TerminalCommands.h"

#include <exception>

#include "commands/ConsoleRun.h"
#include "support/Dialogs.h"
#include "support/ErrorHandling.h"

namespace brenvik {
namespace {

// An error that leaves a command gets the window's treatment: the ERROR log
// line and the fatal report, here on the terminal.
template <class F>
int Guarded(F&& command) {
  try {
    const int code = command();
    return TerminateRequested() ? 1 : code;
  } catch (...) {
    DispatchUnhandledException(nullptr, std::current_exception());
    return 1;
  }
}

}  // namespace

TTerminalCommandHost::TTerminalCommandHost(const TConfig& config, const TKsefOperations& operations,
                                           std::FILE* out)
    : FConfig(config), FOperations(operations), FOut(out) {}

void TTerminalCommandHost::AddEmptyLine() {
  std::fputc('\n', FOut);
  std::fflush(FOut);
}

void TTerminalCommandHost::ShowConnectorLines(const std::vector<std::string>& lines, bool) {
  for (const std::string& line : lines) std::fprintf(FOut, "%s\n", line.c_str());
  std::fflush(FOut);
}

void TTerminalCommandHost::RunConsoleInThread(const std::string& cmdLine,
                                              std::shared_ptr<TConnectorLock> lock,
                                              TRunFinishedProc onFinished) {
  FRunPending = true;
  FCmdLine = cmdLine;
  FLock = std::move(lock);
  FOnFinished = std::move(onFinished);
}

bool TTerminalCommandHost::FinishRun(int& exitCode) {
  if (!FRunPending) return false;
  FRunPending = false;
  const TRunResult result = RunConsole(FCmdLine, FLock.get());
  FLock.reset();
  exitCode = result.ExitCode;
  RunEndStep(*this, FOnFinished, result.ExitCode, result.ErrMsg);
  return true;
}

int SendOnTerminal(const TConfig& config, const TKsefOperations& operations) {
  TTerminalCommandHost host(config, operations);
  return Guarded([&] {
    if (SendToKsefCommand(host) == TSendResult::ConnectorBusy) return 1;
    int exitCode = -1;
    if (host.FinishRun(exitCode)) {
      if (exitCode > 0) return exitCode;
      return exitCode == 0 && host.Outcome().Kind != TOutcomeKind::Failure ? 0 : 1;
    }
    if (TerminateRequested()) return 1;
    const int waiting = PendingFileCount(config);
    if (waiting == 0) return 0;
    const std::string files = waiting == 1 ? "1 pliku FA(3) oczekującego"
                                           : std::to_string(waiting) + " plików FA(3) oczekujących";
    std::fprintf(stderr, "Nie wysłano %s w folderze Export.\n", files.c_str());
    return 1;
  });
}

int ExportOnTerminal(const TConfig& config, const TKsefOperations& operations) {
  TTerminalCommandHost host(config, operations);
  return Guarded([&] {
    const TWaitingFiles waiting = GenerateWaitingFiles(host);
    if (waiting.FromEarlierRun)
      MessageDlg(WaitingDocumentsText(waiting.Files), TMsgDlgType::mtInformation,
                 {TMsgDlgBtn::mbOK}, TMsgDlgBtn::mbOK);
    return 0;
  });
}

int ReceiveOnTerminal(const TConfig& config, const TKsefOperations& operations) {
  TTerminalCommandHost host(config, operations);
  return Guarded([&] {
    ReceiveFromKsefCommand(host);
    return 0;
  });
}

}  // namespace brenvik
