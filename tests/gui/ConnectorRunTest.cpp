#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>

#include "support/SystemErrors.h"
#include "AppTestSupport.h"
#include "ConnectorStandIn.h"
#include "commands/TerminalCommands.h"
#include "commands/KsefCommands.h"
#include "commands/ProcessRun.h"

using namespace brenvik;
using namespace brenvik::testing;

namespace {

std::string Script(const TTempDir& dir, const std::string& body) {
  const std::string path = dir / "prog dir/run.sh";
  WriteFile(path, "#!/bin/sh\n" + body);
  ::chmod(path.c_str(), 0755);
  return "\"" + path + "\"";
}

}  // namespace

TEST(ConnectorLog, LinesWithAnyLineEndAndWithoutTheByteOrderMark) {
  TTempDir dir;
  WriteFile(dir / "log.txt",
            "\xEF\xBB\xBF"
            "a\r\nb\rc\nd");
  EXPECT_EQ(ReadTextLines(dir / "log.txt"), (std::vector<std::string>{"a", "b", "c", "d"}));
  WriteFile(dir / "log.txt", "a\r\n\r\nb\r\n");
  EXPECT_EQ(ReadTextLines(dir / "log.txt"), (std::vector<std::string>{"a", "", "b"}));
  EXPECT_THROW(ReadTextLines(dir / "none.txt"), EFOpenError);
}

TEST(ConnectorLog, LastRunStartIsTheLastMarkerLine) {
  EXPECT_EQ(LastRunStart({"Start komunikacji", "x", "12:00 Start komunikacji z KSeF", "y"}), 2);
  EXPECT_EQ(LastRunStart({"start komunikacji", "x"}), -1);  // case-sensitive
  EXPECT_EQ(LastRunStart({}), -1);
}

TEST(ConnectorLog, DailyFileInTheLogsFolder) {
  TTempDir dir;
  TConfig config(dir / "a.ini");
  config.SetKsefDataDir(dir / "ksef/");
  EXPECT_EQ(ConnectorLogPath(config, EncodeDate(2025, 3, 14)), dir / "ksef/Logs/log-20250314.txt");
}

TEST(ProcessRun, CommandLineIsTheProgramAlone) {
  EXPECT_EQ(ProgramOfCommandLine("\"/opt/k s/KsefAPI.exe\""), "/opt/k s/KsefAPI.exe");
  EXPECT_EQ(ProgramOfCommandLine(" /opt/KsefAPI.exe "), "/opt/KsefAPI.exe");
  EXPECT_THROW(ProgramOfCommandLine("\"/opt/KsefAPI.exe\" -x"), EArgumentException);
  EXPECT_THROW(ProgramOfCommandLine("\"/opt/KsefAPI.exe"), EArgumentException);
  EXPECT_THROW(ProgramOfCommandLine("\"\""), EArgumentException);
}

TEST(ProcessRun, ExitCodesIncludingTheTruncatedDuplicateCode) {
  TTempDir dir;
  for (int code : {0, 1, 7, 440})
    EXPECT_EQ(RunProcessAndWait(Script(dir, "exit " + std::to_string(code))), code);
}

TEST(ProcessRun, EnvironmentAndFolderInheritedOpenFilesNot) {
  TTempDir dir;
  // An open file without close-on-exec, as a lock would be.
  const int fd = ::open((dir / "held").c_str(), O_CREAT | O_RDWR, 0600);
  ASSERT_GE(fd, 0);
  ::setenv("BRENVIK_RUN_TEST", "wartość", 1);
  const std::string out = dir / "out.txt";
  const std::string cmd =
      Script(dir, "echo \"$BRENVIK_RUN_TEST\" > '" + out + "'\npwd >> '" + out +
                      "'\n[ -e /proc/$$/fd/" + std::to_string(fd) + " ] && exit 9\nexit 0\n");
  EXPECT_EQ(RunProcessAndWait(cmd), 0);
  ::close(fd);
  ::unsetenv("BRENVIK_RUN_TEST");
  EXPECT_EQ(ReadFile(out),
            "wartość\n" + CurrentFolder().substr(0, CurrentFolder().size() - 1) + "\n");
}

TEST(ProcessRun, FailuresRaiseTheSystemText) {
  TTempDir dir;
  try {
    RunProcessAndWait("\"" + dir / "brak.exe" + "\"");
    FAIL();
  } catch (const EOSError& e) {
    EXPECT_NE(std::string(e.what()).find(SystemErrorText(ENOENT)), std::string::npos);
  }
  EXPECT_THROW(RunProcessAndWait(Script(dir, "kill -9 $$\n")), EOSError);
}

