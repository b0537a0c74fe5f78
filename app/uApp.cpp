#include "uApp.h"

#include <clocale>

#include <QApplication>
#include <QSystemTrayIcon>
#include <QTimer>

#include "uDataModule.h"
#include "uDialogs.h"
#include "uErrorHandling.h"
#include "uErrors.h"
#include "uLogger.h"
#include "uMain.h"
#include "uPaths.h"
#include "uQtApplication.h"
#include "uQtDialogs.h"
#include "uTray.h"

namespace brenvik {
namespace {

struct TAppIdentity {
  std::string ExePath, ExeDir, Name;
};

TAppIdentity& Identity() {
  static TAppIdentity identity = [] {
    TAppIdentity id;
    id.ExePath = ExecutablePath();
    id.ExeDir = ExtractFilePath(id.ExePath);
    id.Name = BareFileName(id.ExePath);
    OutputDebugString("uApp initialization");
    return id;
  }();
  return identity;
}

TAppController* gAppController = nullptr;

}  // namespace

const std::string& AppExePath() { return Identity().ExePath; }
const std::string& AppExeDir() { return Identity().ExeDir; }
const std::string& AppName() { return Identity().Name; }

void SetAppIdentity(const std::string& exePath, const std::string& appName) {
  TAppIdentity& id = Identity();
  id.ExePath = exePath;
  id.ExeDir = ExtractFilePath(exePath);
  id.Name = appName.empty() ? BareFileName(exePath) : appName;
}

TAppController* AppController() { return gAppController; }
void SetAppController(TAppController* controller) { gAppController = controller; }

std::string SingleInstanceMutexName() { return AppName() + "_SingleInstance"; }

TIniLocation SettleIniPath(const std::vector<std::string>& args, const std::string& exePath,
                           const std::string& currentFolder) {
  std::string path;
  for (const std::string& arg : args)
    if (arg.rfind("/ini=", 0) == 0) path = arg.substr(5);
  if (path.empty()) path = ExtractFileName(exePath);
  if (ExtractFileExt(path) != ".ini") path = ChangeFileExt(path, ".ini");
  TIniLocation loc;
  loc.RunDir = ExtractFilePath(path);
  if (loc.RunDir.empty()) {
    loc.RunDir = currentFolder;
    path = PathJoin(loc.RunDir, path);
  }
  loc.Path = path;
  return loc;
}

TAppController::TAppController() = default;

TAppController::~TAppController() { FTray.reset(); }

void TAppController::InitCore(const std::vector<std::string>& args) {
  // Numbers are written and read with "." whatever the desktop's locale.
  std::setlocale(LC_NUMERIC, "C");
  const TIniLocation loc = SettleIniPath(args, AppExePath(), CurrentFolder());
  RunDir = loc.RunDir;
  IniPath = loc.Path;
  if (!FileExists(IniPath)) throw Exception("Brak pliku konfiguracyjnego: " + IniPath);
  FConfig = std::make_unique<TConfig>(IniPath);
  FConfig->EnsureDefaults();
  const bool enabled = FConfig->ReadBool("Log", "Enabled", true);
  const std::string logDir = ResolvePath(RunDir, FConfig->ReadString("Log", "Dir", "Logs"));
  TLogger::Info("LogDir = " + logDir);
  const std::int64_t maxMB = FConfig->ReadInteger("Log", "MaxMB", 5);
  TLogger::SetEnabled(enabled);
  TLogger::Configure(logDir, AppName(), maxMB * 1024 * 1024);
  TLogger::Info("");
  TLogger::Info("-------- Start aplikacji --------");
  InstallExceptionHook();
  RunStep("Ładowanie konfiguracji", &TConfig::LoadFromIni, *FConfig);
}

void TAppController::InitUI(TfrmMain* mainForm) {
  if (!mainForm) throw Exception("InitUI: Application.MainForm = nil");
  FTray = std::make_unique<TTrayController>(mainForm);
  // Without a notification area a hidden start would leave the operator no
  // way to reach the window or end the program.
  if (!QSystemTrayIcon::isSystemTrayAvailable()) FTray->ShowMainWindow();
}

int RunApplication(int argc, char** argv) {
  TNamedMutex singleInstance;
  if (singleInstance.Create(SingleInstanceMutexName(), true) != TNamedMutex::TState::Owned)
    return 0;  // another copy runs: end at once, silently

  TQtApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  TQtDialogs dialogs;
  TDialogsScope dialogsScope(&dialogs);
  SetTerminateHandler([] { QMetaObject::invokeMethod(qApp, "quit", Qt::QueuedConnection); });
  InstallTerminationSignals();

  std::vector<std::string> args(argv + 1, argv + argc);
  int exitCode = 0;
  std::string escapedMessage;
  // The data module and the window outlive the controller, as at module clean-up.
  std::unique_ptr<TDM> dataModule;
  std::unique_ptr<TfrmMain> mainForm;
  auto controller = std::make_unique<TAppController>();
  SetAppController(controller.get());
  try {
    controller->InitCore(args);
    dataModule = std::make_unique<TDM>(*controller->FConfig, AppExeDir());
    SetDataModule(dataModule.get());
    controller->KsefOperations.ReadDocNotSended2KSEF = [dm = dataModule.get()] {
      dm->ReadDocNotSended2KSEF();
    };
    controller->KsefOperations.SetKsefInRegs = [dm = dataModule.get()] { dm->SetKsefInRegs(); };
    mainForm = std::make_unique<TfrmMain>();
    controller->InitUI(mainForm.get());
    if (!TerminateRequested()) app.exec();
  } catch (const std::exception& e) {
    escapedMessage = e.what();
    exitCode = 1;
  } catch (...) {
    escapedMessage = "Nieznany błąd";
    exitCode = 1;
  }
  try {
    TLogger::Info("----- Zamknięcie aplikacji ------");
  } catch (...) {
  }
  controller.reset();
  SetAppController(nullptr);
  singleInstance.Close();
  if (exitCode != 0) {
    MessageDlgTitled(AppDisplayName, escapedMessage, TMsgDlgType::mtError, {TMsgDlgBtn::mbOK},
                     TMsgDlgBtn::mbOK);
  }
  ReleaseExceptionHook();
  mainForm.reset();
  SetDataModule(nullptr);
  dataModule.reset();
  return exitCode;
}

}  // namespace brenvik
