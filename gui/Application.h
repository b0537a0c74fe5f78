#pragma once
// The window program: its main sequence and the tray controller that the
// application controller owns once the main window exists.
#include "commands/AppController.h"

namespace brenvik {

class TTrayController;
class TfrmMain;

// Creates the tray controller for the main window.
void InitUI(TAppController& controller, TfrmMain* mainForm);
// The controller's tray as the window program made it (empty before InitUI).
TTrayController* TrayOf(const TAppController& controller);

// The whole window program; returns the process exit code.
int RunApplication(int argc, char** argv);

}  // namespace brenvik
