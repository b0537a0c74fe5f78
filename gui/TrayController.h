#pragma once
// The program's icon in the notification area: its menu shows, hides and
// ends the program, a left click toggles the main window.
#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>
#include <memory>
#include <string>

#include "commands/AppController.h"

class QAction;
class QMenu;
class QWidget;

namespace brenvik {

class TTrayController : public QObject, public ITrayController {
  Q_OBJECT
public:
  explicit TTrayController(QWidget* mainForm);
  ~TTrayController() override;
  TTrayController(const TTrayController&) = delete;
  TTrayController& operator=(const TTrayController&) = delete;

  void Detach() override;
  void ShowMainWindow() override;
  void HideMainWindow() override;
  void ToggleMainWindow() override;
  void SetHint(const std::string& hint) override;
  void Notify(const std::string& title, const std::string& text, bool failure) override;
  // The last message shown beside the icon (for tests).
  const std::string& LastNotification() const { return FLastNotification; }

  QSystemTrayIcon& TrayIcon() { return *FTray; }
  QMenu& Menu() { return *FMenu; }
  QAction& ItemShowHide() { return *FItemShowHide; }
  QAction& ItemExit() { return *FItemExit; }

  // What the icon does on a click: the left button toggles the window.
  void OnActivated(QSystemTrayIcon::ActivationReason reason);
  void UpdateMenuCaption();

private:
  bool IsMainWindowVisible() const;

  std::unique_ptr<QSystemTrayIcon> FTray;
  std::unique_ptr<QMenu> FMenu;
  QAction* FItemShowHide = nullptr;  // owned by FMenu
  QAction* FItemExit = nullptr;      // owned by FMenu
  QPointer<QWidget> FMainForm;       // not owned
  std::string FLastNotification;
};

// The application's own icon (compiled in).
QIcon AppIcon();

}  // namespace brenvik
