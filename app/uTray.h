#pragma once
// The tray icon and its menu; shows, hides and toggles the main window.
#include <memory>

class QSystemTrayIcon;
class QMenu;
class QAction;

namespace brenvik {

class TfrmMain;

class TTrayController {
public:
  explicit TTrayController(TfrmMain* mainForm);
  virtual ~TTrayController();
  TTrayController(const TTrayController&) = delete;
  TTrayController& operator=(const TTrayController&) = delete;

  void Detach() { FMainForm = nullptr; }
  void ShowMainWindow();
  void HideMainWindow();
  void ToggleMainWindow();

private:
  bool IsMainWindowVisible() const;
  void UpdateMenuCaption();

  std::unique_ptr<QSystemTrayIcon> FTray;
  std::unique_ptr<QMenu> FMenu;
  QAction* FItemShowHide = nullptr;
  QAction* FItemExit = nullptr;
  TfrmMain* FMainForm = nullptr;
};

}  // namespace brenvik
