#pragma once
// The program's spine: process identity, the single-instance rule and the
// application controller that settles the ini file, opens the log and
// installs the exception hook. The window program and brenvik-cli share it.
#include <memory>
#include <string>
#include <vector>

#include "config/Config.h"
#include "commands/KsefCommands.h"
#include "support/Platform.h"

namespace brenvik {

// The notification-area icon as the controller owns it; the window program
// provides it (the terminal has none).
class TDM;

class ITrayController {
public:
  virtual ~ITrayController() = default;
  // Forgets the window; showing, hiding and toggling do nothing afterwards.
  virtual void Detach() = 0;
  virtual void ShowMainWindow() = 0;
  virtual void HideMainWindow() = 0;
  virtual void ToggleMainWindow() = 0;
  // What the icon says when pointed at: the program's name, or the work in progress.
  virtual void SetHint(const std::string&) {}
  // A message beside the icon (a click on it shows the window).
  virtual void Notify(const std::string& /*title*/, const std::string& /*text*/, bool /*failure*/) {
  }
};

// Set once at start (SetAppIdentity), never changed afterwards.
const std::string& AppExePath();
const std::string& AppExeDir();  // ends in "/"
const std::string& AppName();    // file name of AppExePath without folder and extension
// The window program's name, which names the single-instance lock and the
// default ini and log files; the command-line companion shares it.
void SetAppIdentity(const std::string& exePath, const std::string& appName);

class TAppController {
public:
  TAppController();
  virtual ~TAppController();
  TAppController(const TAppController&) = delete;
  TAppController& operator=(const TAppController&) = delete;

  // Settles the ini path from the arguments, loads the configuration,
  // configures the logger and installs the exception hook. Raises
  // "Brak pliku konfiguracyjnego: <path>" when the file does not exist.
  void InitCore(const std::vector<std::string>& args);

  std::unique_ptr<TConfig> FConfig;
  std::unique_ptr<ITrayController> FTray;  // set by the window program's InitUI
  std::string RunDir;
  std::string IniPath;  // the configuration file that InitCore settled
  // The data module's export run and write-back as the commands reach them;
  // a command whose operation is not set reports it as unavailable.
  TKsefOperations KsefOperations;
  // Points KsefOperations at the data module's export run and write-back;
  // DetachDataModule clears them before the data module goes.
  void AttachDataModule(TDM& dataModule);
  void DetachDataModule();
};

// The one controller; empty before it is created and after it is released.
TAppController* AppController();
void SetAppController(TAppController* controller);

// The ini path and run folder by the "/ini=" rules (exposed for tests).
struct TIniLocation {
  std::string Path;
  std::string RunDir;
};
TIniLocation SettleIniPath(const std::vector<std::string>& args, const std::string& exePath,
                           const std::string& currentFolder);

// The single-instance mutex: AppName + "_SingleInstance".
std::string SingleInstanceMutexName();

}  // namespace brenvik
