#include <gtest/gtest.h>

#include <QAction>
#include <QSystemTrayIcon>

#include "AppTestSupport.h"
#include "gui/Application.h"
#include "support/Errors.h"
#include "gui/MainWindow.h"
#include "gui/TrayController.h"

using namespace brenvik;
using namespace brenvik::testing;

namespace {

struct TInitUiTest : ::testing::Test, TWindowFixture {
  TInitUiTest() { SetAppController(&Controller); }
  ~TInitUiTest() override {
    Controller.FTray.reset();
    SetAppController(nullptr);
  }
  TAppController Controller;
};

}  // namespace

TEST_F(TInitUiTest, NeedsAMainWindow) {
  try {
    InitUI(Controller, nullptr);
    ADD_FAILURE() << "no error without a window";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "InitUI: Application.MainForm = nil");
  }
}

TEST_F(TInitUiTest, TrayCreatedAndTheWindowReachable) {
  TfrmMain w(Config.get());
  EXPECT_EQ(frmMain(), &w);
  EXPECT_FALSE(w.isVisible());
  InitUI(Controller, &w);
  ASSERT_TRUE(TrayOf(Controller));
  EXPECT_TRUE(TrayOf(Controller)->TrayIcon().isVisible() ||
              !QSystemTrayIcon::isSystemTrayAvailable());
  // With a notification area the start stays hidden; without one the window
  // is shown, since nothing else could bring it up.
  EXPECT_EQ(w.isVisible(), !QSystemTrayIcon::isSystemTrayAvailable());
}

TEST_F(TInitUiTest, WindowHidesThroughTheTrayAndDetachesFromIt) {
  {
    TfrmMain w(Config.get());
    w.SetTrayAvailable(true);
    InitUI(Controller, &w);
    Controller.FTray->ShowMainWindow();
    EXPECT_EQ(TrayOf(Controller)->ItemShowHide().text(), QString::fromUtf8("Schowaj"));
    Dialogs.Answer(TModalResult::mrNo);
    w.SysCommandClose();
    EXPECT_FALSE(w.isVisible());
    // Hidden through the tray: its caption already follows.
    EXPECT_EQ(TrayOf(Controller)->ItemShowHide().text(), QString::fromUtf8("Pokaż"));
  }
  EXPECT_EQ(frmMain(), nullptr);
  // The window is gone: the tray no longer reaches it.
  Controller.FTray->ToggleMainWindow();
  EXPECT_EQ(TrayOf(Controller)->ItemShowHide().text(), QString::fromUtf8("Pokaż"));
}
