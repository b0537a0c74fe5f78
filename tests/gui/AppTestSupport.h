#pragma once
// The one application object of the test program (the program's own kind,
// so errors escaping event handlers reach the hook) and a window set up against a
// configuration in a temporary folder.
#include <sys/stat.h>
#include <QApplication>
#include <memory>

#include "common/TestFiles.h"
#include "config/Config.h"
#include "support/Dialogs.h"
#include "support/ErrorHandling.h"
#include "support/Logger.h"
#include "support/Paths.h"
#include "gui/QtApplication.h"

namespace brenvik::testing {

inline QApplication& TestApp() {
  static int argc = 1;
  static char name[] = "test_app";
  static char* argv[] = {name, nullptr};
  static QApplication* app = new TQtApplication(argc, argv);
  return *app;
}

// Logs into the test's folder, answers dialogs from a script, and holds a
// configuration with the usual values.
class TWindowFixture {
public:
  TWindowFixture() : FDialogsScope(&Dialogs) {
    TestApp();
    TLogger::Configure(Dir.Path() + "Logs", "test_app", 0);
    ResetTerminateRequest();
    WriteFile(Dir / "brenvik.ini", "");
    MakeDirs(Dir / "Export");
    Config = std::make_unique<TConfig>(Dir / "brenvik.ini");
    Config->SetKsefDataDir(Dir.Path());
    Config->APICfg.NIP = "1234563218";
    Config->APICfg.BASE_URL = "https://api.ksef.mf.gov.pl";
    Config->APICfg.CERTIFICATE_PATH = "C:\\certs\\firma.pfx";
    Config->PodatnikInfo.DaneIdentyfikacyjne.Nazwa = "Firma Handlowa Sp. z o.o.";
    Config->StelmarEnabled = true;
    MakeDirs(Dir / "stelmar/DATA");
    Config->SetStelmarDir(Dir / "stelmar/");
    Config->SetUserDir(Dir / "stelmar/DATA/");
    Config->Send2KsefStartDate = EncodeDate(2026, 2, 1);
    Config->CurDate = EncodeDate(2026, 12, 8);
    Config->DaysBackToSend = 5;
    // A connector the status report finds; tests that run one write their own.
    WriteFile(Dir / "connector/.env", "KSEF_NIP=1234563218\n");
    WriteFile(Dir / "connector/KsefAPI.exe", "#!/bin/sh\nexit 0\n");
    ::chmod((Dir / "connector/KsefAPI.exe").c_str(), 0755);
    Config->SetAPIConnectorExeDir(Dir / "connector/");
  }
  ~TWindowFixture() {
    ResetTerminateRequest();
    TLogger::RestoreDefaults();
  }
  std::string LogText() const {
    const std::string file = TLogger::CurrentFileName();
    return FileExists(file) ? ReadFile(file) : std::string();
  }

  TTempDir Dir;
  TScriptedDialogs Dialogs;
  std::unique_ptr<TConfig> Config;

private:
  TDialogsScope FDialogsScope;
};

}  // namespace brenvik::testing
