#include "support/VersionInfo.h"
#include "support/SystemErrors.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "brenvik_version.h"
#include "support/Dialogs.h"
#include "support/Platform.h"

namespace brenvik {
namespace {

std::string FailureText(int code, const std::string& message) {
  return "GetFileVersionInfo failed: (" + std::to_string(code) + ") " + message;
}

// Both paths with links and "." / ".." resolved; false when either fails.
bool SameFile(const std::string& a, const std::string& b) {
  std::error_code ec1, ec2;
  const auto pa = std::filesystem::canonical(a, ec1);
  const auto pb = std::filesystem::canonical(b, ec2);
  return !ec1 && !ec2 && pa == pb;
}

}  // namespace

std::string FileVersionText(const std::string& fileName) {
  struct stat st {};
  if (::stat(fileName.c_str(), &st) != 0) {
    const int code = errno;
    return FailureText(code, SystemErrorText(code));
  }
  if (SameFile(fileName, ExecutablePath())) {
    return "ver " + std::to_string(BRENVIK_VERSION_MAJOR) + "." +
           std::to_string(BRENVIK_VERSION_MINOR) + "." + std::to_string(BRENVIK_VERSION_RELEASE) +
           " build " + std::to_string(BRENVIK_VERSION_BUILD);
  }
  return FailureText(NoVersionResourceCode, NoVersionResourceText);
}

TDateTime ExeBuildTime() { return UnixToLocal(BuildEpochSeconds); }

std::string ProgramCaption(const std::string& versionText, TDateTime buildTime) {
  return std::string(AppDisplayName) + " " + versionText + " (" +
         FormatDateTime("yyyy-mm-dd hh:nn", buildTime) + ")";
}

std::string ProgramCaption() {
  return ProgramCaption(FileVersionText(ExecutablePath()), ExeBuildTime());
}

}  // namespace brenvik
