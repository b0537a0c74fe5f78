#include "gui/MainWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSessionManager>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <cstdio>
#include <QScrollBar>
#include <QShowEvent>
#include <QTabWidget>
#include <QSystemTrayIcon>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>

#include "commands/AppController.h"
#include "config/Config.h"
#include "commands/ConnectorLogFollower.h"
#include "commands/ConsoleRun.h"
#include "commands/InvoicePreview.h"
#include "support/OperatorLog.h"
#include "support/Dialogs.h"
#include "support/ErrorHandling.h"
#include "support/Errors.h"
#include "support/Paths.h"
#include "commands/StatusReport.h"
#include "support/TextCodec.h"
#include "gui/InvoiceListView.h"
#include "gui/QtApplication.h"
#include "gui/TrayController.h"
#include "support/VersionInfo.h"

namespace brenvik {
namespace {

// Layout at 96 pixels per inch: the client area and the controls' places.
constexpr int ClientWidth = 1050, ClientHeight = 412;
constexpr int MemoLeft = 16, MemoTop = 16, MemoWidth = 1015, MemoHeight = 321;
constexpr int MemoRightGap = ClientWidth - MemoLeft - MemoWidth;
constexpr int MemoBottomGap = ClientHeight - MemoTop - MemoHeight;
constexpr int ButtonTop = 353, ButtonWidth = 110, ButtonHeight = 41;
constexpr int ButtonBottomGap = ClientHeight - ButtonTop - ButtonHeight;
constexpr int SendLeft = 32, ReceiveLeft = 168, PreviewLeft = 304, SavePdfLeft = 440;

QString Q(const std::string& s) { return QString::fromStdString(s); }

TfrmMain* gMainForm = nullptr;

// The smallest window in which the buttons, the run's status and a few rows
// of the pane or the list stay usable.
constexpr int MinimumWidth = 700, MinimumHeight = 300;

}  // namespace

TfrmMain* frmMain() { return gMainForm; }

QRect FirstGeometry(QSize wanted, QSize minimum, QRect available, QMargins frame) {
  // The client area that fits with its frame, never below the minimum.
  const QSize room(available.width() - frame.left() - frame.right(),
                   available.height() - frame.top() - frame.bottom());
  const QSize size = wanted.boundedTo(room).expandedTo(minimum);
  // Centred in the available area, the title bar never above its top.
  const int x = available.left() + frame.left() +
                std::max(0, (available.width() - frame.left() - frame.right() - size.width()) / 2);
  const int y =
      available.top() + frame.top() +
      std::max(0, (available.height() - frame.top() - frame.bottom() - size.height()) / 2);
  return QRect(QPoint(x, y), size);
}

QColor LevelColour(TLogLevel level) {
  switch (level) {
    case llInfo: return QColor(32, 32, 32);
    case llWarn: return QColor(160, 104, 0);  // orange, dark enough to read on white
    case llError: return QColor(208, 0, 0);
    default: return QColor(0, 0, 0);
  }
}

TfrmMain::TfrmMain(const TConfig* config, QWidget* parent)
    : QWidget(parent),
      FConfig(config),
      FTrayAvailable(QSystemTrayIcon::isSystemTrayAvailable()),
      FRunChannel(std::make_shared<TRunChannel>(&PostToMainThread)) {
  gMainForm = this;
  setObjectName(QStringLiteral("frmMain"));
  // The platform's own font and size, as the operator has set them.
  setMinimumSize(MinimumWidth, MinimumHeight);
  resize(ClientWidth, ClientHeight);

  // The pane and, beside it, the list of the invoices.
  FTabs = new QTabWidget(this);
  FTabs->setObjectName(QStringLiteral("Tabs"));
  FMemoLog = new QTextEdit;
  FMemoLog->setObjectName(QStringLiteral("MemoLog"));
  FMemoLog->setReadOnly(true);
  FMemoLog->setLineWrapMode(QTextEdit::NoWrap);
  FMemoLog->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  FMemoLog->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  // Selectable for copying, but without a blinking caret in a log.
  FMemoLog->setTextInteractionFlags(Qt::TextSelectableByMouse);
  FTabs->addTab(FMemoLog, QStringLiteral("&Dziennik"));
  FInvoiceList = new TInvoiceListView;
  FTabs->addTab(FInvoiceList, QStringLiteral("&Faktury"));

  FBtnSendToKSEF = new QPushButton(QStringLiteral("&Wyślij do KSEF"), this);
  FBtnSendToKSEF->setObjectName(QStringLiteral("btnSendToKSEF"));
  FBtnReceiveFromKSEF = new QPushButton(QStringLiteral("&Odbierz z KSEF"), this);
  FBtnReceiveFromKSEF->setObjectName(QStringLiteral("btnReceiveFromKSEF"));
  connect(FBtnSendToKSEF, &QPushButton::clicked, this, &TfrmMain::btnSendToKSEFClick);
  connect(FBtnReceiveFromKSEF, &QPushButton::clicked, this, &TfrmMain::btnReceiveFromKSEFClick);
  FBtnPreview = new QPushButton(QStringLiteral("&Podgląd..."), this);
  FBtnPreview->setObjectName(QStringLiteral("btnPreview"));
  FBtnSavePdf = new QPushButton(QStringLiteral("&Zapisz PDF..."), this);
  FBtnSavePdf->setObjectName(QStringLiteral("btnSavePdf"));
  connect(FBtnPreview, &QPushButton::clicked, this, &TfrmMain::btnPreviewClick);
  connect(FBtnSavePdf, &QPushButton::clicked, this, &TfrmMain::btnSavePdfClick);
  FRunStatus = new QLabel(this);
  FRunStatus->setObjectName(QStringLiteral("lblRunStatus"));
  FBusy = new QProgressBar(this);
  FBusy->setObjectName(QStringLiteral("pbBusy"));
  FBusy->setRange(0, 0);  // moving without an end: the work has no known length
  FBusy->setTextVisible(false);
  FBusy->hide();
  FLogClock = new QTimer(this);
  FLogClock->setInterval(300);
  connect(FLogClock, &QTimer::timeout, this, [this] {
    if (!FLogFollower) return;
    const std::vector<std::string> lines = FLogFollower->NewLines();
    if (!lines.empty()) ShowConnectorLines(lines, false);
  });
  FRunClock = new QTimer(this);
  FRunClock->setInterval(1000);
  connect(FRunClock, &QTimer::timeout, this, &TfrmMain::ShowRunStatus);
  FOpenFile = [](const std::string& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(Q(path)));
  };