// The terminal's commands: the same steps, the run waited for, and exit codes.
struct TTerminalCommandsTest : ::testing::Test, TWindowFixture {
  TTerminalCommandsTest() {
    InstallExceptionHook();
    Config->SetAPIConnectorExeDir(Dir / "api/");
    MakeDirs(Dir / "api");
    Ops.ReadDocNotSended2KSEF = [this] {
      ++Generations;
      if (Generate) WriteFile(Dir / "Export/2-2026-1-1.xml", "<a/>");
    };
    Ops.SetKsefInRegs = [this] {
      ++Updates;
      if (UpdateFails) throw EDatabaseError("Tabela zablokowana");
    };
  }
  ~TTerminalCommandsTest() override { ReleaseExceptionHook(); }
  TKsefOperations Ops;
  bool Generate = true, UpdateFails = false;
  int Generations = 0, Updates = 0;
};

TEST_F(TTerminalCommandsTest, SendExitCodes) {
  struct {
    int Connector;
    bool Missing;
    int Expected, Updates;
  } cases[] = {{0, false, 0, 1}, {1, false, 1, 1}, {440, false, 440, 1}, {0, true, 1, 1},
               // ended 0 with the file still waiting: sent nothing, no success
               {0, false, 1, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Connector);
    std::filesystem::remove_all(Dir / "Export");
    std::filesystem::remove_all(Dir / "Sent");
    MakeDirs(Dir / "Export");
    Config->SetAPIConnectorExeDir(c.Missing ? Dir / "brak/" : Dir / "api/");
    const bool accepts = c.Connector == 0 && c.Expected == 0;
    WriteConnectorStandIn(Dir / "api", Dir.Path(),
                          {c.Connector, true, "x", "", "",
                           accepts ? "mkdir -p Sent && mv Export/2-2026-1-1.xml Sent/2-2026-1-1_" +
                                         ValidKsefNumber(1) + ".xml"
                                   : ""});
    Updates = 0;
    Dialogs.Answer(TModalResult::mrYes);
    EXPECT_EQ(SendOnTerminal(*Config, Ops), c.Expected);
    EXPECT_EQ(Updates, c.Updates);
    EXPECT_FALSE(TerminateRequested());
  }
  EXPECT_NE(LogText().find("Wysłano 1 z 1 faktury"), std::string::npos) << LogText();
  EXPECT_NE(LogText().find("Nie wysłano; 1 faktura czeka na wysłanie"), std::string::npos);
}

TEST_F(TTerminalCommandsTest, SendWithoutHandOver) {
  Generate = false;
  EXPECT_EQ(SendOnTerminal(*Config, Ops), 0);  // nothing to send
  EXPECT_EQ(Updates, 1);
  Generate = true;
  Dialogs.Answer(TModalResult::mrNo);
  EXPECT_EQ(SendOnTerminal(*Config, Ops), 1);  // files left waiting
  EXPECT_EQ(ConnectorStarts(Dir / "api"), 0);
}

TEST_F(TTerminalCommandsTest, AnErrorAfterTheRunIsReportedAndFails) {
  WriteConnectorStandIn(Dir / "api", Dir.Path(), {0, true, "x", "", ""});
  UpdateFails = true;
  Dialogs.Answer(TModalResult::mrYes);
  EXPECT_EQ(SendOnTerminal(*Config, Ops), 1);
  // A locked table is an expected fault: its reason, not its class.
  EXPECT_NE(LogText().find("[ERROR] [TID:"), std::string::npos);
  EXPECT_NE(LogText().find("] Tabela zablokowana"), std::string::npos) << LogText();
  EXPECT_EQ(LogText().find("EDatabaseError"), std::string::npos);
}

TEST_F(TTerminalCommandsTest, ExportAndReceive) {
  EXPECT_EQ(ExportOnTerminal(*Config, Ops), 0);
  EXPECT_EQ(Generations, 1);
  EXPECT_EQ(ExportOnTerminal(*Config, Ops), 0);  // a file waits: nothing generated
  EXPECT_EQ(Generations, 1);
  EXPECT_EQ(Dialogs.Asked().back().Title, "Informacja");
  EXPECT_EQ(ExportOnTerminal(*Config, {}), 0);  // the waiting file still comes first

  EXPECT_EQ(ReceiveOnTerminal(*Config, Ops), 0);
  EXPECT_NE(LogText().find("Zakończono odbiór z KSeF"), std::string::npos);
  UpdateFails = true;
  EXPECT_EQ(ReceiveOnTerminal(*Config, Ops), 1);
  EXPECT_EQ(Dialogs.Asked().back().Title, "brenvik — błąd");
  ResetTerminateRequest();
  std::filesystem::remove_all(Dir / "Export");
  MakeDirs(Dir / "Export");
  EXPECT_EQ(ExportOnTerminal(*Config, {}), 1);
}
