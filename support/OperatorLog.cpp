#include "support/OperatorLog.h"

#include <atomic>

namespace brenvik {
namespace {
std::atomic<IOperatorLog*> gSink{nullptr};
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

}  // namespace brenvik
