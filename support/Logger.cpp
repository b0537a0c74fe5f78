#include "support/Logger.h"
#include "support/SystemErrors.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <mutex>
#include <vector>

#include "support/Errors.h"
#include "support/Paths.h"
#include "support/Platform.h"

namespace fs = std::filesystem;

namespace brenvik {
namespace {

constexpr std::int64_t kDefaultMaxBytes = 5LL * 1024 * 1024;
// Lines held before the configuration: a start-up logs a few dozen; a process
// that never configures its logger keeps only the first ones.
constexpr size_t kMaxHeldLines = 1000;

struct TLoggerState {
  std::mutex Lock;
  std::atomic<bool> Enabled{true};
  std::string LogDir;
  std::string LogName;
  std::int64_t MaxBytes = kDefaultMaxBytes;
  std::function<TDateTime()> Clock;
  std::function<void(const std::string&)> LastResort;
  bool Holding = true;
  std::vector<std::string> Held;

  TLoggerState() {
    Reset();
    OutputDebugString("TLogger.Create");
  }
  void Reset() {
    Enabled = true;
    LogDir = PathJoin(CurrentFolder(), "Logs");
    LogName = "brenvik";
    MaxBytes = kDefaultMaxBytes;
    Clock = nullptr;
    LastResort = nullptr;
    Holding = true;
    Held.clear();
  }
  TDateTime Time() const { return Clock ? Clock() : Now(); }
};

TLoggerState& State() {
  static TLoggerState state;  // created at first use, before any other user
  return state;
}

// Make sure the logger exists from the very start of the process.
[[maybe_unused]] const bool gLoggerInitialized = (State(), true);

void DefaultLastResort(const std::string& text) {
  std::cerr << NormalizeLineBreaks(text) << std::endl;
  if (StdinIsTerminal()) {
    std::string ignored;
    std::getline(std::cin, ignored);
  }
  std::_Exit(1);
}

std::string ReplaceCrLf(const std::string& message) {
  std::string out;
  out.reserve(message.size());
  for (size_t i = 0; i < message.size(); ++i) {
    if (message[i] == '\r' && i + 1 < message.size() && message[i + 1] == '\n') {
      out += ": ";
      ++i;
    } else {
      out += message[i];
    }
  }
  return out;
}

[[noreturn]] void RaiseFileError(const std::string& what, const std::string& path) {
  throw EInOutError(what + " " + path + ": " + SystemErrorText(errno));
}

}  // namespace

std::int64_t FileSizeOf(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    if (errno == ENOENT) return 0;
    RaiseFileError("Nie można odczytać rozmiaru pliku", path);
  }
  return static_cast<std::int64_t>(st.st_size);
}

void TLogger::Configure(const std::string& dir, const std::string& name, std::int64_t maxBytes) {
  OutputDebugString("TLogger.Configure");
  auto& s = State();
  std::lock_guard<std::mutex> guard(s.Lock);
  if (!dir.empty()) s.LogDir = IsRootedPath(dir) ? dir : PathJoin(CurrentFolder(), dir);
  if (HasInvalidPathChars(s.LogDir)) throw EArgumentException("Invalid characters in path");
  if (!name.empty()) s.LogName = name;
  if (maxBytes > 0) s.MaxBytes = maxBytes;
  EndHolding();
}

void TLogger::WriteHeldLines() {
  std::lock_guard<std::mutex> guard(State().Lock);
  EndHolding();
}

bool TLogger::Configured() {
  std::lock_guard<std::mutex> guard(State().Lock);
  return !State().Holding;
}

// Called under the lock.
void TLogger::EndHolding() {
  auto& s = State();
  if (!s.Holding) return;
  s.Holding = false;
  std::vector<std::string> held;
  held.swap(s.Held);
  if (s.Enabled)
    for (const std::string& line : held) WriteLine(line);
}

void TLogger::SetEnabled(bool flag) { State().Enabled = flag; }
bool TLogger::Enabled() { return State().Enabled; }

