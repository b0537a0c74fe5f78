#include <gtest/gtest.h>

#include <thread>

#include "common/TestFiles.h"
#include "support/Dialogs.h"
#include "support/ErrorHandling.h"
#include "support/Errors.h"
#include "support/Logger.h"
#include "support/Paths.h"

using namespace brenvik;
using brenvik::testing::ReadFile;
using brenvik::testing::TTempDir;

namespace {

class ErrorReports : public ::testing::Test {
protected:
  void SetUp() override {
    TLogger::RestoreDefaults();
    TLogger::Configure(Dir.Path(), "t", 0);
    ResetTerminateRequest();
    SetTerminateHandler([this] { ++Terminations; });
  }
  void TearDown() override {
    SetTerminateHandler(nullptr);
    ResetTerminateRequest();
    TLogger::RestoreDefaults();
  }
  std::string Log() { return ReadFile(TLogger::CurrentFileName()); }
  TTempDir Dir;
  TScriptedDialogs Dialogs;
  TDialogsScope Scope{&Dialogs};
  int Terminations = 0;
};

}  // namespace

// Each error kind on both roads: under a step name and escaped from an event.
TEST_F(ErrorReports, EachKindOfErrorIsReportedAsWhatItIs) {
  struct TCase {
    std::exception_ptr Error;
    std::string StepLog, EscapedLog;  // the log line's text after "] "
    std::string Title, StepBox;       // empty title: no box at all
    bool Ends;
  };
  const std::string details = "\r\n\r\nSzczegóły zostały zapisane w logu.\r\n";
  const TCase cases[] = {
      {std::make_exception_ptr(EDatabaseError("Tabela /s/REG.DB jest uszkodzona")),
       "Krok: Tabela /s/REG.DB jest uszkodzona", "Tabela /s/REG.DB jest uszkodzona",
       "brenvik — błąd", "Krok: Tabela /s/REG.DB jest uszkodzona" + details, true},
      {std::make_exception_ptr(EListError("Indeks 7 poza listą")),
       "Krok: EListError: Indeks 7 poza listą",
       "NIEOBSŁUŻONY WYJĄTEK: EListError: Indeks 7 poza listą", "Błąd aplikacji",
       "Wystąpił nieoczekiwany błąd.\r\n\r\nKrok: EListError\r\nIndeks 7 poza listą" + details,
       true},
      {std::make_exception_ptr(EAbort("Wczytywanie przerwano na dokumencie FV 1")), "",
       "Wczytywanie przerwano na dokumencie FV 1 (decyzja operatora)", "", "", false},
  };
  for (const TCase& c : cases) {
    for (const bool escaped : {false, true}) {
      const std::string expectedLog = escaped ? c.EscapedLog : c.StepLog;
      SCOPED_TRACE(expectedLog);
      TTempDir logDir;
      TLogger::Configure(logDir.Path(), "t", 0);
      ResetTerminateRequest();
      Dialogs.Clear();
      InstallExceptionHook();
      if (escaped) {
        DispatchUnhandledException(nullptr, c.Error);
      } else {
        // The stop passes through the step: it ends the whole run.
        const bool passed = [&] {
          try {
            RunStep("Krok", [&] { std::rethrow_exception(c.Error); });
          } catch (const EAbort&) {
            return true;
          }
          return false;
        }();
        EXPECT_EQ(passed, c.Title.empty());
        if (passed) continue;
      }
      ReleaseExceptionHook();
      EXPECT_NE(Log().find("] " + expectedLog + "\r\n"), std::string::npos) << Log();
      ASSERT_EQ(Dialogs.Asked().size(), c.Title.empty() ? 0u : 1u);
      if (!c.Title.empty()) {
        EXPECT_EQ(Dialogs.Asked()[0].Title, c.Title);
        EXPECT_EQ(Dialogs.Asked()[0].Type, TMsgDlgType::mtError);
        if (!escaped) EXPECT_EQ(Dialogs.Asked()[0].Text, c.StepBox);
        EXPECT_EQ(Dialogs.Asked()[0].Text.find("nieoczekiwany") != std::string::npos,
                  c.Title == "Błąd aplikacji");
      }
      EXPECT_EQ(TerminateRequested(), c.Ends);
    }
  }
}

// The kinds in the table of error classes are the kinds the classes report.
TEST(ErrorClasses, EveryClassReportsItsNameAndKind) {
  int walked = 0;
#define BRENVIK_ERROR_CLASS(Name, Base, Kind)                   \
  {                                                             \
    const Name e("x");                                          \
    EXPECT_EQ(ErrorClassName(e), #Name);                        \
    EXPECT_EQ(FaultKind(e), TFaultKind::Kind) << #Name;         \
    EXPECT_NE(dynamic_cast<const Base*>(&e), nullptr) << #Name; \
    ++walked;                                                   \
  }
#include "support/ErrorClasses.def"
#undef BRENVIK_ERROR_CLASS
  EXPECT_GE(walked, 8);
  EXPECT_EQ(FaultKind(std::logic_error("not ours")), TFaultKind::ProgramFault);
  EXPECT_EQ(FaultKind(Exception("ours")), TFaultKind::Expected);
}

TEST_F(ErrorReports, SucceedingStepLeavesNoTraceAndForeignErrorsPassThrough) {
  RunStep("Generowanie plików FA(3)", [] {});
  EXPECT_FALSE(FileExists(TLogger::CurrentFileName()));
  EXPECT_THROW(RunStep("krok", [] { throw std::logic_error("not ours"); }), std::logic_error);
  EXPECT_TRUE(Dialogs.Asked().empty());
  EXPECT_FALSE(TerminateRequested());
}

TEST_F(ErrorReports, HookIsOneObjectAndNeverRaises) {
  InstallExceptionHook();
  TAppExceptionHook* hook = ExceptionHook();
  InstallExceptionHook();
  EXPECT_EQ(ExceptionHook(), hook);  // installing twice keeps the one object

  // A log that cannot be written does not make the hook raise.
  TLogger::Configure(Dir / "t_2025", "", 0);
  brenvik::testing::WriteFile(Dir / "t_2025", "blocks the folder");
  TLogger::SetLastResort([](const std::string&) {});
  EXPECT_NO_THROW(hook->HandleException(nullptr, std::runtime_error("x")));
  ReleaseExceptionHook();
}

TEST_F(ErrorReports, FatalBoxOnlyOnTheMainThread) {
  std::thread worker([] { ShowFatalError("z wątku"); });
  worker.join();
  EXPECT_TRUE(Dialogs.Asked().empty());
  EXPECT_FALSE(TerminateRequested());
}

TEST(RequireFolder, TrimsAndReports) {
  TTempDir dir;
  EXPECT_EQ(RequireFolderExists("  " + dir.Path() + "\t"), dir.Path());
  try {
    RequireFolderExists(" " + dir / "none" + " ");
    FAIL();
  } catch (const EArgumentException& e) {
    EXPECT_EQ(std::string(e.what()), "Folder " + dir / "none" + " nie istnieje");
  }
}
