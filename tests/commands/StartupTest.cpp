#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "common/TestFiles.h"
#include "common/TestProcess.h"
#include "common/TestSite.h"
#include "commands/AppController.h"
#include "support/Logger.h"
#include "support/Paths.h"

using namespace brenvik;
using namespace brenvik::testing;

namespace {

struct TIniCase {
  std::vector<std::string> Args;
  std::string ExpectedPath, ExpectedRunDir;
};

std::string TodayLog(const std::string& folder, const std::string& name = "brenvik") {
  const std::string path = folder + name + "_" + FormatDateTime("yyyy-mm-dd", Now()) + ".log";
  return FileExists(path) ? ReadFile(path) : std::string();
}

TProcessOptions In(const TTempDir& dir) {
  TProcessOptions o;
  o.WorkDir = dir.Path();
  o.Env = {{"BRENVIK_LOCK_DIR", dir.Path()},
           {"BRENVIK_NONINTERACTIVE", "1"},
           {"QT_QPA_PLATFORM", "offscreen"}};
  return o;
}

}  // namespace

TEST(IniLocation, CommandLineRules) {
  const std::string exe = "/opt/brenvik/brenvik";
  const std::string cwd = "/home/op/";
  const std::vector<TIniCase> cases = {
      {{"/ini=/cfg/site.txt"}, "/cfg/site.ini", "/cfg/"},
      {{"/INI=/x.ini"}, "/home/op/brenvik.ini", "/home/op/"},  // exact case only
      {{"/ini=x.ini"}, "/home/op/x.ini", "/home/op/"},
      {{"/ini=cfg/a.ini"}, "cfg/a.ini", "cfg/"},
      {{"/ini=a.ini", "/ini="}, "/home/op/brenvik.ini", "/home/op/"},  // the last one wins
      {{"/ini=/cfg/A.INI"}, "/cfg/A.ini", "/cfg/"},  // the extension test is case-sensitive
      {{"/ini=/cfg/site"}, "/cfg/site.ini", "/cfg/"},
      {{"other", "/ini=/a/b.ini", "x/ini=/c.ini"}, "/a/b.ini", "/a/"},
      {{}, "/home/op/brenvik.ini", "/home/op/"},
  };
  for (const TIniCase& c : cases) {
    const TIniLocation loc = SettleIniPath(c.Args, exe, cwd);
    EXPECT_EQ(loc.Path, c.ExpectedPath) << c.Args.size();
    EXPECT_EQ(loc.RunDir, c.ExpectedRunDir) << c.ExpectedPath;
  }
}

TEST(Startup, MissingIniNamesThePathAndStillWritesTheShutdownLine) {
  TTempDir dir;
  const TProcessResult r =
      RunProcess(BRENVIK_CLI_EXE, {"check", "/ini=" + dir / "none.txt"}, In(dir));
  EXPECT_EQ(r.ExitCode, 1);
  EXPECT_NE(r.Err.find("Brak pliku konfiguracyjnego: " + dir / "none.ini"), std::string::npos)
      << r.Err;
  // The logger was never configured: its default place is the current folder's Logs.
  const std::string log = TodayLog(dir / "Logs/");
  EXPECT_NE(log.find("----- Zamknięcie aplikacji ------"), std::string::npos) << log;

  // The window program reports it in its last-resort box and ends with 1.
  const TProcessResult w = RunProcess(BRENVIK_EXE, {"/ini=" + dir / "none.ini"}, In(dir));
  EXPECT_EQ(w.ExitCode, 1);
  EXPECT_NE(w.Err.find("Brak pliku konfiguracyjnego: " + dir / "none.ini"), std::string::npos)
      << w.Err;
}

