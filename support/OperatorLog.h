#pragma once
// The operator's log: every part of the program reports progress here. The
// window shows the lines in its pane, the command line prints them; the log
// file always gets the same message.
#include <string>

#include "support/DateTime.h"
#include "support/Logger.h"

namespace brenvik {

class IOperatorLog {
public:
  virtual ~IOperatorLog() = default;
  // One pane line ("yyyy-mm-dd hh:nn:ss  message") of a level shown to the operator.
  virtual void AddLogLine(const std::string& paneLine, TLogLevel level) = 0;
};

void SetOperatorLog(IOperatorLog* sink);
IOperatorLog* OperatorLog();

// Shows S (unless the level is llDebug) and always writes it to the log file;
// returns S unchanged.
std::string InfoLog(const std::string& s, TLogLevel level);
std::string PaneLine(TDateTime when, const std::string& message);

}  // namespace brenvik