  setTabOrder(FBtnReceiveFromKSEF, FBtnSendToKSEF);
  setTabOrder(FBtnSendToKSEF, FMemoLog);
  FBtnReceiveFromKSEF->setFocus();  // first in the tab order
  PlaceControls();

  // FormCreate.
  FCaption = ProgramCaption();
  setWindowTitle(Q(FCaption));
  setWindowIcon(AppIcon());
  // Other programs look for this mutex to see that the window exists; it is
  // never waited on or taken here.
  FExportMutex.Create(AppName() + "_ORVA", false);

  SetOperatorLog(this);
  // A logout while the connector runs is the operator's end too.
  if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
    connect(app, &QGuiApplication::commitDataRequest, this, [this](QSessionManager& manager) {
      if (!FCommandRunning || FQuitAfterRun || !manager.allowsInteraction()) return;
      OperatorQuit();
      manager.release();
      if (FQuitAfterRun) manager.cancel();  // the session waits for the write-back
    });

  if (IsDebuggerAttached()) show();
}

TfrmMain::~TfrmMain() {
  // FormDestroy. A connector run still in progress ends without its end step.
  FRunChannel->Close();
  SetBusyCursor(false);
  if (ITrayController* tray = Tray()) tray->Detach();
  if (OperatorLog() == this) SetOperatorLog(nullptr);
  FExportMutex.Close();
  if (gMainForm == this) gMainForm = nullptr;
}

const TConfig* TfrmMain::Config() const {
  if (FConfig) return FConfig;
  TAppController* controller = AppController();
  return controller ? controller->FConfig.get() : nullptr;
}

ITrayController* TfrmMain::Tray() const {
  if (FTray) return FTray;
  TAppController* controller = AppController();
  return controller ? controller->FTray.get() : nullptr;
}