std::string TLogger::LogDir() {
  std::lock_guard<std::mutex> guard(State().Lock);
  return State().LogDir;
}
std::string TLogger::LogName() {
  std::lock_guard<std::mutex> guard(State().Lock);
  return State().LogName;
}
std::int64_t TLogger::MaxBytes() {
  std::lock_guard<std::mutex> guard(State().Lock);
  return State().MaxBytes;
}

std::string TLogger::LevelName(TLogLevel level) {
  switch (level) {
    case llDebug: return "DEBUG";
    case llInfo: return "INFO";
    case llWarn: return "WARN";
    case llError: return "ERROR";
  }
  return "INFO";
}

std::string TLogger::ThreadIdText(long tid) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%5ld", tid);
  return buf;
}

std::string TLogger::FormatLine(TDateTime when, TLogLevel level, long tid,
                                const std::string& message) {
  return FormatDateTime("yyyy-mm-dd hh:nn:ss.zzz", when) + " [" + LevelName(level) +
         "] [TID:" + ThreadIdText(tid) + "] " + ReplaceCrLf(message);
}

std::string TLogger::CurrentFileName() {
  auto& s = State();
  return PathJoin(s.LogDir, s.LogName + "_" + FormatDateTime("yyyy-mm-dd", s.Time()) + ".log");
}

void TLogger::EnsureDir() {
  auto& s = State();
  std::error_code ec;
  bool ok = !s.LogDir.empty();
  if (ok) {
    fs::create_directories(fs::path(s.LogDir), ec);
    ok = !ec && FolderExists(s.LogDir);
  }
  if (ok) return;
  OutputDebugString("TLogger.EnsureDir");
  const std::string text =
      "Nie można utworzyć folderu:\r\n" + s.LogDir + "\r\nNaciśnij dowolny klawisz...";
  if (s.LastResort) {
    s.LastResort(text);
    throw EInOutError(text);  // a replaced last resort must not let the write go on
  }
  DefaultLastResort(text);
}

void TLogger::RotateIfNeeded(const std::string& file) {
  auto& s = State();
  if (s.MaxBytes <= 0 || !FileExists(file)) return;
  if (FileSizeOf(file) < s.MaxBytes) return;
  const std::string target =
      ChangeFileExt(file, "") + "_" + FormatDateTime("yyyymmdd_hhnnss", s.Time()) + ".log";
  if (std::rename(file.c_str(), target.c_str()) != 0)
    RaiseFileError("Nie można przenieść pliku", file);
}

void TLogger::AppendLine(const std::string& file, const std::string& line) {
  const std::string bytes = line + "\r\n";
  const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) RaiseFileError("Nie można otworzyć pliku", file);
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int err = errno;
      ::close(fd);
      errno = err;
      RaiseFileError("Nie można zapisać pliku", file);
    }
    done += static_cast<size_t>(n);
  }
  ::close(fd);
}

void TLogger::Log(TLogLevel level, const std::string& message) {
  auto& s = State();
  if (!s.Enabled) return;
  std::lock_guard<std::mutex> guard(s.Lock);
  const std::string line = FormatLine(s.Time(), level, CurrentThreadId(), message);
  if (s.Holding) {
    if (s.Held.size() < kMaxHeldLines) s.Held.push_back(line);
    return;
  }
  WriteLine(line);
}

void TLogger::WriteLine(const std::string& line) {
  EnsureDir();
  const std::string file = CurrentFileName();
  RotateIfNeeded(file);
  AppendLine(file, line);
}

void TLogger::SetClock(std::function<TDateTime()> clock) {
  std::lock_guard<std::mutex> guard(State().Lock);
  State().Clock = std::move(clock);
}

void TLogger::SetLastResort(std::function<void(const std::string&)> handler) {
  std::lock_guard<std::mutex> guard(State().Lock);
  State().LastResort = std::move(handler);
}

void TLogger::RestoreDefaults() {
  std::lock_guard<std::mutex> guard(State().Lock);
  State().Reset();
}

}  // namespace brenvik
