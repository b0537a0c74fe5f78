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
std::string CurrentUserName();  // the login name of the process's user

// "\r\n" and lone "\r" become "\n", for texts shown in dialogs and terminals.
std::string NormalizeLineBreaks(const std::string& text);

// A named, process-wide mutex: a lock file in the lock folder, held with flock.
class TNamedMutex {
public:
  enum class TState { Owned, AlreadyExists, Failed, Open };
  TNamedMutex() = default;
  TNamedMutex(const TNamedMutex&) = delete;
  TNamedMutex& operator=(const TNamedMutex&) = delete;
  ~TNamedMutex();
  // Owned: the mutex is taken for this process; AlreadyExists: another process
  // holds it. With initialOwner false the file is only opened (state Open).
  // Failed: Error() tells why, in Polish.
  TState Create(const std::string& name, bool initialOwner);
  void Close();
  bool IsOpen() const { return FFd >= 0; }
  const std::string& Path() const { return FPath; }
  const std::string& Error() const { return FError; }

private:
  int FFd = -1;
  std::string FPath;
  std::string FError;
};

// $BRENVIK_LOCK_DIR, else $XDG_RUNTIME_DIR, else /tmp.
std::string LockFolder();
// The folder the lock files go into, ending in "/": the lock folder itself,
// or, when other users may write there (as in /tmp), a folder of this user's
// own in it, "brenvik-<uid>", created with mode 0700. Raises EInOutError when
// that folder cannot be made, is no folder, belongs to another user or is
// open to others.
std::string UserLockFolder();

}  // namespace brenvik