void TfrmMain::PlaceControls() {
  const int w = width(), h = height();
  FTabs->setGeometry(MemoLeft, MemoTop, std::max(0, w - MemoLeft - MemoRightGap),
                     std::max(0, h - MemoTop - MemoBottomGap));
  const int top = h - ButtonBottomGap - ButtonHeight;
  FBtnSendToKSEF->setGeometry(SendLeft, top, ButtonWidth, ButtonHeight);
  FBtnReceiveFromKSEF->setGeometry(ReceiveLeft, top, ButtonWidth, ButtonHeight);
  FBtnPreview->setGeometry(PreviewLeft, top, ButtonWidth, ButtonHeight);
  FBtnSavePdf->setGeometry(SavePdfLeft, top, ButtonWidth, ButtonHeight);
  const int statusLeft = SavePdfLeft + ButtonWidth + 24, busyWidth = 120;
  FBusy->setGeometry(std::max(statusLeft, w - MemoRightGap - busyWidth), top + ButtonHeight / 4,
                     busyWidth, ButtonHeight / 2);
  FRunStatus->setGeometry(statusLeft, top, std::max(0, FBusy->x() - statusLeft - 8), ButtonHeight);
}

void TfrmMain::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  PlaceControls();
}

void TfrmMain::SetFileOpener(std::function<bool(const std::string&)> opener) {
  FOpenFile = std::move(opener);
  FInvoiceList->SetOpener(FOpenFile);
}

void TfrmMain::ShowWaitingFiles() {
  FTabs->setCurrentWidget(FInvoiceList);
  FInvoiceList->StateFilter()->setCurrentIndex(static_cast<int>(TInvoiceState::Waiting) + 1);
  FInvoiceList->Refresh();
}

// ---- Operator log ----

std::string TfrmMain::InfoLog(const std::string& s, TLogLevel level) {
  return brenvik::InfoLog(s, level);
}

void TfrmMain::AddLogLine(const std::string& paneLine, TLogLevel level) {
  AddColoredLine(paneLine, LevelColour(level));
}

void TfrmMain::AddColoredLine(const std::string& text, const QColor& colour) {
  QTextCursor cursor(FMemoLog->document());
  cursor.movePosition(QTextCursor::End);
  if (FLineCount > 0) cursor.insertBlock();
  if (!text.empty()) {
    QTextCharFormat format;
    format.setForeground(colour);
    cursor.insertText(Q(text), format);
  }
  ++FLineCount;
}

void TfrmMain::ScrollLogToEnd() {
  QScrollBar* bar = FMemoLog->verticalScrollBar();
  bar->setValue(bar->maximum());
}

std::vector<TPaneLine> TfrmMain::PaneLines() const {
  std::vector<TPaneLine> lines;
  if (FLineCount == 0) return lines;
  for (QTextBlock b = FMemoLog->document()->begin(); b.isValid(); b = b.next()) {
    QColor colour;
    bool bold = false;
    auto it = b.begin();
    if (!it.atEnd()) {
      colour = it.fragment().charFormat().foreground().color();
      bold = it.fragment().charFormat().fontWeight() >= QFont::Bold;
    }
    lines.push_back({b.text().toStdString(), colour, bold});
  }
  return lines;
}

// ---- Showing ----

void TfrmMain::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // A spontaneous show is the window coming back from the task bar, not a
  // showing by the program.
  if (!event->spontaneous()) FormShow();
}

void TfrmMain::FormShow() {
  TLogger::Log(llInfo, FCaption);
  if (!FPlaced) {
    FPlaced = true;
    if (const QScreen* screen = this->screen()) {
      const QMargins frame(frameGeometry().left() - geometry().left(),
                           frameGeometry().top() - geometry().top(),
                           frameGeometry().right() - geometry().right(),
                           frameGeometry().bottom() - geometry().bottom());
      const QRect place = FirstGeometry(size(), minimumSize(), screen->availableGeometry(), frame);
      setGeometry(place);
    }
  }
  if (const TConfig* config = Config(); config && !FListSourceSet) {
    FInvoiceList->SetSource(config->KsefDataDir(), config->PodatnikInfo.DaneIdentyfikacyjne.NIP);
    FListSourceSet = true;
  }
  // While a command runs both buttons stay disabled until its end.
  if (!FCommandRunning) ApplySendButtonRule();
  if (FLineCount == 0) WriteStatusReport();
}

void TfrmMain::WriteStatusReport() {
  const TConfig* config = Config();
  if (!config) return;  // nothing to report on before the configuration exists
  std::optional<std::vector<std::string>> unsent;
  if (Operations().UnsentBeforeWindow) {
    try {
      unsent = Operations().UnsentBeforeWindow();
    } catch (const std::exception& e) {
      brenvik::InfoLog(std::string("Nie sprawdzono dokumentów sprzed okresu wysyłki: ") + e.what(),
                       llWarn);
    }
  }
  brenvik::WriteStatusReport(
      *config,
      [this](const std::string& text, TColour colour) {
        AddColoredLine(text, QColor(colour.R, colour.G, colour.B));
      },
      unsent ? &*unsent : nullptr);
}

