#pragma once
// The program's one window: the status report, the coloured log pane every
// part of the program reports into, and the two operator commands. Closing
// or minimising it only hides it to the tray.
#include <QColor>
#include <QMargins>
#include <QRect>
#include <QSize>
#include <QWidget>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "commands/KsefCommands.h"
#include "support/Logger.h"
#include "support/OperatorLog.h"
#include "support/Platform.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;
class QTabWidget;
class QTextEdit;

namespace brenvik {

class TConfig;
class TRunChannel;
class ITrayController;
class TInvoiceListView;
class TConnectorLogFollower;

// The window's first place: the wanted client size, shrunk to fit the
// available area with the frame around it (not below the minimum), centred.
QRect FirstGeometry(QSize wanted, QSize minimum, QRect available, QMargins frame);

// Text colour of a pane line of the level; llDebug lines are not shown.
QColor LevelColour(TLogLevel level);

struct TPaneLine {
  std::string Text;
  QColor Colour;
  bool Bold = false;
};

class TfrmMain : public QWidget, public IOperatorLog, public ICommandHost {
  Q_OBJECT
public:
  // Config: the settings the window reports and works with; without one it
  // takes those of the application controller.
  explicit TfrmMain(const TConfig* config = nullptr, QWidget* parent = nullptr);
  ~TfrmMain() override;  // FormDestroy

  // Operator log.
  std::string InfoLog(const std::string& s, TLogLevel level);
  void AddColoredLine(const std::string& text, const QColor& colour);
  void ScrollLogToEnd() override;
  void AddLogLine(const std::string& paneLine, TLogLevel level) override;
  std::vector<TPaneLine> PaneLines() const;

  int PendingFileCount() const;
  bool ConfirmSend(int count) const;

  // The operator ends the program ("Zakończ", a confirmed close, a logout).
  // While the connector runs it asks whether to wait for the run's end
  // (then the program ends after the write-back) or to end at once.
  void OperatorQuit();
  bool QuitAfterRun() const { return FQuitAfterRun; }

  // The window's system commands: minimise hides it, close asks first.
  void SysCommandMinimize();
  void SysCommandClose();
  // Hides through the tray when there is one, else directly.
  void HideWindow();

  // Whether the desktop has a notification area; without one the window is
  // never hidden where the operator could not reach it again.
  bool TrayAvailable() const { return FTrayAvailable; }
  void SetTrayAvailable(bool available) { FTrayAvailable = available; }

  // The tray the window reports to; without one, the application controller's.
  void SetTray(ITrayController* tray) { FTray = tray; }

  const std::string& Caption() const { return FCaption; }
  QTextEdit* MemoLog() const { return FMemoLog; }
  // The pane's tab and the invoice list's.
  QTabWidget* Tabs() const { return FTabs; }
  TInvoiceListView* InvoiceList() const { return FInvoiceList; }
  QPushButton* SendButton() const { return FBtnSendToKSEF; }
  QPushButton* ReceiveButton() const { return FBtnReceiveFromKSEF; }

  void btnSendToKSEFClick();
  void btnReceiveFromKSEFClick();
  // "Podgląd...": the PDF of a chosen FA(3) file in the system's viewer;
  // "Zapisz PDF...": the PDF where the operator chooses.
  void btnPreviewClick();
  void btnSavePdfClick();
  QPushButton* PreviewButton() const { return FBtnPreview; }
  QPushButton* SavePdfButton() const { return FBtnSavePdf; }
  // How a written PDF is opened (the system's viewer; tests record it).
  void SetFileOpener(std::function<bool(const std::string&)> opener);

  // The data module's operations the commands run; without its own set the
  // window takes those of the application controller.
  void SetKsefOperations(const TKsefOperations& operations) { FOperations = operations; }
  bool CursorBusy() const { return FCursorBusy; }
  // The line beside the buttons: what runs and for how long ("Wysyłka do
  // KSeF — 0:12"), the same in the tray icon's hint.
  std::string RunStatus() const;
  QWidget* BusyIndicator() const;

  // The commands' host.
  const TConfig& CommandConfig() const override;
  const TKsefOperations& Operations() const override;
  void SetBusyCursor(bool busy) override;
  void SetButtonsEnabled(bool enabled) override;
  void AddEmptyLine() override;
  void ShowConnectorLines(const std::vector<std::string>& lines, bool replaceAll) override;
  // One worker thread per run; its end step comes back to the main thread
  // only while this window exists.
  void RunConsoleInThread(const std::string& cmdLine, std::shared_ptr<TConnectorLock> lock,
                          TRunFinishedProc onFinished) override;
  // The invoice list's tab with the files waiting in Export.
  bool CanShowWaitingFiles() const override { return true; }
  void ShowOutcome(const TCommandOutcome& outcome) override;
  bool ShowRestOfConnectorLog(const std::string& logPath) override;
  void ShowWaitingFiles() override;

protected:
  void showEvent(QShowEvent* event) override;      // FormShow
  void closeEvent(QCloseEvent* event) override;    // close command / FormCloseQuery
  void changeEvent(QEvent* event) override;        // minimise
  void resizeEvent(QResizeEvent* event) override;  // anchoring

private:
  void FormShow();
  void WriteStatusReport();
  const TConfig* Config() const;
  ITrayController* Tray() const;
  void PlaceControls();
  void ApplySendButtonRule();
  void ShowRunStatus();
  void CommandEnded();

  const TConfig* FConfig;
  QTabWidget* FTabs = nullptr;    // owned by the window
  QTextEdit* FMemoLog = nullptr;  // owned by the tabs
  TInvoiceListView* FInvoiceList = nullptr;
  bool FListSourceSet = false;
  bool FPlaced = false;                   // the first showing has fitted the window to the screen
  QPushButton* FBtnSendToKSEF = nullptr;  // owned by the window
  QPushButton* FBtnReceiveFromKSEF = nullptr;
  QPushButton* FBtnPreview = nullptr;
  QPushButton* FBtnSavePdf = nullptr;
  std::function<bool(const std::string&)> FOpenFile;
  TNamedMutex FExportMutex;
  std::string FCaption;
  int FLineCount = 0;
  bool FTrayAvailable;
  bool FHandlingMinimize = false;
  std::optional<TKsefOperations> FOperations;
  std::shared_ptr<TRunChannel> FRunChannel;
  bool FCursorBusy = false;
  bool FCommandRunning = false;  // both buttons disabled by a command
  QLabel* FRunStatus = nullptr;
  QProgressBar* FBusy = nullptr;
  QTimer* FRunClock = nullptr;
  ITrayController* FTray = nullptr;
  std::unique_ptr<TConnectorLogFollower> FLogFollower;  // while the connector runs
  QTimer* FLogClock = nullptr;
  std::string FRunTitle;
  TCommandOutcome FOutcome;  // of the command that runs or ran last
  size_t FRunFirstLine = 0;  // the pane's first line of the run
  bool FQuitAfterRun = false;
  std::chrono::steady_clock::time_point FRunStart;
};

// The main window, set when it is created.
TfrmMain* frmMain();
// The operator's end of the program: through the main window when there is one.
void RequestOperatorQuit();

}  // namespace brenvik
