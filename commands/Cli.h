#pragma once
// brenvik-cli: the program's start-up and commands without a window.
//   brenvik-cli /ini=PATH COMMAND [--yes] [FILE...]   (arguments in any order)
#include <functional>
#include <string>
#include <vector>

namespace brenvik {

class TAppController;

struct TCliCommand {
  const char* Name;
  const char* Help;
  // Runs after a successful start-up; returns the exit code.
  std::function<int(TAppController& controller)> Run;
  // Instead of Run, for a command on the files named after it (at least one).
  std::function<int(TAppController& controller, const std::vector<std::string>& files)> RunOnFiles =
      {};
  // Only reads: runs also beside another copy of the program.
  bool ReadOnly = false;
  // RunOnFiles may be given no operands.
  bool OperandsOptional = false;
};

// Exit codes: 0 success, 1 failure, 2 wrong usage, 3 another copy runs.
int RunCli(int argc, char** argv);
const std::vector<TCliCommand>& CliCommands();

}  // namespace brenvik
