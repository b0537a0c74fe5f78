#pragma once
// Version texts of files, the build time of the program and its caption.
#include <string>

#include "support/DateTime.h"

namespace brenvik {

// "ver major.minor.release build n" of the running executable. For any other
// file, which carries no version of ours, the failure text
// "GetFileVersionInfo failed: (code) message": the errno and its text when
// the file cannot be reached, else code 1813 (no version resource).
std::string FileVersionText(const std::string& fileName);

// Seconds since 1970 (UTC) at which the program was built, fixed into it by
// the build (SOURCE_DATE_EPOCH when that was set); see cmake/BuildStamp.cmake.
extern const long long BuildEpochSeconds;
// The build time in local time: the same whatever the executable file's dates.
TDateTime ExeBuildTime();

// "Kompletor KSEF <version text> (yyyy-mm-dd hh:nn)": the window's title and
// what every FA(3) file names as the system that wrote it.
std::string ProgramCaption(const std::string& versionText, TDateTime buildTime);
// ProgramCaption of the running executable and its build time.
std::string ProgramCaption();

// Code and text given for an existing file without a version resource.
constexpr int NoVersionResourceCode = 1813;
inline const char* const NoVersionResourceText =
    "Nie można odnaleźć określonego typu zasobu w pliku obrazu.";

}  // namespace brenvik
