#include <gtest/gtest.h>

#include <sys/stat.h>
#include <utime.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <regex>

#include "AppTestSupport.h"
#include "brenvik_version.h"
#include "common/TestFiles.h"
#include "common/TestProcess.h"
#include "gui/MainWindow.h"
#include "warehouse/DataModule.h"

using namespace brenvik;
using namespace brenvik::testing;

namespace fs = std::filesystem;

namespace {

// The caption the build fixed in: the name, the project's version and the
// seconds written by the build stamp, in local time to the minute.
std::string BuiltCaption() {
  const std::string stamp = ReadFile(BinaryDir() + "/generated/brenvik_build_stamp.cpp");
  std::smatch m;
  if (!std::regex_search(stamp, m, std::regex(R"(BuildEpochSeconds = (\d+)LL;)")))
    return "<no build stamp>";
  const std::time_t built = std::stoll(m[1]);
  std::tm local{};
  localtime_r(&built, &local);
  char when[32];
  std::strftime(when, sizeof when, "%Y-%m-%d %H:%M", &local);
  return "Kompletor KSEF ver " + std::to_string(BRENVIK_VERSION_MAJOR) + "." +
         std::to_string(BRENVIK_VERSION_MINOR) + "." + std::to_string(BRENVIK_VERSION_RELEASE) +
         " build " + std::to_string(BRENVIK_VERSION_BUILD) + " (" + when + ")";
}

std::vector<std::string> SystemInfos(const std::string& exportDir) {
  std::vector<std::string> out;
  static const std::regex info("<SystemInfo>([^<]*)</SystemInfo>");
  for (const auto& e : fs::directory_iterator(exportDir)) {
    const std::string xml = ReadFile(e.path().string());
    std::smatch m;
    out.push_back(std::regex_search(xml, m, info) ? std::string(m[1]) : "<none>");
  }
  return out;
}

enum class TRoad { Window, Cli, CliCopiedWithOldDates };

}  // namespace

// Every file names the program, its version and the time of its build, by
// either road, whatever SOURCE_DATE_EPOCH says when the program runs and
// whatever dates the executable file carries.
TEST(Signature, EveryRoadNamesTheProgramVersionAndBuildTime) {
  const std::string caption = BuiltCaption();
  ASSERT_TRUE(std::regex_match(
      caption,
      std::regex(R"(Kompletor KSEF ver \d+\.\d+\.\d+ build \d+ \(\d{4}-\d\d-\d\d \d\d:\d\d\))")))
      << caption;
  struct TRow {
    const char* Name;
    TRoad Road;
    const char* Epoch;  // SOURCE_DATE_EPOCH while the program runs; nullptr: unset
  } rows[] = {
      {"window", TRoad::Window, nullptr},
      {"window, SOURCE_DATE_EPOCH", TRoad::Window, "946684800"},
      {"cli", TRoad::Cli, nullptr},
      {"cli, SOURCE_DATE_EPOCH", TRoad::Cli, "946684800"},
      {"cli copied, dated 2001", TRoad::CliCopiedWithOldDates, nullptr},
      {"cli copied, dated 2001, SOURCE_DATE_EPOCH", TRoad::CliCopiedWithOldDates, "946684800"},
  };
  const char* outer = std::getenv("SOURCE_DATE_EPOCH");
  const std::string saved = outer ? outer : "";
  ::unsetenv("SOURCE_DATE_EPOCH");
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.Name);
    TWindowFixture fixture;
    const std::string site = fixture.Dir / "site";
    TProcessOptions o;
    o.WorkDir = fixture.Dir.Path();
    o.Env = {{"BRENVIK_LOCK_DIR", fixture.Dir.Path()}};
    MakeDemoSite(site, o);
    if (row.Epoch) ::setenv("SOURCE_DATE_EPOCH", row.Epoch, 1);
    if (row.Road == TRoad::Window) {
      TConfig config(site + "/brenvik.ini");
      config.LoadFromIni();
      TDM dm(config, fixture.Dir / "bin/");
      TfrmMain window(&config);
      EXPECT_EQ(window.windowTitle().toStdString(), caption);
      TKsefOperations ops;
      ops.ReadDocNotSended2KSEF = [&] { dm.ReadDocNotSended2KSEF(); };
      window.SetKsefOperations(ops);
      fixture.Dialogs.Answer(TModalResult::mrNo);  // generated, not sent
      window.btnSendToKSEFClick();
    } else {
      std::string exe = BRENVIK_CLI_EXE;
      if (row.Road == TRoad::CliCopiedWithOldDates) {
        exe = fixture.Dir / "bin/brenvik-cli";
        MakeDirs(fixture.Dir / "bin");
        fs::copy_file(BRENVIK_CLI_EXE, exe);
        const struct utimbuf old { 978307200, 978307200 };  // 2001-01-01
        ASSERT_EQ(::utime(exe.c_str(), &old), 0);
      }
      if (row.Epoch) o.Env["SOURCE_DATE_EPOCH"] = row.Epoch;
      const TProcessResult r = RunProcess(exe, {"/ini=" + site + "/brenvik.ini", "export"}, o);
      EXPECT_EQ(r.ExitCode, 0) << r.Out << r.Err;
    }
    ::unsetenv("SOURCE_DATE_EPOCH");
    const std::vector<std::string> infos = SystemInfos(site + "/ksef-data/Export");
    EXPECT_EQ(infos.size(), 12u);
    for (const std::string& info : infos) EXPECT_EQ(info, "ORVA - " + caption);
  }
  if (outer) ::setenv("SOURCE_DATE_EPOCH", saved.c_str(), 1);
}
