#pragma once
// Version texts of files and the build time of the running program.
#include <string>

#include "support/DateTime.h"

namespace brenvik {

// "ver major.minor.release build n" of the running executable. For any other
// file, which carries no version of ours, the failure text
// "GetFileVersionInfo failed: (code) message": the errno and its text when
// the file cannot be reached, else code 1813 (no version resource).
std::string FileVersionText(const std::string& fileName);

// Link time of the file: the PE header's time stamp for a Windows
// executable, else (ELF) its modification time; date 0 when unreadable.
TDateTime BuildTimeOf(const std::string& fileName);
// BuildTimeOf the running executable.
TDateTime ExeBuildTime();

// Code and text given for an existing file without a version resource.
constexpr int NoVersionResourceCode = 1813;
inline const char* const NoVersionResourceText =
    "Nie można odnaleźć określonego typu zasobu w pliku obrazu.";

}  // namespace brenvik
