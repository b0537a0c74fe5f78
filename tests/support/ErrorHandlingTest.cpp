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

TEST_F(ErrorReports, FailedStepIsLoggedShownAndEndsTheProgram) {
  bool after = false;
  RunStep("Ładowanie konfiguracji", [] { throw EConvertError("'x' nie jest liczbą"); });
  after = true;  // the caller goes on with its next statement
  EXPECT_TRUE(after);
  EXPECT_NE(Log().find("[ERROR] [TID:"), std::string::npos);
  EXPECT_NE(Log().find("] Ładowanie konfiguracji: EConvertError: 'x' nie jest liczbą\r\n"),
            std::string::npos);
  ASSERT_EQ(Dialogs.Asked().size(), 1u);
  EXPECT_EQ(Dialogs.Asked()[0].Title, "Błąd aplikacji");
  EXPECT_EQ(Dialogs.Asked()[0].Text,
            "Wystąpił nieoczekiwany błąd.\r\n\r\nŁadowanie konfiguracji: EConvertError\r\n"
            "'x' nie jest liczbą\r\n\r\nSzczegóły zostały zapisane w logu.\r\n");
  EXPECT_EQ(Dialogs.Asked()[0].Type, TMsgDlgType::mtError);
  EXPECT_TRUE(TerminateRequested());
  EXPECT_GE(Terminations, 1);
}

TEST_F(ErrorReports, SucceedingStepLeavesNoTraceAndForeignErrorsPassThrough) {
  RunStep("Generowanie plików FA(3)", [] {});
  EXPECT_FALSE(FileExists(TLogger::CurrentFileName()));
  EXPECT_THROW(RunStep("krok", [] { throw std::logic_error("not ours"); }), std::logic_error);
  EXPECT_TRUE(Dialogs.Asked().empty());
  EXPECT_FALSE(TerminateRequested());
}

TEST_F(ErrorReports, UnhandledErrorReportAndHookNeverRaises) {
  InstallExceptionHook();
  TAppExceptionHook* hook = ExceptionHook();
  InstallExceptionHook();
  EXPECT_EQ(ExceptionHook(), hook);  // installing twice keeps the one object
  DispatchUnhandledException(nullptr, std::make_exception_ptr(EConvertError("zła data")));
  EXPECT_NE(Log().find("] NIEOBSŁUŻONY WYJĄTEK: EConvertError: zła data\r\n"), std::string::npos);
  ASSERT_EQ(Dialogs.Asked().size(), 1u);
  EXPECT_NE(Dialogs.Asked()[0].Text.find("NIEOBSŁUŻONY WYJĄTEK\r\nEConvertError: zła data"),
            std::string::npos);
  EXPECT_TRUE(TerminateRequested());

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