TEST(Startup, LogKeysDecideWhereAndWhetherTheLogIsWritten) {
  TTempDir dir;
  const std::string ini = WriteMinimalSite(dir.Path(), "[Log]\nEnabled=0\nDir=mylogs\n");
  const TProcessResult r = RunProcess(BRENVIK_CLI_EXE, {"/ini=" + ini, "check"}, In(dir));
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  // Disabled: not even the lines before the switch are written anywhere.
  EXPECT_FALSE(FolderExists(dir / "Logs"));
  EXPECT_FALSE(FolderExists(dir / "mylogs"));

  // An empty Dir puts the files into the run folder itself.
  TTempDir other;
  const std::string ini2 = WriteMinimalSite(other.Path(), "[Log]\nDir=\n");
  ASSERT_EQ(RunProcess(BRENVIK_CLI_EXE, {"check", "/ini=" + ini2}, In(other)).ExitCode, 0);
  EXPECT_NE(TodayLog(other.Path()).find("-------- Start aplikacji --------"), std::string::npos);
}

// The lines before the configuration wait in memory for the configured log;
// only a start-up that fails before it leaves them in the current folder.
TEST(Startup, EarlyLinesGoToTheConfiguredLogAndNothingIsLeftInTheCurrentFolder) {
  struct TCase {
    bool LogsIsAFile, IniExists;
    int ExitCode;
    const char* InCurrentFolder;  // the line found in <cwd>/Logs, "" for no such folder
  } cases[] = {
      {true, true, 0, ""}, {false, true, 0, ""}, {false, false, 1, "Zamknięcie aplikacji"}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.LogsIsAFile) + std::to_string(c.IniExists));
    TTempDir dir;
    const std::string ini = dir / "site/site.ini";
    if (c.IniExists) WriteMinimalSite(dir / "site/", "[Log]\nDir=" + dir / "mylogs" + "\n");
    MakeDirs(dir / "run");
    if (c.LogsIsAFile) WriteFile(dir / "run/Logs", "not a folder");
    TProcessOptions o = In(dir);
    o.WorkDir = dir / "run";
    const TProcessResult r = RunProcess(BRENVIK_CLI_EXE, {"check", "/ini=" + ini}, o);
    EXPECT_EQ(r.ExitCode, c.ExitCode) << r.Err;
    EXPECT_EQ(FolderExists(dir / "run/Logs"), *c.InCurrentFolder != 0);
    if (*c.InCurrentFolder)
      EXPECT_NE(TodayLog(dir / "run/Logs/").find(c.InCurrentFolder), std::string::npos);
    else  // the first line logged, before the configuration, is in the configured log
      EXPECT_NE(TodayLog(dir / "mylogs/").find("LogDir = " + dir / "mylogs"), std::string::npos);
  }
}

TEST(Startup, CheckPrintsTheStatusReport) {
  TTempDir dir;
  const std::string ini = WriteMinimalSite(dir.Path());
  const TProcessResult r = RunProcess(BRENVIK_CLI_EXE, {"check", "/ini=" + ini}, In(dir));
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  const std::vector<std::string> expected = {
      "=== Status aplikacji ===",
      "Nazwa firmy: Firma Testowa",
      "NIP: 5265877635",
      "Środowisko KSeF: testowe (https://ksef-test.mf.gov.pl)",
      "Data, od której wysyłane są dokumenty do KSeF: 2026-04-01",
      "Data wysyłki: 2026-04-10",
      "Liczba dni wstecz, z których sprawdzane są niewysłane dokumenty: 5",
      "Gotowy do pracy ✔"};
  size_t pos = 0;
  for (const std::string& line : expected) {
    const size_t found = r.Out.find(line, pos);
    ASSERT_NE(found, std::string::npos) << "missing or out of order: " << line << "\n" << r.Out;
    pos = found;
  }
  EXPECT_EQ(r.Out.find("certyfikat"), std::string::npos);  // a debug line: log file only
  EXPECT_NE(TodayLog(dir / "Logs/").find("Użyty certyfikat: firma.pfx"), std::string::npos);
}

