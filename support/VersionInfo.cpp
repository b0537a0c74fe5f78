#include "support/VersionInfo.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "brenvik_version.h"
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

bool ReadU32At(std::ifstream& in, std::uint64_t offset, std::uint32_t& value) {
  unsigned char b[4];
  in.seekg(static_cast<std::streamoff>(offset));
  if (!in.read(reinterpret_cast<char*>(b), 4)) return false;
  value = b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
  return true;
}

}  // namespace

std::string FileVersionText(const std::string& fileName) {
  struct stat st {};
  if (::stat(fileName.c_str(), &st) != 0) {
    const int code = errno;
    return FailureText(code, std::strerror(code));
  }
  if (SameFile(fileName, ExecutablePath())) {
    return "ver " + std::to_string(BRENVIK_VERSION_MAJOR) + "." +
           std::to_string(BRENVIK_VERSION_MINOR) + "." + std::to_string(BRENVIK_VERSION_RELEASE) +
           " build " + std::to_string(BRENVIK_VERSION_BUILD);
  }
  return FailureText(NoVersionResourceCode, NoVersionResourceText);
}

TDateTime BuildTimeOf(const std::string& fileName) {
  std::ifstream in(fileName, std::ios::binary);
  if (!in) return TDateTime();
  char magic[4] = {};
  if (!in.read(magic, 4)) return TDateTime();
  if (magic[0] == 'M' && magic[1] == 'Z') {
    std::uint32_t peOffset = 0, signature = 0, stamp = 0;
    if (!ReadU32At(in, 60, peOffset) || !ReadU32At(in, peOffset, signature) ||
        signature != 0x00004550u /* "PE\0\0" */ || !ReadU32At(in, peOffset + 8ull, stamp))
      return TDateTime();
    return UnixToLocal(stamp);
  }
  // ELF carries no link time: the moment the linker wrote the file is the
  // nearest equivalent.
  struct stat st {};
  if (::stat(fileName.c_str(), &st) != 0) return TDateTime();
  return UnixToLocal(static_cast<std::int64_t>(st.st_mtime));
}

TDateTime ExeBuildTime() { return BuildTimeOf(ExecutablePath()); }

}  // namespace brenvik