// ---- Commands ----

void TfrmMain::ApplySendButtonRule() {
  const TConfig* config = Config();
  FBtnSendToKSEF->setEnabled(config && config->StelmarEnabled);
}

int TfrmMain::PendingFileCount() const { return brenvik::PendingFileCount(CommandConfig()); }

bool TfrmMain::ConfirmSend(int count) const { return brenvik::ConfirmSend(CommandConfig(), count); }

void TfrmMain::btnSendToKSEFClick() {
  FRunTitle = "Wysyłka do KSeF";
  try {
    SendToKsefCommand(*this);
  } catch (...) {
    DispatchUnhandledException(this, std::current_exception());
  }
}

namespace {

// A PDF that cannot be made is the fault of the file chosen, not of the
// program: its reason in a box, and the window goes on.
template <class F>
void WithPdfErrorsShown(F&& action) {
  try {
    action();
  } catch (const Exception& e) {
    InfoLog(std::string("Nie można utworzyć PDF faktury: ") + e.what(), llError);
    MessageDlg(std::string("Nie można utworzyć PDF faktury.\r\n\r\n") + e.what(),
               TMsgDlgType::mtError, {TMsgDlgBtn::mbOK}, TMsgDlgBtn::mbOK);
  }
}

}  // namespace

void TfrmMain::btnPreviewClick() {
  const TConfig* config = Config();
  if (!config) return;
  WithPdfErrorsShown([&] {
    const std::string pdf = PreviewInvoice(*config, PathJoin(AppExeDir(), "Tmp"));
    if (!pdf.empty() && !FOpenFile(pdf))
      MessageDlg("Nie można otworzyć przeglądarki plików PDF.\r\nPlik zapisano w:\r\n" + pdf,
                 TMsgDlgType::mtWarning, {TMsgDlgBtn::mbOK}, TMsgDlgBtn::mbOK);
  });
}

void TfrmMain::btnSavePdfClick() {
  const TConfig* config = Config();
  if (!config) return;
  WithPdfErrorsShown([&] { SaveInvoicePdf(*config); });
}

void TfrmMain::btnReceiveFromKSEFClick() {
  FRunTitle = "Odbiór z KSeF";
  try {
    ReceiveFromKsefCommand(*this);
  } catch (...) {
    DispatchUnhandledException(this, std::current_exception());
  }
}

const TConfig& TfrmMain::CommandConfig() const {
  const TConfig* config = Config();
  if (!config) throw Exception("Brak konfiguracji programu");
  return *config;
}

const TKsefOperations& TfrmMain::Operations() const {
  static const TKsefOperations none;
  if (FOperations) return *FOperations;
  TAppController* controller = AppController();
  return controller ? controller->KsefOperations : none;
}

void TfrmMain::SetBusyCursor(bool busy) {
  if (busy == FCursorBusy) return;
  FCursorBusy = busy;
  if (busy)
    QApplication::setOverrideCursor(Qt::WaitCursor);
  else
    QApplication::restoreOverrideCursor();
}

namespace {

std::string Elapsed(std::chrono::steady_clock::duration d) {
  const long long s = std::chrono::duration_cast<std::chrono::seconds>(d).count();
  char text[32];
  if (s >= 3600)
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
  else
    std::snprintf(text, sizeof text, "%lld:%02lld", s / 60, s % 60);
  return text;
}

}  // namespace

static QColor OutcomeColour(TOutcomeKind kind) {
  switch (kind) {
    case TOutcomeKind::Success: return QColor(0, 128, 0);
    case TOutcomeKind::Failure: return LevelColour(llError);
    case TOutcomeKind::Cancelled: return LevelColour(llWarn);
    default: return LevelColour(llInfo);
  }
}

void TfrmMain::ShowOutcome(const TCommandOutcome& outcome) {
  FOutcome = outcome;
  // The outcome is the pane's last line: set off in bold and its colour.
  QTextCursor cursor(FMemoLog->document()->lastBlock());
  cursor.select(QTextCursor::BlockUnderCursor);
  QTextCharFormat format;
  format.setForeground(OutcomeColour(outcome.Kind));
  format.setFontWeight(QFont::Bold);
  cursor.mergeCharFormat(format);
}

