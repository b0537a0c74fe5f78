#include "common/TestProcess.h"

#include <stdexcept>

#include "common/TestFiles.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace brenvik::testing {
namespace {

std::vector<std::string> MergedEnv(const std::map<std::string, std::string>& extra) {
  std::map<std::string, std::string> env;
  for (char** e = environ; *e; ++e) {
    const std::string s = *e;
    const auto eq = s.find('=');
    if (eq != std::string::npos) env[s.substr(0, eq)] = s.substr(eq + 1);
  }
  for (const auto& [k, v] : extra) env[k] = v;
  std::vector<std::string> out;
  for (const auto& [k, v] : env) out.push_back(k + "=" + v);
  return out;
}

int Spawn(const std::string& exe, const std::vector<std::string>& args,
          const TProcessOptions& options, const std::string& outFile, const std::string& errFile,
          const std::string& inFile) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, inFile.empty() ? "/dev/null" : inFile.c_str(),
                                   O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, outFile.empty() ? "/dev/null" : outFile.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, errFile.empty() ? "/dev/null" : errFile.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (!options.WorkDir.empty())
    posix_spawn_file_actions_addchdir_np(&actions, options.WorkDir.c_str());
  std::vector<std::string> argStore{exe};
  argStore.insert(argStore.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : argStore) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::vector<std::string> envStore = MergedEnv(options.Env);
  std::vector<char*> envp;
  for (auto& e : envStore) envp.push_back(e.data());
  envp.push_back(nullptr);
  pid_t pid = -1;
  const int rc = posix_spawn(&pid, exe.c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) throw std::runtime_error("cannot start " + exe + ": " + std::strerror(rc));
  return pid;
}

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

int WaitExit(int pid, int timeoutMs) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    int status = 0;
    const pid_t r = ::waitpid(pid, &status, WNOHANG);
    if (r == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    if (std::chrono::steady_clock::now() > end) return -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

}  // namespace

bool WaitFor(const std::function<bool()>& predicate, int timeoutMs) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (std::chrono::steady_clock::now() < end) {
    if (predicate()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return predicate();
}

TProcessResult RunProcess(const std::string& exe, const std::vector<std::string>& args,
                          const TProcessOptions& options) {
  char dir[] = "/tmp/brenvik-proc-XXXXXX";
  if (!::mkdtemp(dir)) throw std::runtime_error("mkdtemp failed");
  const std::string base = dir;
  std::string inFile;
  if (!options.Stdin.empty()) {
    inFile = base + "/in";
    std::ofstream(inFile, std::ios::binary) << options.Stdin;
  }
  const int pid = Spawn(exe, args, options, base + "/out", base + "/err", inFile);
  TProcessResult r;
  r.ExitCode = WaitExit(pid, options.TimeoutMs);
  if (r.ExitCode == -1) {
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
  }
  r.Out = Slurp(base + "/out");
  r.Err = Slurp(base + "/err");
  std::remove((base + "/out").c_str());
  std::remove((base + "/err").c_str());
  if (!inFile.empty()) std::remove(inFile.c_str());
  ::rmdir(dir);
  return r;
}

TRunningProcess::TRunningProcess(const std::string& exe, const std::vector<std::string>& args,
                                 const TProcessOptions& options) {
  FPid = Spawn(exe, args, options, "", "", "");
}

TRunningProcess::~TRunningProcess() {
  if (FPid > 0 && FExitCode == -1) {
    ::kill(FPid, SIGKILL);
    ::waitpid(FPid, nullptr, 0);
  }
}

bool TRunningProcess::Running() {
  if (FExitCode != -1) return false;
  int status = 0;
  const pid_t r = ::waitpid(FPid, &status, WNOHANG);
  if (r == FPid) {
    FExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return false;
  }
  return true;
}

int TRunningProcess::Stop(int timeoutMs) {
  if (Running()) {
    ::kill(FPid, SIGTERM);
    FExitCode = WaitExit(FPid, timeoutMs);
    if (FExitCode == -1) {
      ::kill(FPid, SIGKILL);
      ::waitpid(FPid, nullptr, 0);
      FExitCode = 137;
    }
  }
  return FExitCode;
}

void MakeDemoSite(const std::string& site, const TProcessOptions& options) {
  const TProcessResult r = RunProcess(
      "/bin/bash", {SourceDir() + "/scripts/make-demo-site.sh", site, BinaryDir()}, options);
  if (r.ExitCode != 0) throw std::runtime_error("make-demo-site.sh: " + r.Err);
}

TDemoSite::TDemoSite(const std::string& folder)
    : Site(folder + "site"), Ini("/ini=" + folder + "site/brenvik.ini") {
  Options.WorkDir = folder;
  Options.Env = {{"BRENVIK_LOCK_DIR", folder}};
  Options.TimeoutMs = 120000;
  MakeDemoSite(Site, Options);
}

}  // namespace brenvik::testing
