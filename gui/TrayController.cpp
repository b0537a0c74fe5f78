#include "gui/TrayController.h"

#include <QAction>
#include <QIcon>
#include <QMenu>
#include <QWidget>

#include "gui/MainWindow.h"
#include "support/Dialogs.h"
#include "support/ErrorHandling.h"

static void InitAppResources() { Q_INIT_RESOURCE(brenvik); }

namespace brenvik {

QIcon AppIcon() {
  static const bool loaded = (InitAppResources(), true);
  (void)loaded;
  return QIcon(QStringLiteral(":/brenvik/brenvik.png"));
}

TTrayController::TTrayController(QWidget* mainForm) : FMainForm(mainForm) {
  FMenu = std::make_unique<QMenu>();
  connect(FMenu.get(), &QMenu::aboutToShow, this, &TTrayController::UpdateMenuCaption);
  FItemShowHide = FMenu->addAction(QStringLiteral("Pokaż"));
  connect(FItemShowHide, &QAction::triggered, this, &TTrayController::ToggleMainWindow);
  FMenu->addSeparator();
  FItemExit = FMenu->addAction(QStringLiteral("Zakończ"));
  connect(FItemExit, &QAction::triggered, this, [] { RequestOperatorQuit(); });

  FTray = std::make_unique<QSystemTrayIcon>();
  FTray->setIcon(AppIcon());
  FTray->setToolTip(QString::fromUtf8(AppDisplayName));
  FTray->setContextMenu(FMenu.get());
  connect(FTray.get(), &QSystemTrayIcon::activated, this, &TTrayController::OnActivated);
  connect(FTray.get(), &QSystemTrayIcon::messageClicked, this, &TTrayController::ShowMainWindow);
  FTray->setVisible(true);
  UpdateMenuCaption();
}

TTrayController::~TTrayController() {
  FTray->hide();
  FTray->setContextMenu(nullptr);
}

void TTrayController::Detach() { FMainForm = nullptr; }

bool TTrayController::IsMainWindowVisible() const { return FMainForm && FMainForm->isVisible(); }

void TTrayController::UpdateMenuCaption() {
  if (FItemShowHide)
    FItemShowHide->setText(IsMainWindowVisible() ? QStringLiteral("Schowaj")
                                                 : QStringLiteral("Pokaż"));
}

void TTrayController::ShowMainWindow() {
  if (!FMainForm) return;
  FMainForm->show();
  FMainForm->setWindowState(FMainForm->windowState() &
                            ~(Qt::WindowMinimized | Qt::WindowMaximized));
  FMainForm->raise();
  FMainForm->activateWindow();
  UpdateMenuCaption();
}

void TTrayController::HideMainWindow() {
  if (!FMainForm) return;
  FMainForm->hide();
  UpdateMenuCaption();
}

void TTrayController::ToggleMainWindow() {
  if (IsMainWindowVisible())
    HideMainWindow();
  else
    ShowMainWindow();
}

void TTrayController::SetHint(const std::string& hint) {
  FTray->setToolTip(QString::fromStdString(hint.empty() ? std::string(AppDisplayName) : hint));
}

void TTrayController::Notify(const std::string& title, const std::string& text, bool failure) {
  FLastNotification = title + ": " + text;
  FTray->showMessage(QString::fromStdString(title), QString::fromStdString(text),
                     failure ? QSystemTrayIcon::Critical : QSystemTrayIcon::Information, 15000);
}

void TTrayController::OnActivated(QSystemTrayIcon::ActivationReason reason) {
  // Trigger is the left button; the right one opens the menu by itself.
  if (reason == QSystemTrayIcon::Trigger) ToggleMainWindow();
}

}  // namespace brenvik
