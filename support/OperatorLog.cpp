#include "support/OperatorLog.h"

#include <atomic>
#include <mutex>

namespace brenvik {
namespace {
std::atomic<IOperatorLog*> gSink{nullptr};
std::mutex gCaptionLock;
std::function<std::string()> gCaption;
}  // namespace

void SetOperatorLog(IOperatorLog* sink) { gSink = sink; }
IOperatorLog* OperatorLog() { return gSink; }

std::string PaneLine(TDateTime when, const std::string& message) {
  return FormatDateTime("yyyy-mm-dd hh:nn:ss", when) + "  " + message;
}

std::string InfoLog(const std::string& s, TLogLevel level) {
  if (level != llDebug) {
    if (IOperatorLog* sink = gSink) sink->AddLogLine(PaneLine(Now(), s), level);
  }
  TLogger::Log(level, s);
  return s;
}

void SetMainCaptionProvider(std::function<std::string()> provider) {
  std::lock_guard<std::mutex> guard(gCaptionLock);
  gCaption = std::move(provider);
}

std::string MainWindowCaption() {
  std::lock_guard<std::mutex> guard(gCaptionLock);
  return gCaption ? gCaption() : std::string();
}

}  // namespace brenvik
