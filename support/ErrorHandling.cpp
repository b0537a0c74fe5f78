#include "support/ErrorHandling.h"

#include <atomic>
#include <memory>
#include <mutex>

#include "support/Dialogs.h"
#include "support/Errors.h"
#include "support/Logger.h"
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
};

TErrorInfo Describe(std::exception_ptr e) {
  try {
    if (e) std::rethrow_exception(e);
  } catch (const std::exception& ex) {
    return {ErrorClassName(ex), ex.what()};
  } catch (...) {
  }
  return {"Exception", "Nieznany błąd"};
}

}  // namespace

std::string UnhandledErrorText(const std::string& className, const std::string& message) {
  return "NIEOBSŁUŻONY WYJĄTEK\r\n" + className + ": " + message;
}

std::string StepErrorText(const std::string& stepName, const std::string& className,
                          const std::string& message) {
  return stepName + ": " + className + "\r\n" + message;
}

std::string FatalBoxText(const std::string& reportText) {
  return "Wystąpił nieoczekiwany błąd.\r\n\r\n" + reportText + "\r\n" + "\r\n" +
         "Szczegóły zostały zapisane w logu." + "\r\n";
}

namespace {
void ReportUnhandled(const TErrorInfo& info) noexcept {
  try {
    const std::string text = UnhandledErrorText(info.ClassName, info.Message);
    try {
      TLogger::Error(text);
    } catch (...) {
    }
    try {
      ShowFatalError(text);
    } catch (...) {
    }
    RequestTerminate();
  } catch (...) {
    // The end of the line for errors: nothing may leave this handler.
  }
}
}  // namespace

void TAppExceptionHook::HandleException(const void*, const std::exception& e) {
  TErrorInfo info;
  try {
    info = {ErrorClassName(e), e.what()};
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
  const std::string text = StepErrorText(stepName, ErrorClassName(e), e.what());
  TLogger::Error(text);
  ShowFatalError(text);
}

void RunStep(const std::string& stepName, const std::function<void()>& operation) {
  try {
    operation();
  } catch (const Exception& e) {
    ReportStepError(stepName, e);
  }
}

std::string RequireFolderExists(const std::string& path) {
  const std::string trimmed = TrimControls(path);
  if (!FolderExists(trimmed)) throw EArgumentException("Folder " + trimmed + " nie istnieje");
  return trimmed;
}

}  // namespace brenvik
