#include "support/Platform.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <thread>

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

TNamedMutex::~TNamedMutex() { Close(); }

TNamedMutex::TState TNamedMutex::Create(const std::string& name, bool initialOwner) {
  Close();
  std::string folder = LockFolder();
  if (folder.empty() || folder.back() != '/') folder += '/';
  FPath = folder + name + "-" + std::to_string(::getuid()) + ".lock";
  FFd = ::open(FPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (FFd < 0) return TState::Failed;
  if (!initialOwner) return TState::Open;
  if (::flock(FFd, LOCK_EX | LOCK_NB) != 0) {
    const bool busy = errno == EWOULDBLOCK;
    return busy ? TState::AlreadyExists : TState::Failed;
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
