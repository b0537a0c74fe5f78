#include <gtest/gtest.h>

#include <sys/stat.h>
#include <utime.h>

#include <cerrno>
#include <cstring>

#include "common/TestFiles.h"
#include "brenvik_version.h"
#include "support/Platform.h"
#include "support/VersionInfo.h"

using namespace brenvik;
using brenvik::testing::TTempDir;
using brenvik::testing::WriteFile;

namespace {
std::string Le32(std::uint32_t v) {
  return std::string{static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF),
                     static_cast<char>((v >> 16) & 0xFF), static_cast<char>((v >> 24) & 0xFF)};
}
}  // namespace

TEST(FileVersionText, RunningExecutableHasTheProgramVersion) {
  const std::string expected = "ver " + std::to_string(BRENVIK_VERSION_MAJOR) + "." +
                               std::to_string(BRENVIK_VERSION_MINOR) + "." +
                               std::to_string(BRENVIK_VERSION_RELEASE) + " build " +
                               std::to_string(BRENVIK_VERSION_BUILD);
  EXPECT_EQ(FileVersionText(ExecutablePath()), expected);
  // The same file under another spelling of its path.
  const std::string exe = ExecutablePath();
  const std::string folder = exe.substr(0, exe.rfind('/'));
  EXPECT_EQ(FileVersionText(folder + "/./" + exe.substr(exe.rfind('/') + 1)), expected);
}

TEST(FileVersionText, OtherFilesGiveTheFailureTexts) {
  TTempDir dir;
  EXPECT_EQ(FileVersionText(dir / "brak.exe"),
            "GetFileVersionInfo failed: (" + std::to_string(ENOENT) + ") " + std::strerror(ENOENT));
  WriteFile(dir / "inny.exe", "MZ");
  EXPECT_EQ(FileVersionText(dir / "inny.exe"),
            "GetFileVersionInfo failed: (1813) " + std::string(NoVersionResourceText));
}

TEST(BuildTime, PeStampElfModificationTimeOrZero) {
  TTempDir dir;
  // A minimal PE header: offset 60 points at "PE\0\0" and the stamp 8 bytes later.
  const std::uint32_t stamp = 1767225600;  // 2026-01-01 00:00:00 UTC
  std::string pe = "MZ" + std::string(58, '\0') + Le32(64) + std::string("PE\0\0", 4) +
                   std::string(4, '\0') + Le32(stamp);
  WriteFile(dir / "prog.exe", pe);
  EXPECT_EQ(BuildTimeOf(dir / "prog.exe"), UnixToLocal(stamp));

  WriteFile(dir / "short.exe", "MZ" + std::string(58, '\0') + Le32(4000));
  EXPECT_EQ(BuildTimeOf(dir / "short.exe"), TDateTime());

  WriteFile(dir / "prog",
            "\x7f"
            "ELF rest of the file");
  struct utimbuf times {
    1700000000, 1700000000
  };
  ASSERT_EQ(::utime((dir / "prog").c_str(), &times), 0);
  EXPECT_EQ(BuildTimeOf(dir / "prog"), UnixToLocal(1700000000));

  EXPECT_EQ(BuildTimeOf(dir / "brak"), TDateTime());
  EXPECT_GT(ExeBuildTime().Value, EncodeDate(2020, 1, 1).Value);
}