std::string TfrmMain::RunStatus() const { return FRunStatus->text().toStdString(); }

QWidget* TfrmMain::BusyIndicator() const { return FBusy; }

void TfrmMain::ShowRunStatus() {
  const std::string text = FCommandRunning
                               ? (FRunTitle.empty() ? "Praca w toku" : FRunTitle) + " — " +
                                     Elapsed(std::chrono::steady_clock::now() - FRunStart)
                               : std::string();
  FRunStatus->setText(Q(text));
  if (ITrayController* tray = Tray()) tray->SetHint(text);
}

// The end of a command: the pane shows its last line, the list what it did,
// and a hidden window tells its outcome beside the tray icon.
void TfrmMain::CommandEnded() {
  FRunClock->stop();
  FLogClock->stop();
  FLogFollower.reset();
  FBusy->hide();
  const std::string title = FRunTitle.empty() ? "Praca" : FRunTitle;
  const std::string took = Elapsed(std::chrono::steady_clock::now() - FRunStart);
  FRunTitle.clear();
  ShowRunStatus();
  // The label tells how the command ended; a command that ends without its
  // outcome was stopped by an error, which its box has reported.
  if (FOutcome.Text.empty()) FOutcome = {TOutcomeKind::Failure, title + ": błąd, szczegóły w dzienniku"};
  FRunStatus->setText(Q(FOutcome.Text + " (" + took + ")"));
  FRunStatus->setToolTip(FRunStatus->text());
  QPalette palette = FRunStatus->palette();
  palette.setColor(QPalette::WindowText, OutcomeColour(FOutcome.Kind));
  FRunStatus->setPalette(palette);
  QFont font = FRunStatus->font();
  font.setBold(FOutcome.Kind != TOutcomeKind::Neutral);
  FRunStatus->setFont(font);
  ScrollLogToEnd();
  FInvoiceList->Refresh();
  if (FQuitAfterRun) {
    RequestTerminate();
    return;
  }
  if (isVisible()) return;
  ITrayController* tray = Tray();
  if (!tray) return;
  const bool failure = FOutcome.Kind == TOutcomeKind::Failure;
  const std::string& text = FOutcome.Text;
  tray->Notify(std::string(AppDisplayName) + " — " + title,
               failure ? text + ". Szczegóły w oknie programu (kliknij, aby je pokazać)." : text,
               failure);
}

void TfrmMain::SetButtonsEnabled(bool enabled) {
  const bool wasRunning = FCommandRunning;
  FCommandRunning = !enabled;
  if (!enabled && !wasRunning) {
    FRunStart = std::chrono::steady_clock::now();
    FRunFirstLine = static_cast<size_t>(FLineCount);
    FOutcome = TCommandOutcome();
    FBusy->show();
    FRunClock->start();
    ShowRunStatus();
  }
  FBtnReceiveFromKSEF->setEnabled(enabled);
  // The send button follows the Stelmar switch also at the end of a command,
  // and the list shows what the command did.
  if (enabled) {
    ApplySendButtonRule();
    if (wasRunning) CommandEnded();
  } else {
    FBtnSendToKSEF->setEnabled(false);
  }
}

void TfrmMain::AddEmptyLine() { AddColoredLine("", QColor()); }

void TfrmMain::ShowConnectorLines(const std::vector<std::string>& lines, bool replaceAll) {
  // The connector's lines keep the colour the pane writes in now.
  QTextCursor cursor(FMemoLog->document());
  cursor.movePosition(QTextCursor::End);
  const QTextCharFormat format = cursor.charFormat();
  FMemoLog->setUpdatesEnabled(false);
  struct TResume {
    TfrmMain* Form;
    ~TResume() {
      Form->FMemoLog->setUpdatesEnabled(true);
      Form->ScrollLogToEnd();
    }
  } resume{this};
  if (replaceAll) {
    FMemoLog->clear();
    FLineCount = 0;
    cursor = QTextCursor(FMemoLog->document());
  }
  for (const std::string& line : lines) {
    cursor.movePosition(QTextCursor::End);
    if (FLineCount > 0) cursor.insertBlock();
    cursor.insertText(Q(line), format);
    ++FLineCount;
  }
}

