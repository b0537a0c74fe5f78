#include "support/Paths.h"

#include <filesystem>
#include <system_error>

#include "support/Errors.h"

namespace fs = std::filesystem;

namespace brenvik {

bool IsRootedPath(const std::string& path) {
  if (path.empty()) return false;
  if (path[0] == '/' || path[0] == '\\') return true;
  return path.size() >= 2 && path[1] == ':' &&
         ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
}

bool HasInvalidPathChars(const std::string& path) {
  for (unsigned char c : path)
    if (c < 0x20) return true;
  return false;
}

std::string PathJoin(const std::string& first, const std::string& second) {
  if (HasInvalidPathChars(first) || HasInvalidPathChars(second))
    throw EArgumentException("Invalid characters in path");
  if (first.empty() || IsRootedPath(second)) return second;
  if (first.back() == PathDelim) return first + second;
  return first + PathDelim + second;
}

std::string PathJoinName(const std::string& folder, const std::string& name) {
  if (name.empty() || name == "." || name == ".." || name.find(PathDelim) != std::string::npos ||
      name.find('\0') != std::string::npos)
    throw EArgumentException("Niedozwolona nazwa pliku w folderze " + folder + ": \"" +
                             PrintableName(name) + "\"");
  if (folder.empty() || folder.back() == PathDelim) return folder + name;
  return folder + PathDelim + name;
}

std::string PrintableName(const std::string& text) {
  std::string shown;
  for (unsigned char c : text) {
    if (c == '\t')
      shown += "\\t";
    else if (c == '\n')
      shown += "\\n";
    else if (c == '\r')
      shown += "\\r";
    else if (c < 0x20 || c == 0x7F) {
      static const char hex[] = "0123456789ABCDEF";
      shown += "\\x";
      shown += hex[c >> 4];
      shown += hex[c & 0xF];
    } else
      shown += static_cast<char>(c);
  }
  return shown;
}

std::string IncludeTrailingPathDelimiter(const std::string& path) {
  if (!path.empty() && path.back() == PathDelim) return path;
  return path + PathDelim;
}

std::string ExtractFilePath(const std::string& path) {
  const auto pos = path.rfind(PathDelim);
  return pos == std::string::npos ? std::string() : path.substr(0, pos + 1);
}

std::string ExtractFileName(const std::string& path) {
  const auto pos = path.rfind(PathDelim);
  return pos == std::string::npos ? path : path.substr(pos + 1);
}

std::string ExtractFileExt(const std::string& path) {
  const std::string name = ExtractFileName(path);
  const auto pos = name.rfind('.');
  return pos == std::string::npos ? std::string() : name.substr(pos);
}

std::string ChangeFileExt(const std::string& path, const std::string& ext) {
  const std::string name = ExtractFileName(path);
  const auto pos = name.rfind('.');
  const std::string folder = path.substr(0, path.size() - name.size());
  return folder + (pos == std::string::npos ? name : name.substr(0, pos)) + ext;
}

std::string BareFileName(const std::string& path) {
  return ChangeFileExt(ExtractFileName(path), "");
}

std::string CurrentFolder() {
  std::error_code ec;
  return IncludeTrailingPathDelimiter(fs::current_path(ec).string());
}

bool FolderExists(const std::string& path) {
  std::error_code ec;
  return !path.empty() && fs::is_directory(fs::path(path), ec);
}

bool FileExists(const std::string& path) {
  std::error_code ec;
  return !path.empty() && fs::is_regular_file(fs::path(path), ec);
}

}  // namespace brenvik