TEST(Startup, CheckOnABrokenSitePrintsTheMessageAndFails) {
  TTempDir dir;
  const std::string ini = WriteMinimalSite(dir.Path());
  WriteFile(dir / "api/.env", "KSEF_NIP=1111111111\n");
  const TProcessResult r = RunProcess(BRENVIK_CLI_EXE, {"check", "/ini=" + ini}, In(dir));
  EXPECT_EQ(r.ExitCode, 1);
  EXPECT_NE(r.Err.find("Ładowanie konfiguracji: Brak zgodności NIP w konfiguracji:\n"
                       "brenvik = \"5265877635\"\nApiKsef = \"1111111111\""),
            std::string::npos)
      << r.Err;
  const std::string log = TodayLog(dir / "Logs/");
  EXPECT_NE(log.find("[ERROR]"), std::string::npos);
  EXPECT_NE(log.find("Ładowanie konfiguracji: Brak zgodności NIP"), std::string::npos) << log;
}

TEST(SingleInstance, SecondCopyEndsAtOnceAndTheCliSaysWhy) {
  TTempDir dir;
  const std::string ini = WriteMinimalSite(dir.Path());
  const std::string logFolder = dir / "Logs/";
  TRunningProcess first(BRENVIK_EXE, {"/ini=" + ini}, In(dir));
  ASSERT_TRUE(WaitFor([&] {
    return TodayLog(logFolder).find("Start aplikacji") != std::string::npos;
  })) << "the first copy did not start";
  // Without a notification area the window shows itself and writes its
  // status report: wait until the first copy has finished starting.
  ASSERT_TRUE(WaitFor([&] { return TodayLog(logFolder).find("Liczba dni wstecz") != std::string::npos; }))
      << "the first copy did not show its window";
  const std::string logBefore = TodayLog(logFolder);

  const TProcessResult second = RunProcess(BRENVIK_EXE, {"/ini=" + ini}, In(dir));
  EXPECT_EQ(second.ExitCode, 0);
  EXPECT_EQ(TodayLog(logFolder), logBefore);  // silent: not even a log line

  const TProcessResult cli = RunProcess(BRENVIK_CLI_EXE, {"check", "/ini=" + ini}, In(dir));
  EXPECT_EQ(cli.ExitCode, 3);
  EXPECT_NE(cli.Err.find("już działa"), std::string::npos) << cli.Err;

  // SIGTERM ends the first copy like the tray's exit item: shutdown line, exit 0.
  EXPECT_EQ(first.Stop(), 0);
  EXPECT_NE(TodayLog(logFolder).find("----- Zamknięcie aplikacji ------"), std::string::npos);
  EXPECT_EQ(RunProcess(BRENVIK_CLI_EXE, {"check", "/ini=" + ini}, In(dir)).ExitCode, 0);
}

TEST(Cli, UsageErrors) {
  TTempDir dir;
  EXPECT_EQ(RunProcess(BRENVIK_CLI_EXE, {}, In(dir)).ExitCode, 2);
  const TProcessResult r = RunProcess(BRENVIK_CLI_EXE, {"frobnicate"}, In(dir));
  EXPECT_EQ(r.ExitCode, 2);
  EXPECT_NE(r.Err.find("Nieznane polecenie: frobnicate"), std::string::npos);
}

