#pragma once
// What happens to an error that nothing else handles: an ERROR log line, one
// box for the operator, and the end of the application. An expected fault
// shows its Polish reason; only a program fault is called unexpected and
// shows its class; the operator's stop is a warning line and nothing more.
// Also the step runner for operations whose failure cannot be recovered from.
#include <exception>
#include <functional>
#include <string>

namespace brenvik {

class TAppExceptionHook {
public:
  // Reports E and requests termination; never raises.
  void HandleException(const void* sender, const std::exception& e);
  void HandleException(const void* sender, std::exception_ptr e);
};

// Creates the one hook object (once) and makes it the handler of errors that
// escape event handlers and queued main-thread steps.
void InstallExceptionHook();
TAppExceptionHook* ExceptionHook();  // null before installation
void ReleaseExceptionHook();         // module clean-up
// What the event loop calls for an escaped error; before the hook exists the
// message is shown in a plain box and termination is requested.
void DispatchUnhandledException(const void* sender, std::exception_ptr e) noexcept;

// Termination requests: the window program ends its message loop, the
// command line its command.
void SetTerminateHandler(std::function<void()> handler);
void RequestTerminate();
bool TerminateRequested();
void ResetTerminateRequest();

void ReportStepError(const std::string& stepName, const std::exception& e);
void ShowFatalError(const std::string& text);

// Runs the operation; an error of the program's family is reported under the
// step name and the call returns normally. The operator's stop and errors
// from outside the family pass through.
void RunStep(const std::string& stepName, const std::function<void()>& operation);
template <class T>
void RunStep(const std::string& stepName, void (T::*operation)(), T& target) {
  RunStep(stepName, [&] { (target.*operation)(); });
}

// Trims blanks and control characters; raises EArgumentException
// "Folder %s nie istnieje" when no such folder exists.
std::string RequireFolderExists(const std::string& path);

// The texts of the reports.
std::string UnhandledErrorText(const std::string& className, const std::string& message);
std::string StepErrorText(const std::string& stepName, const std::string& className,
                          const std::string& message);
std::string FatalBoxText(const std::string& reportText);
inline const char* const FatalBoxTitle = "Błąd aplikacji";
// An expected fault (a damaged table, a missing folder, a bad file): its
// Polish reason only, in a box that does not call it unexpected.
std::string FaultBoxText(const std::string& reportText);
inline const char* const FaultBoxTitle = "brenvik — błąd";
// The warning line of a run the operator stopped.
std::string StoppedText(const std::string& stepName, const std::string& message);

}  // namespace brenvik