bool TfrmMain::ShowRestOfConnectorLog(const std::string& logPath) {
  FLogClock->stop();
  std::unique_ptr<TConnectorLogFollower> follower = std::move(FLogFollower);
  if (!follower || follower->Path() != logPath) return false;
  const std::vector<std::string> rest = follower->RestOfLines();
  if (!follower->SawRunStart()) return false;
  if (!rest.empty()) ShowConnectorLines(rest, false);
  return true;
}

void TfrmMain::RunConsoleInThread(const std::string& cmdLine, std::shared_ptr<TConnectorLock> lock,
                                  TRunFinishedProc onFinished) {
  // The day's log is followed into the pane while the connector works.
  FLogFollower =
      std::make_unique<TConnectorLogFollower>(ConnectorLogPath(CommandConfig(), Today()));
  FLogClock->start();
  StartConsoleThread(cmdLine, std::move(lock), FRunChannel,
                     [this, onFinished = std::move(onFinished)](const TRunResult& result) {
                       RunEndStep(*this, onFinished, result.ExitCode, result.ErrMsg);
                     });
}

// ---- Closing and minimising ----

void TfrmMain::HideWindow() {
  // Without a notification area a hidden window could not be brought back:
  // there it becomes an ordinary minimised window.
  if (!FTrayAvailable) {
    if (!isMinimized()) showMinimized();
    return;
  }
  if (ITrayController* tray = Tray())
    tray->HideMainWindow();
  else
    hide();
}

void TfrmMain::SysCommandMinimize() {
  if (!FTrayAvailable) return;  // stays minimised (see HideWindow)
  if (isMinimized()) setWindowState(windowState() & ~Qt::WindowMinimized);
  HideWindow();
}

void RequestOperatorQuit() {
  if (TfrmMain* w = frmMain())
    w->OperatorQuit();
  else
    RequestTerminate();
}

void TfrmMain::OperatorQuit() {
  if (!FCommandRunning || FQuitAfterRun) {
    RequestTerminate();
    return;
  }
  const TModalResult answer = MessageDlg(
      "Konektor KSeF jeszcze pracuje (" + RunStatus() +
          ").\r\rPoczekać na koniec jego pracy i zapis numerów KSeF w Stelmarze, a potem "
          "zakończyć program?\r\rTak: program zakończy się sam po zapisie numerów.\rNie: "
          "program zakończy się od razu, a numery KSeF zostaną zapisane przy następnym \"Odbierz "
          "z KSEF\".",
      TMsgDlgType::mtConfirmation, {TMsgDlgBtn::mbYes, TMsgDlgBtn::mbNo}, TMsgDlgBtn::mbYes);
  if (answer == TModalResult::mrNo || !FCommandRunning) {
    if (FCommandRunning)
      InfoLog(
          "Program zakończono w trakcie pracy konektora KSeF; numery KSeF zostaną zapisane "
          "w Stelmarze przy następnym \"Odbierz z KSEF\"",
          llWarn);
    RequestTerminate();
    return;
  }
  FQuitAfterRun = true;
  InfoLog("Program zakończy się po zakończeniu pracy konektora KSeF i zapisie numerów", llInfo);
  HideWindow();
}

void TfrmMain::SysCommandClose() {
  const TModalResult answer =
      MessageDlg("Czy na pewno chcesz zamknąć aplikację?", TMsgDlgType::mtConfirmation,
                 {TMsgDlgBtn::mbYes, TMsgDlgBtn::mbNo, TMsgDlgBtn::mbCancel}, TMsgDlgBtn::mbNo);
  if (answer == TModalResult::mrYes)
    OperatorQuit();
  else if (answer == TModalResult::mrNo)
    HideWindow();
}

void TfrmMain::closeEvent(QCloseEvent* event) {
  // Once the program ends, the application's quit closes its windows and
  // must not be refused.
  if (TerminateRequested()) {
    event->accept();
    return;
  }
  // Otherwise the window is never closed: the operator's close (title bar,
  // Alt+F4) asks, any other close only hides it.
  event->ignore();
  if (event->spontaneous())
    SysCommandClose();
  else
    HideWindow();
}

void TfrmMain::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() != QEvent::WindowStateChange || FHandlingMinimize) return;
  if (FTrayAvailable && isMinimized()) {
    FHandlingMinimize = true;
    SysCommandMinimize();
    FHandlingMinimize = false;
  }
}

}  // namespace brenvik
