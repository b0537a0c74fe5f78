#pragma once
// Path text rules shared by the logger and the configuration: "/" is the
// delimiter, a rooted path starts with "/" (or a drive letter and a colon).
#include <string>

namespace brenvik {

constexpr char PathDelim = '/';

bool IsRootedPath(const std::string& path);
// Characters no path may hold (control characters).
bool HasInvalidPathChars(const std::string& path);
// One delimiter between the parts; an empty first part gives the second; a
// rooted second part wins. Throws EArgumentException "Invalid characters in path".
std::string PathJoin(const std::string& first, const std::string& second);
// A file's own name (as a folder listing gives it) in a folder: never rooted,
// whatever it begins with ("\\", "C:"). Throws EArgumentException for a
// name that is empty, "." or "..", or holds "/" or NUL, as such a name would
// lead out of the folder.
std::string PathJoinName(const std::string& folder, const std::string& name);
// The text with its control characters shown as "\t", "\n", "\r" or "\xNN",
// for naming a file in a log line.
std::string PrintableName(const std::string& text);
std::string IncludeTrailingPathDelimiter(const std::string& path);
std::string ExtractFilePath(const std::string& path);  // folder with trailing "/"
std::string ExtractFileName(const std::string& path);  // no folder
std::string ExtractFileExt(const std::string& path);   // ".ini", or empty
std::string ChangeFileExt(const std::string& path, const std::string& ext);
std::string BareFileName(const std::string& path);  // no folder, no extension
std::string CurrentFolder();                        // with trailing "/"
bool FolderExists(const std::string& path);
bool FileExists(const std::string& path);

}  // namespace brenvik
