#include <gtest/gtest.h>

#include <QTimer>

#include "AppTestSupport.h"
#include "common/TestProcess.h"
#include "common/TestSite.h"
#include "support/Errors.h"
#include "gui/QtApplication.h"

using namespace brenvik;
using namespace brenvik::testing;

namespace {

class EventErrors : public ::testing::Test {
protected:
  void SetUp() override { InstallExceptionHook(); }
  void TearDown() override { ReleaseExceptionHook(); }
  // Runs the event loop until the queued work has been handled.
  void Pump() {
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
  }
  TWindowFixture F;
};

}  // namespace

TEST_F(EventErrors, ErrorInAnEventHandlerReachesTheHook) {
  QTimer::singleShot(0, [] { throw EListError("Indeks 3 poza listą"); });
  Pump();
  EXPECT_NE(F.LogText().find("[ERROR]"), std::string::npos);
  EXPECT_NE(F.LogText().find("NIEOBSŁUŻONY WYJĄTEK: EListError: Indeks 3 poza listą"),
            std::string::npos)
      << F.LogText();
  ASSERT_EQ(F.Dialogs.Asked().size(), 1u);
  EXPECT_EQ(F.Dialogs.Asked()[0].Title, "Błąd aplikacji");
  EXPECT_NE(F.Dialogs.Asked()[0].Text.find("NIEOBSŁUŻONY WYJĄTEK\r\nEListError: Indeks 3"),
            std::string::npos);
  EXPECT_TRUE(TerminateRequested());
}

TEST_F(EventErrors, ErrorInAQueuedStepReachesTheHook) {
  PostToMainThread([] { throw std::runtime_error("kolejka"); });
  Pump();
  EXPECT_NE(F.LogText().find("NIEOBSŁUŻONY WYJĄTEK: std::runtime_error: kolejka"),
            std::string::npos)
      << F.LogText();
  EXPECT_TRUE(TerminateRequested());
}

TEST(LoggerLastResort, UnwritableLogFolderEndsWithCodeOneAndAMessage) {
  TTempDir dir;
  WriteFile(dir / "blocked", "a file, not a folder");
  const std::string ini = WriteMinimalSite(dir.Path(), "[Log]\nDir=" + dir / "blocked/logs" + "\n");
  TProcessOptions o;
  o.WorkDir = dir.Path();
  o.Env = {{"BRENVIK_LOCK_DIR", dir.Path()}};
  const TProcessResult r = RunProcess(BRENVIK_CLI_EXE, {"check", "/ini=" + ini}, o);
  EXPECT_EQ(r.ExitCode, 1);  // standard input is no terminal: no wait for Enter
  EXPECT_NE(r.Err.find("Nie można utworzyć folderu:\n" + dir / "blocked/logs" +
                       "\nNaciśnij dowolny klawisz..."),
            std::string::npos)
      << r.Err;
}
