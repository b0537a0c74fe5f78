#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <regex>

#include "support/SystemErrors.h"
#include "common/TestFiles.h"
#include "common/TestProcess.h"
#include "brenvik_version.h"
#include "support/Paths.h"
#include "support/Platform.h"
#include "support/VersionInfo.h"

using namespace brenvik;
using namespace brenvik::testing;

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
            "GetFileVersionInfo failed: (" + std::to_string(ENOENT) + ") " + SystemErrorText(ENOENT));
  WriteFile(dir / "inny.exe", "MZ");
  EXPECT_EQ(FileVersionText(dir / "inny.exe"),
            "GetFileVersionInfo failed: (1813) " + std::string(NoVersionResourceText));
}

// The stamp the build writes, by the SOURCE_DATE_EPOCH of the build; "now"
// rows accept the seconds between the moments before and after the run.
TEST(BuildStamp, SourceDateEpochWhenSetElseTheMomentOfTheBuild) {
  struct TRow {
    const char* Epoch;   // nullptr: unset
    long long Expected;  // -1: now; -2: the build fails
  } rows[] = {
      {nullptr, -1}, {"", -1},           {"1767225600", 1767225600},  // 2026-01-01 00:00:00 UTC
      {"0", 0},      {"2026-01-01", -2}, {"17672256OO", -2},
  };
  const char* outer = std::getenv("SOURCE_DATE_EPOCH");
  const std::string saved = outer ? outer : "";
  ::unsetenv("SOURCE_DATE_EPOCH");
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.Epoch ? row.Epoch : "(unset)");
    TTempDir dir;
    TProcessOptions o;
    if (row.Epoch) o.Env = {{"SOURCE_DATE_EPOCH", row.Epoch}};
    const long long before = std::time(nullptr);
    const TProcessResult r = RunProcess(
        BRENVIK_CMAKE_COMMAND,
        {"-DOUT=" + dir / "stamp.cpp", "-P", SourceDir() + "/cmake/BuildStamp.cmake"}, o);
    const long long after = std::time(nullptr);
    if (row.Expected == -2) {
      EXPECT_NE(r.ExitCode, 0);
      EXPECT_NE(r.Err.find("SOURCE_DATE_EPOCH"), std::string::npos) << r.Err;
      EXPECT_FALSE(FileExists(dir / "stamp.cpp"));
      continue;
    }
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    const std::string text = ReadFile(dir / "stamp.cpp");
    std::smatch m;
    ASSERT_TRUE(std::regex_search(text, m, std::regex(R"(BuildEpochSeconds = (\d+)LL;)"))) << text;
    const long long got = std::stoll(m[1]);
    if (row.Expected == -1) {
      EXPECT_GE(got, before);
      EXPECT_LE(got, after);
    } else {
      EXPECT_EQ(got, row.Expected);
    }
  }
  if (outer) ::setenv("SOURCE_DATE_EPOCH", saved.c_str(), 1);
  // The running program shows what its build fixed in, whatever its file's dates.
  EXPECT_EQ(ExeBuildTime(), UnixToLocal(BuildEpochSeconds));
}
