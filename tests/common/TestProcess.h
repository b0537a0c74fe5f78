#pragma once
// Runs a program of the project as a real process, for tests of start-up,
// the single-instance rule and the command line.
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace brenvik::testing {

struct TProcessResult {
  int ExitCode = -1;  // -1 when it did not end in time (it is then killed)
  std::string Out, Err;
};

struct TProcessOptions {
  std::string WorkDir;                     // empty: the test's own
  std::map<std::string, std::string> Env;  // added to the test's environment
  int TimeoutMs = 30000;
  std::string Stdin;  // fed to standard input (then closed)
};

TProcessResult RunProcess(const std::string& exe, const std::vector<std::string>& args,
                          const TProcessOptions& options = {});
// Builds the project's demo site into site with scripts/make-demo-site.sh;
// raises std::runtime_error with the script's error output when it fails.
void MakeDemoSite(const std::string& site, const TProcessOptions& options);

// The demo site in FOLDER + "site", with the options to run the programs on
// it: FOLDER as working and lock folder, two minutes for a run.
struct TDemoSite {
  explicit TDemoSite(const std::string& folder);
  std::string Site;
  std::string Ini;  // "/ini=<site>/brenvik.ini"
  TProcessOptions Options;
};

// A process left running until Stop (SIGTERM) or destruction (SIGKILL).
class TRunningProcess {
public:
  TRunningProcess(const std::string& exe, const std::vector<std::string>& args,
                  const TProcessOptions& options = {});
  ~TRunningProcess();
  TRunningProcess(const TRunningProcess&) = delete;
  TRunningProcess& operator=(const TRunningProcess&) = delete;
  bool Running();
  int Stop(int timeoutMs = 10000);  // SIGTERM, then the exit code
  int Pid() const { return FPid; }

private:
  int FPid = -1;
  int FExitCode = -1;
};

// Waits until the predicate holds or the time is up.
bool WaitFor(const std::function<bool()>& predicate, int timeoutMs = 10000);

}  // namespace brenvik::testing
