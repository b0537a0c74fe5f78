#include "commands/AppController.h"

#include <clocale>

#include "support/ErrorHandling.h"
#include "support/Errors.h"
#include "support/Logger.h"
#include "support/Paths.h"
#include "warehouse/DataModule.h"

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

void TAppController::AttachDataModule(TDM& dataModule) {
  KsefOperations.ReadDocNotSended2KSEF = [dm = &dataModule] { dm->ReadDocNotSended2KSEF(); };
  KsefOperations.SetKsefInRegs = [dm = &dataModule] { dm->SetKsefInRegs(); };
  KsefOperations.WriteBackOutcome = [dm = &dataModule] { return dm->WriteBackOutcome(); };
  KsefOperations.UnsentBeforeWindow = [dm = &dataModule] { return dm->UnsentBeforeWindow(); };
  KsefOperations.StartRun = [dm = &dataModule] { dm->StartRun(); };
}

void TAppController::DetachDataModule() {
  KsefOperations.ReadDocNotSended2KSEF = nullptr;
  KsefOperations.SetKsefInRegs = nullptr;
  KsefOperations.WriteBackOutcome = nullptr;
  KsefOperations.UnsentBeforeWindow = nullptr;
  KsefOperations.StartRun = nullptr;
}

void TAppController::InitCore(const std::vector<std::string>& args) {
  // Numbers are written and read with "." whatever the desktop's locale.
  std::setlocale(LC_NUMERIC, "C");
  const TIniLocation loc = SettleIniPath(args, AppExePath(), CurrentFolder());
  RunDir = loc.RunDir;
  IniPath = loc.Path;
  if (!FileExists(IniPath)) throw Exception("Brak pliku konfiguracyjnego: " + IniPath);
  FConfig = std::make_unique<TConfig>(IniPath);
  FConfig->EnsureDefaults();
  const bool enabled = FConfig->SettingBool("Log", "Enabled");
  const std::string logDir = ResolvePath(RunDir, FConfig->ReadString("Log", "Dir", "Logs"));
  TLogger::Info("LogDir = " + logDir);
  const std::int64_t maxMB = FConfig->SettingInteger("Log", "MaxMB");
  TLogger::SetEnabled(enabled);
  TLogger::Configure(logDir, AppName(), maxMB * 1024 * 1024);
  TLogger::Info("");
  TLogger::Info("-------- Start aplikacji --------");
  InstallExceptionHook();
  RunStep("Ładowanie konfiguracji", &TConfig::LoadFromIni, *FConfig);
}

}  // namespace brenvik
