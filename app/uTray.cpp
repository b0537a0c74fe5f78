#include "uTray.h"

#include <QApplication>
#include <QMenu>
#include <QSystemTrayIcon>

#include "uDialogs.h"
#include "uErrorHandling.h"
#include "uMain.h"

namespace brenvik {

TTrayController::TTrayController(TfrmMain* mainForm) : FMainForm(mainForm) {
  FMenu = std::make_unique<QMenu>();
  QObject::connect(FMenu.get(), &QMenu::aboutToShow, [this] { UpdateMenuCaption(); });
  FItemShowHide = FMenu->addAction(QString::fromUtf8("Pokaż"));
  QObject::connect(FItemShowHide, &QAction::triggered, [this] { ToggleMainWindow(); });
  FMenu->addSeparator();
  FItemExit = FMenu->addAction(QString::fromUtf8("Zakończ"));
  QObject::connect(FItemExit, &QAction::triggered, [] { RequestTerminate(); });
  FTray = std::make_unique<QSystemTrayIcon>();
  FTray->setToolTip(QString::fromUtf8(AppDisplayName));
  FTray->setContextMenu(FMenu.get());
  QObject::connect(FTray.get(), &QSystemTrayIcon::activated,
                   [this](QSystemTrayIcon::ActivationReason reason) {
                     if (reason == QSystemTrayIcon::Trigger) ToggleMainWindow();
                   });
  FTray->setVisible(true);
  UpdateMenuCaption();
}

TTrayController::~TTrayController() {
  if (FTray) FTray->hide();
}

bool TTrayController::IsMainWindowVisible() const { return FMainForm && FMainForm->isVisible(); }

void TTrayController::UpdateMenuCaption() {
  if (FItemShowHide)
    FItemShowHide->setText(QString::fromUtf8(IsMainWindowVisible() ? "Schowaj" : "Pokaż"));
}

void TTrayController::ShowMainWindow() {
  if (!FMainForm) return;
  FMainForm->show();
  FMainForm->setWindowState(Qt::WindowNoState);
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
  if (IsMainWindowVisible()) HideMainWindow(); else ShowMainWindow();
}

}  // namespace brenvik
