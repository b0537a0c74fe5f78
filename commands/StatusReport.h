#pragma once
// The status report of the configuration, shown at the first showing of the
// window and printed by the command line's check.
#include <functional>
#include <string>

#include "config/Config.h"

namespace brenvik {

struct TColour {
  int R = 0, G = 0, B = 0;
  friend bool operator==(const TColour&, const TColour&) = default;
};
inline constexpr TColour clBlack{0, 0, 0};
inline constexpr TColour clReportGreen{0, 128, 0};

// addColoredLine appends one line in a colour (an empty text is a plain empty
// line); the report's other lines go through InfoLog.
void WriteStatusReport(
    const TConfig& cfg,
    const std::function<void(const std::string& text, TColour colour)>& addColoredLine);

}  // namespace brenvik
