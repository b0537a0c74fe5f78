#pragma once
// The connector's log of the day followed while a run works: the lines it
// appends from this run's "Start komunikacji" on, as they come, never the
// lines of an earlier run of the day.
#include <string>
#include <vector>

namespace brenvik {

class TConnectorLogFollower {
public:
  // PATH: the day's log; what it holds already belongs to earlier runs.
  explicit TConnectorLogFollower(std::string path);
  const std::string& Path() const { return FPath; }
  // The complete lines appended since the last call, from this run's start
  // on; a megabyte at most per call, the rest at the next.
  std::vector<std::string> NewLines();
  // At the run's end: the remaining lines, the last one even without its
  // line break.
  std::vector<std::string> RestOfLines();
  // Whether this run's start line has appeared.
  bool SawRunStart() const { return FStarted; }

private:
  std::vector<std::string> Take(bool atEnd);
  std::string FPath;
  long long FOffset = 0;
  std::string FPartial;
  bool FStarted = false;
};

}  // namespace brenvik
