#include "support/Platform.h"
#include "support/SystemErrors.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <thread>

#include "support/Errors.h"

namespace brenvik {
namespace {
const std::thread::id gMainThread = std::this_thread::get_id();
}

bool IsDebuggerAttached() {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("TracerPid:", 0) == 0) return std::atol(line.c_str() + 10) != 0;
  }
  return false;
}

void OutputDebugString(const std::string& text) {
  if (IsDebuggerAttached()) std::fprintf(stderr, "%s\n", text.c_str());
}

long CurrentThreadId() { return static_cast<long>(::syscall(SYS_gettid)); }

bool IsMainThread() { return std::this_thread::get_id() == gMainThread; }

std::string ExecutablePath() {
  char buf[4096];
  const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return {};
  return std::string(buf, static_cast<size_t>(n));
}

bool StdinIsTerminal() { return ::isatty(STDIN_FILENO) == 1; }

std::string CurrentUserName() {
  if (const passwd* pw = ::getpwuid(::geteuid()); pw && pw->pw_name) return pw->pw_name;
  const char* name = std::getenv("USER");
  return name ? name : std::to_string(::geteuid());
}

std::string NormalizeLineBreaks(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      out += '\n';
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::string LockFolder() {
  if (const char* d = std::getenv("BRENVIK_LOCK_DIR"); d && *d) return d;
  if (const char* d = std::getenv("XDG_RUNTIME_DIR"); d && *d) return d;
  return "/tmp";
}

std::string UserLockFolder() {
  std::string folder = LockFolder();
  if (folder.empty() || folder.back() != '/') folder += '/';
  struct stat st {};
  if (::stat(folder.c_str(), &st) != 0)
    throw EInOutError("Nie można odczytać folderu blokad " + folder + ": " + SystemErrorText(errno));
  if ((st.st_mode & (S_IWGRP | S_IWOTH)) == 0) return folder;
  // Others may create files here: a neighbour's file of the same name would
  // lock this user out, so the lock files go into a folder of this user's own.
  const std::string own = folder + "brenvik-" + std::to_string(::geteuid());
  if (::mkdir(own.c_str(), 0700) == 0) {
    if (::chmod(own.c_str(), 0700) != 0)
      throw EInOutError("Nie można ustawić praw folderu blokad " + own + ": " +
                        SystemErrorText(errno));
  } else if (errno != EEXIST) {
    throw EInOutError("Nie można utworzyć folderu blokad " + own + ": " + SystemErrorText(errno));
  }
  if (::lstat(own.c_str(), &st) != 0)
    throw EInOutError("Nie można odczytać folderu blokad " + own + ": " + SystemErrorText(errno));
  if (!S_ISDIR(st.st_mode))
    throw EInOutError("Folder blokad " + own +
                      " nie jest folderem (usuń go, aby program mógł go utworzyć)");
  if (st.st_uid != ::geteuid())
    throw EInOutError("Folder blokad " + own + " należy do innego użytkownika (uid " +
                      std::to_string(st.st_uid) + ")");
  if ((st.st_mode & 077) != 0) {
    char mode[8];
    std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(st.st_mode & 07777));
    throw EInOutError("Folder blokad " + own + " jest dostępny dla innych użytkowników (prawa " +
                      mode + ")");
  }
  return own + "/";
}

TNamedMutex::~TNamedMutex() { Close(); }

TNamedMutex::TState TNamedMutex::Create(const std::string& name, bool initialOwner) {
  Close();
  FError.clear();
  std::string folder;
  try {
    folder = UserLockFolder();
  } catch (const EInOutError& e) {
    FPath = LockFolder();
    FError = e.what();
    return TState::Failed;
  }
  FPath = folder + name + "-" + std::to_string(::getuid()) + ".lock";
  FFd = ::open(FPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (FFd < 0) {
    FError = "Nie można otworzyć pliku blokady " + FPath + ": " + SystemErrorText(errno);
    return TState::Failed;
  }
  if (!initialOwner) return TState::Open;
  if (::flock(FFd, LOCK_EX | LOCK_NB) != 0) {
    if (errno == EWOULDBLOCK) return TState::AlreadyExists;
    FError = "Nie można zająć pliku blokady " + FPath + ": " + SystemErrorText(errno);
    return TState::Failed;
  }
  return TState::Owned;
}

void TNamedMutex::Close() {
  if (FFd >= 0) {
    ::close(FFd);  // closing releases the flock
    FFd = -1;
  }
}

}  // namespace brenvik
