#include <gtest/gtest.h>

#include <QAction>
#include <QSystemTrayIcon>

#include "AppTestSupport.h"
#include "uApp.h"
#include "uErrors.h"
#include "uMain.h"
#include "uTray.h"

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
    Controller.InitUI(nullptr);
    ADD_FAILURE() << "no error without a window";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "InitUI: Application.MainForm = nil");
  }
}

TEST_F(TInitUiTest, TrayCreatedAndTheWindowReachable) {
  TfrmMain w(Config.get());
  EXPECT_EQ(frmMain(), &w);
  EXPECT_FALSE(w.isVisible());
  Controller.InitUI(&w);
  ASSERT_TRUE(Controller.FTray);
  EXPECT_TRUE(Controller.FTray->TrayIcon().isVisible() ||
              !QSystemTrayIcon::isSystemTrayAvailable());
  // With a notification area the start stays hidden; without one the window
  // is shown, since nothing else could bring it up.
  EXPECT_EQ(w.isVisible(), !QSystemTrayIcon::isSystemTrayAvailable());
}

TEST_F(TInitUiTest, WindowHidesThroughTheTrayAndDetachesFromIt) {
  {
    TfrmMain w(Config.get());
    w.SetTrayAvailable(true);
    Controller.InitUI(&w);
    Controller.FTray->ShowMainWindow();
    EXPECT_EQ(Controller.FTray->ItemShowHide().text(), QString::fromUtf8("Schowaj"));
    Dialogs.Answer(TModalResult::mrNo);
    w.SysCommandClose();
    EXPECT_FALSE(w.isVisible());
    // Hidden through the tray: its caption already follows.
    EXPECT_EQ(Controller.FTray->ItemShowHide().text(), QString::fromUtf8("Pokaż"));
  }
  EXPECT_EQ(frmMain(), nullptr);
  // The window is gone: the tray no longer reaches it.
  Controller.FTray->ToggleMainWindow();
  EXPECT_EQ(Controller.FTray->ItemShowHide().text(), QString::fromUtf8("Pokaż"));
}
