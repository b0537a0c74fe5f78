#include "gui/Application.h"

#include <QApplication>
#include <QSystemTrayIcon>

#include <cstdio>

#include "gui/MainWindow.h"
#include "gui/QtApplication.h"
#include "gui/QtDialogs.h"
#include "gui/TrayController.h"
#include "support/Dialogs.h"
#include "support/ErrorHandling.h"
#include "support/Errors.h"
#include "support/Logger.h"
#include "warehouse/DataModule.h"

namespace brenvik {

void InitUI(TAppController& controller, TfrmMain* mainForm) {
  if (!mainForm) throw Exception("InitUI: Application.MainForm = nil");
  controller.FTray = std::make_unique<TTrayController>(mainForm);
  // Without a notification area a hidden start would leave the operator no
  // way to reach the window or end the program.
  if (!QSystemTrayIcon::isSystemTrayAvailable()) controller.FTray->ShowMainWindow();
}

int RunApplication(int argc, char** argv) {
  TNamedMutex singleInstance;
  const TNamedMutex::TState instance = singleInstance.Create(SingleInstanceMutexName(), true);
  if (instance == TNamedMutex::TState::AlreadyExists)
    return 0;  // another copy runs: end at once, silently

  TQtApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  TQtDialogs dialogs;
  TDialogsScope dialogsScope(&dialogs);
  if (instance != TNamedMutex::TState::Owned) {
    const std::string text =
        "Nie można utworzyć blokady " + singleInstance.Path() + ". " + singleInstance.Error();
    std::fprintf(stderr, "%s\n", text.c_str());
    MessageDlgTitled(AppDisplayName, text, TMsgDlgType::mtError, {TMsgDlgBtn::mbOK},
                     TMsgDlgBtn::mbOK);
    return 1;
  }
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
    controller->AttachDataModule(*dataModule);
    mainForm = std::make_unique<TfrmMain>();
    InitUI(*controller, mainForm.get());
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
    // A start-up that failed before the log was configured leaves its lines
    // in the default place.
    TLogger::WriteHeldLines();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
  } catch (...) {
    std::fprintf(stderr, "Nieznany błąd zapisu dziennika\n");
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
  dataModule.reset();
  return exitCode;
}

TTrayController* TrayOf(const TAppController& controller) {
  return dynamic_cast<TTrayController*>(controller.FTray.get());
}

}  // namespace brenvik
