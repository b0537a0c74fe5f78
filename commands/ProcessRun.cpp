#include "commands/ProcessRun.h"
#include "support/SystemErrors.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "support/KsefContract.h"
#include "support/TextCodec.h"

extern char** environ;

namespace brenvik {
namespace {

std::string SystemText(int error) {
  return SystemErrorText(error);
}

// Owns the spawn settings for the length of one start.
struct TSpawnSettings {
  posix_spawn_file_actions_t Actions;
  posix_spawnattr_t Attr;
  TSpawnSettings() {
    posix_spawn_file_actions_init(&Actions);
    posix_spawnattr_init(&Attr);
  }
  ~TSpawnSettings() {
    posix_spawnattr_destroy(&Attr);
    posix_spawn_file_actions_destroy(&Actions);
  }
  TSpawnSettings(const TSpawnSettings&) = delete;
  TSpawnSettings& operator=(const TSpawnSettings&) = delete;
};

}  // namespace

std::string ProgramOfCommandLine(const std::string& cmdLine) {
  const std::string text = Trim(cmdLine);
  std::string program, rest;
  if (!text.empty() && text.front() == '"') {
    const auto close = text.find('"', 1);
    if (close == std::string::npos)
      throw EArgumentException("Niezamknięty cudzysłów w poleceniu: " + cmdLine);
    program = text.substr(1, close - 1);
    rest = Trim(text.substr(close + 1));
  } else {
    program = text;
  }
  if (program.empty()) throw EArgumentException("Puste polecenie uruchomienia programu");
  if (!rest.empty())
    throw EArgumentException("Polecenie uruchomienia nie przyjmuje argumentów: " + cmdLine);
  return program;
}

int RunProcessAndWait(const std::string& cmdLine, int inheritedFd) {
  const std::string program = ProgramOfCommandLine(cmdLine);
  TSpawnSettings settings;
  // None of this program's open files (its locks above all) reach the child,
  // but the one it is to hold.
  constexpr int InheritedChildFd = STDERR_FILENO + 1;
  if (inheritedFd >= 0)
    posix_spawn_file_actions_adddup2(&settings.Actions, inheritedFd, InheritedChildFd);
  posix_spawn_file_actions_addclosefrom_np(&settings.Actions,
                                           InheritedChildFd + (inheritedFd >= 0 ? 1 : 0));
  // The worker's blocked signals and this program's handlers are not the child's.
  sigset_t none, all;
  sigemptyset(&none);
  sigfillset(&all);
  posix_spawnattr_setsigmask(&settings.Attr, &none);
  posix_spawnattr_setsigdefault(&settings.Attr, &all);
  posix_spawnattr_setflags(&settings.Attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

  char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
  pid_t pid = 0;
  const int error =
      ::posix_spawn(&pid, program.c_str(), &settings.Actions, &settings.Attr, argv, environ);
  if (error != 0)
    throw EOSError("Nie można uruchomić programu " + program + ": " + SystemText(error));

  int status = 0;
  for (;;) {
    if (::waitpid(pid, &status, 0) == pid) break;
    if (errno != EINTR)
      throw EOSError("Nie można odczytać kodu zakończenia programu " + program + ": " +
                     SystemText(errno));
  }
  if (WIFSIGNALED(status))
    throw EOSError("Program " + program + " został przerwany sygnałem " +
                   std::to_string(WTERMSIG(status)) + " (" + ::strsignal(WTERMSIG(status)) + ")");
  if (!WIFEXITED(status)) throw EOSError("Nie można odczytać kodu zakończenia programu " + program);
  const int code = WEXITSTATUS(status);
  // The system keeps only the low eight bits of an exit code: the connector's
  // code for refused duplicates arrives truncated.
  if (code == (ksef::ExitDuplicates & 0xFF)) return ksef::ExitDuplicates;
  return code;
}

}  // namespace brenvik
