#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QWidget>

#include "AppTestSupport.h"
#include "gui/TrayController.h"

using namespace brenvik;
using namespace brenvik::testing;

namespace {
struct TTrayTest : ::testing::Test, TWindowFixture {
  QWidget Window;
};
}  // namespace

TEST_F(TTrayTest, MenuHintAndIcon) {
  TTrayController tray(&Window);
  const QList<QAction*> items = tray.Menu().actions();
  ASSERT_EQ(items.size(), 3);
  EXPECT_EQ(items[0], &tray.ItemShowHide());
  EXPECT_TRUE(items[1]->isSeparator());
  EXPECT_EQ(items[2], &tray.ItemExit());
  EXPECT_EQ(tray.ItemShowHide().text(), QString::fromUtf8("Pokaż"));
  EXPECT_EQ(tray.ItemExit().text(), QString::fromUtf8("Zakończ"));
  EXPECT_EQ(tray.TrayIcon().toolTip(), QString::fromUtf8("Kompletor KSEF"));
  EXPECT_EQ(tray.TrayIcon().contextMenu(), &tray.Menu());
  EXPECT_FALSE(tray.TrayIcon().icon().isNull());
  EXPECT_FALSE(AppIcon().pixmap(32, 32).isNull());
}

TEST_F(TTrayTest, LeftClickTogglesAndTheCaptionFollows) {
  TTrayController tray(&Window);
  tray.OnActivated(QSystemTrayIcon::Trigger);
  EXPECT_TRUE(Window.isVisible());
  EXPECT_EQ(tray.ItemShowHide().text(), QString::fromUtf8("Schowaj"));
  tray.OnActivated(QSystemTrayIcon::Context);  // the right button only opens the menu
  EXPECT_TRUE(Window.isVisible());
  tray.OnActivated(QSystemTrayIcon::Trigger);
  EXPECT_FALSE(Window.isVisible());
  EXPECT_EQ(tray.ItemShowHide().text(), QString::fromUtf8("Pokaż"));

  tray.ItemShowHide().trigger();
  EXPECT_TRUE(Window.isVisible());
  // Hidden by other means: the caption is put right when the menu opens.
  Window.hide();
  emit tray.Menu().aboutToShow();
  EXPECT_EQ(tray.ItemShowHide().text(), QString::fromUtf8("Pokaż"));
}

TEST_F(TTrayTest, ShowingRestoresAMinimisedWindow) {
  TTrayController tray(&Window);
  Window.showMinimized();
  tray.ShowMainWindow();
  EXPECT_TRUE(Window.isVisible());
  EXPECT_FALSE(Window.isMinimized());
}

TEST_F(TTrayTest, ExitEndsWithoutAQuestion) {
  TTrayController tray(&Window);
  tray.ItemExit().trigger();
  EXPECT_TRUE(TerminateRequested());
  EXPECT_TRUE(Dialogs.Asked().empty());
}

TEST_F(TTrayTest, DetachedControllerChangesNothing) {
  TTrayController tray(&Window);
  tray.Detach();
  tray.OnActivated(QSystemTrayIcon::Trigger);
  tray.ShowMainWindow();
  EXPECT_FALSE(Window.isVisible());
  Window.show();
  tray.HideMainWindow();
  tray.ToggleMainWindow();
  EXPECT_TRUE(Window.isVisible());
  EXPECT_EQ(tray.ItemShowHide().text(), QString::fromUtf8("Pokaż"));
}

TEST_F(TTrayTest, WindowDestroyedFirstLeavesNoDanglingReference) {
  auto window = std::make_unique<QWidget>();
  TTrayController tray(window.get());
  window.reset();
  tray.ToggleMainWindow();
  EXPECT_EQ(tray.ItemShowHide().text(), QString::fromUtf8("Pokaż"));
}