// In a lock folder that others may write, the locks go into a folder of the
// user's own (mode 0700, owner checked), so a neighbour's file of the same
// name locks nobody out. As root the program runs as "nobody" beside root's
// files; otherwise the rows that need another user are left out.
TEST(SingleInstance, SharedLockFolderGetsAFolderOfTheUsersOwn) {
  enum TPrepare { Nothing, NeighboursFile, NeighboursFolder, OpenFolder, LinkedFolder };
  struct TCase {
    TPrepare Prepare;
    const char* Refusal;  // "" when the start gets past the lock
  } cases[] = {{Nothing, ""},
               {NeighboursFile, ""},
               {NeighboursFolder, "należy do innego użytkownika"},
               {OpenFolder, "jest dostępny dla innych użytkowników (prawa 0777)"},
               {LinkedFolder, "nie jest folderem"}};
  const bool asRoot = ::geteuid() == 0;
  const uid_t runner = asRoot ? 65534 : ::geteuid();
  for (const TCase& c : cases) {
    if (!asRoot && (c.Prepare == NeighboursFile || c.Prepare == NeighboursFolder)) continue;
    SCOPED_TRACE(c.Prepare);
    TTempDir dir;
    namespace fs = std::filesystem;
    const std::string shared = dir / "shared", own = shared + "/brenvik-" + std::to_string(runner);
    MakeDirs(shared);
    MakeDirs(dir / "run");
    fs::permissions(dir.Path(), fs::perms(0755));
    fs::permissions(shared, fs::perms(01777));
    if (c.Prepare == NeighboursFile) {
      const std::string old =
          shared + "/brenvik_SingleInstance-" + std::to_string(runner) + ".lock";
      WriteFile(old, "");
      fs::permissions(old, fs::perms(0600));
    }
    if (c.Prepare == NeighboursFolder || c.Prepare == OpenFolder) MakeDirs(own);
    if (c.Prepare == OpenFolder) fs::permissions(own, fs::perms(0777));
    if (c.Prepare == LinkedFolder) fs::create_directory_symlink(dir / "run", own);
    std::vector<std::string> args = {BRENVIK_CLI_EXE, "check", "/ini=" + dir / "none.ini"};
    std::string exe = BRENVIK_CLI_EXE;
    if (asRoot) {
      for (const std::string& p : {dir / "run", own})
        if (fs::exists(fs::symlink_status(p)) && (c.Prepare != NeighboursFolder || p != own))
          ASSERT_EQ(::lchown(p.c_str(), runner, runner), 0);
      exe = "/usr/bin/setpriv";
      args.insert(args.begin(), {"--reuid=65534", "--regid=65534", "--clear-groups"});
    } else {
      args.erase(args.begin());
    }
    TProcessOptions o = In(dir);
    o.WorkDir = dir / "run";
    o.Env["BRENVIK_LOCK_DIR"] = shared;
    const TProcessResult r = RunProcess(exe, args, o);
    EXPECT_EQ(r.ExitCode, 1);
    if (*c.Refusal) {
      EXPECT_NE(r.Err.find("Nie można utworzyć blokady"), std::string::npos) << r.Err;
      EXPECT_NE(r.Err.find("Folder blokad " + own + " " + c.Refusal), std::string::npos) << r.Err;
      continue;
    }
    EXPECT_NE(r.Err.find("Brak pliku konfiguracyjnego"), std::string::npos) << r.Err;
    struct stat st {};
    ASSERT_EQ(::lstat(own.c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(st.st_mode & 07777, 0700u);
    EXPECT_EQ(st.st_uid, runner);
  }
}

// check is ready only when [STELMAR] names a usable database, and shows the
// values not taken as written.
TEST(Startup, CheckIsReadyOnlyWithAUsableStelmarFolder) {
  struct TCase {
    const char *From, *To;  // a change of the minimal site's ini text
    int ExitCode;
    const char* Line;
  } cases[] = {
      {"", "", 0, "Gotowy do pracy"},
      {"stelmar\n", "net\nUserDir=@net\n", 1, "nie wskazuje bazy Stelmara: brak folderu"},
      {"CurDate=2026-04-10", "CurDate=jutro", 0, "CurDate = jutro jest nieczytelna; użyto: "},
      {"[KSeF]\n", "[KSeF]\nDaysBackToSend=7\nDaysBackToSend=-1\n", 0, "pominięto wartość \"-1\""},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.To);
    TTempDir dir;
    std::string text = MinimalSiteIni(dir.Path()), to = c.To;
    for (size_t p; (p = to.find('@')) != std::string::npos;) to.replace(p, 1, dir.Path());
    if (*c.From) text.replace(text.find(c.From), std::string(c.From).size(), to);
    const std::string ini = dir / "site.ini";
    WriteFile(ini, text);
    const TProcessResult r = RunProcess(BRENVIK_CLI_EXE, {"check", "/ini=" + ini}, In(dir));
    EXPECT_EQ(r.ExitCode, c.ExitCode) << r.Err;
    EXPECT_NE(r.Out.find(c.Line), std::string::npos) << r.Out;
    EXPECT_EQ(r.Out.find("Gotowy do pracy") != std::string::npos, c.ExitCode == 0) << r.Out;
  }
}
