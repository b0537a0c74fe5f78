#include "support/ErrorHandling.h"

#include <atomic>
#include <memory>
#include <mutex>

#include "support/Dialogs.h"
#include "support/Errors.h"
#include "support/Logger.h"
#include "support/OperatorLog.h"
#include "support/Paths.h"
#include "support/Platform.h"
#include "support/TextCodec.h"

namespace brenvik {
namespace {

std::unique_ptr<TAppExceptionHook> gHook;
std::mutex gTerminateLock;
std::function<void()> gTerminateHandler;
std::atomic<bool> gTerminateRequested{false};

struct TErrorInfo {
  std::string ClassName, Message;
  TFaultKind Kind = TFaultKind::ProgramFault;
};

TErrorInfo Describe(const std::exception& e) { return {ErrorClassName(e), e.what(), FaultKind(e)}; }

TErrorInfo Describe(std::exception_ptr e) {
  try {
    if (e) std::rethrow_exception(e);
  } catch (const std::exception& ex) {
    return Describe(ex);
  } catch (...) {
  }
  return {"Exception", "Nieznany błąd"};
}

// A fault with a cause outside the program: its own message, no class name,
// and not called unexpected.
void ShowFaultBox(const std::string& text) {
  if (!IsMainThread()) return;
  MessageDlgTitled(FaultBoxTitle, FaultBoxText(text), TMsgDlgType::mtError, {TMsgDlgBtn::mbOK},
                   TMsgDlgBtn::mbOK);
  RequestTerminate();
}

// The report of an error under a step name (empty: an error that escaped).
void Report(const std::string& stepName, const TErrorInfo& info) {
  switch (info.Kind) {
    case TFaultKind::Stop: InfoLog(StoppedText(stepName, info.Message), llWarn); return;
    case TFaultKind::Expected: {
      const std::string text = stepName.empty() ? info.Message : stepName + ": " + info.Message;
      TLogger::Error(text);
      ShowFaultBox(text);
      return;
    }
    case TFaultKind::ProgramFault: break;
  }
  const std::string text = stepName.empty() ? UnhandledErrorText(info.ClassName, info.Message)
                                            : StepErrorText(stepName, info.ClassName, info.Message);
  TLogger::Error(text);
  ShowFatalError(text);
}

}  // namespace

std::string UnhandledErrorText(const std::string& className, const std::string& message) {
  return "NIEOBSŁUŻONY WYJĄTEK\r\n" + className + ": " + message;
}

std::string StepErrorText(const std::string& stepName, const std::string& className,
                          const std::string& message) {
  return stepName + ": " + className + "\r\n" + message;
}

std::string FaultBoxText(const std::string& reportText) {
  return reportText + "\r\n\r\nSzczegóły zostały zapisane w logu.\r\n";
}

std::string StoppedText(const std::string& stepName, const std::string& message) {
  return (stepName.empty() ? std::string() : stepName + ": ") + message + " (decyzja operatora)";
}

std::string FatalBoxText(const std::string& reportText) {
  return "Wystąpił nieoczekiwany błąd.\r\n\r\n" + reportText + "\r\n" + "\r\n" +
         "Szczegóły zostały zapisane w logu." + "\r\n";
}

namespace {
void ReportUnhandled(const TErrorInfo& info) noexcept {
  try {
    try {
      Report("", info);
    } catch (...) {
      // A log that cannot be written still ends the program below.
    }
    if (info.Kind != TFaultKind::Stop) RequestTerminate();
  } catch (...) {
    // The end of the line for errors: nothing may leave this handler.
  }
}
}  // namespace

void TAppExceptionHook::HandleException(const void*, const std::exception& e) {
  TErrorInfo info;
  try {
    info = Describe(e);
  } catch (...) {
  }
  ReportUnhandled(info);
}

void TAppExceptionHook::HandleException(const void*, std::exception_ptr e) {
  TErrorInfo info;
  try {
    info = Describe(e);
  } catch (...) {
  }
  ReportUnhandled(info);
}

void InstallExceptionHook() {
  if (!gHook) gHook = std::make_unique<TAppExceptionHook>();
}

TAppExceptionHook* ExceptionHook() { return gHook.get(); }

void ReleaseExceptionHook() { gHook.reset(); }

void DispatchUnhandledException(const void* sender, std::exception_ptr e) noexcept {
  try {
    if (gHook) {
      gHook->HandleException(sender, e);
      return;
    }
    const TErrorInfo info = Describe(e);
    if (IsMainThread()) ShowMessage(info.Message);
    RequestTerminate();
  } catch (...) {
  }
}

void SetTerminateHandler(std::function<void()> handler) {
  std::lock_guard<std::mutex> guard(gTerminateLock);
  gTerminateHandler = std::move(handler);
}

void RequestTerminate() {
  gTerminateRequested = true;
  std::function<void()> handler;
  {
    std::lock_guard<std::mutex> guard(gTerminateLock);
    handler = gTerminateHandler;
  }
  if (handler) handler();
}

bool TerminateRequested() { return gTerminateRequested; }
void ResetTerminateRequest() { gTerminateRequested = false; }

void ShowFatalError(const std::string& text) {
  if (!IsMainThread()) return;
  MessageDlgTitled(FatalBoxTitle, FatalBoxText(text), TMsgDlgType::mtError, {TMsgDlgBtn::mbOK},
                   TMsgDlgBtn::mbOK);
  RequestTerminate();
}

void ReportStepError(const std::string& stepName, const std::exception& e) {
  Report(stepName, Describe(e));
}

void RunStep(const std::string& stepName, const std::function<void()>& operation) {
  try {
    operation();
  } catch (const Exception& e) {
    // The operator's stop ends the whole run, not only this step.
    if (e.Kind() == TFaultKind::Stop) throw;
    ReportStepError(stepName, e);
  }
}

std::string RequireFolderExists(const std::string& path) {
  const std::string trimmed = TrimControls(path);
  if (!FolderExists(trimmed)) throw EArgumentException("Folder " + trimmed + " nie istnieje");
  return trimmed;
}

}  // namespace brenvik
