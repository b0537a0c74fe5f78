#pragma once
// The few services the program takes from the operating system, each with its
// Linux form: debugger test, thread ids, named mutexes as lock files, the
// executable's own path.
#include <string>

namespace brenvik {

bool IsDebuggerAttached();                        // TracerPid of /proc/self/status
void OutputDebugString(const std::string& text);  // to stderr, only under a debugger
long CurrentThreadId();
bool IsMainThread();           // the thread that loaded the program
std::string ExecutablePath();  // /proc/self/exe
bool StdinIsTerminal();

// "\r\n" and lone "\r" become "\n", for texts shown in dialogs and terminals.
std::string NormalizeLineBreaks(const std::string& text);

// A named, process-wide mutex: a lock file in the lock folder
// ($BRENVIK_LOCK_DIR, else $XDG_RUNTIME_DIR, else /tmp), held with flock.
class TNamedMutex {
public:
  enum class TState { Owned, AlreadyExists, Failed, Open };
  TNamedMutex() = default;
  TNamedMutex(const TNamedMutex&) = delete;
  TNamedMutex& operator=(const TNamedMutex&) = delete;
  ~TNamedMutex();
  // Owned: the mutex is taken for this process; AlreadyExists: another process
  // holds it. With initialOwner false the file is only opened (state Open).
  TState Create(const std::string& name, bool initialOwner);
  void Close();
  bool IsOpen() const { return FFd >= 0; }
  const std::string& Path() const { return FPath; }

private:
  int FFd = -1;
  std::string FPath;
};

std::string LockFolder();

}  // namespace brenvik
