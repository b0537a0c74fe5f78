#pragma once
// The status report of the configuration, shown at the first showing of the
// window and printed by the command line's check.
#include <functional>
#include <string>
#include <vector>

#include "config/Config.h"

namespace brenvik {

struct TColour {
  int R = 0, G = 0, B = 0;
  friend bool operator==(const TColour&, const TColour&) = default;
};
inline constexpr TColour clBlack{0, 0, 0};
inline constexpr TColour clReportGreen{0, 128, 0};
inline constexpr TColour clReportRed{192, 0, 0};

// addColoredLine appends one line in a colour (an empty text is a plain empty
// line); the report's other lines go through InfoLog: the values of the
// configuration not taken as written at level warn, the faults of the folders
// [STELMAR] names at level error. Ends with "Gotowy do pracy" and true only when the
// site has no such fault.
// UNSENT, when given, names the due documents older than the export window
// that never went to KSeF.
bool WriteStatusReport(
    const TConfig& cfg,
    const std::function<void(const std::string& text, TColour colour)>& addColoredLine,
    const std::vector<std::string>* unsent = nullptr);


}  // namespace brenvik
