#pragma once
// The operator commands on a terminal: the same steps and texts as the
// window's, with the connector run waited for in the foreground.
#include <cstdio>
#include <string>
#include <vector>

#include "commands/KsefCommands.h"

namespace brenvik {

// No cursor and no buttons; the pane is standard output. A connector run is
// kept until the command has closed and then run by FinishRun, the way the
// window's end step comes after its command.
class TTerminalCommandHost : public ICommandHost {
public:
  TTerminalCommandHost(const TConfig& config, const TKsefOperations& operations,
                       std::FILE* out = stdout);
  const TConfig& CommandConfig() const override { return FConfig; }
  const TKsefOperations& Operations() const override { return FOperations; }
  void SetBusyCursor(bool) override {}
  void SetButtonsEnabled(bool) override {}
  void AddEmptyLine() override;
  void ScrollLogToEnd() override {}
  void ShowConnectorLines(const std::vector<std::string>& lines, bool replaceAll) override;
  void RunConsoleInThread(const std::string& cmdLine, std::shared_ptr<TConnectorLock> lock,
                          TRunFinishedProc onFinished) override;

  void ShowOutcome(const TCommandOutcome& outcome) override { FOutcome = outcome; }
  const TCommandOutcome& Outcome() const { return FOutcome; }

  // Runs the kept connector run, waits for it and runs its end step;
  // returns its exit code (-1 when it did not start). False without one.
  bool FinishRun(int& exitCode);

private:
  const TConfig& FConfig;
  const TKsefOperations& FOperations;
  std::FILE* FOut;
  bool FRunPending = false;
  std::string FCmdLine;
  std::shared_ptr<TConnectorLock> FLock;  // until the kept run has ended
  TRunFinishedProc FOnFinished;
  TCommandOutcome FOutcome;  // of the last command
};

// brenvik-cli send: 0 when every file handed over was accepted or nothing
// waited to be sent; the connector's code when it failed; 1 when it could
// not start, when it ended 0 but files were refused or not sent, when an
// earlier connector run still works, when waiting files were not handed
// over, or when a step failed.
int SendOnTerminal(const TConfig& config, const TKsefOperations& operations);
// brenvik-cli export: 0 unless the generation failed (1).
int ExportOnTerminal(const TConfig& config, const TKsefOperations& operations);
// brenvik-cli receive: 0 unless the run failed (1).
int ReceiveOnTerminal(const TConfig& config, const TKsefOperations& operations);

}  // namespace brenvik
