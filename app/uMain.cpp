#include "uMain.h"

#include <QPushButton>
#include <QTextEdit>

#include "uApp.h"
#include "uDialogs.h"

namespace brenvik {
namespace {
TfrmMain* gMainForm = nullptr;
}

TfrmMain* frmMain() { return gMainForm; }

TfrmMain::TfrmMain(QWidget* parent) : QWidget(parent) {
  gMainForm = this;
  setWindowTitle(QString::fromUtf8(AppDisplayName));
  MemoLog = new QTextEdit(this);
  MemoLog->setReadOnly(true);
  MemoLog->setGeometry(16, 16, 1015, 321);
  btnSendToKSEF = new QPushButton(QString::fromUtf8("&Wyślij do KSEF"), this);
  btnSendToKSEF->setGeometry(32, 353, 110, 41);
  btnReceiveFromKSEF = new QPushButton(QString::fromUtf8("&Odbierz z KSEF"), this);
  btnReceiveFromKSEF->setGeometry(168, 353, 110, 41);
  resize(1050, 412);
  if (IsDebuggerAttached()) show(); else hide();
  FExportMutex.Create(AppName() + "_ORVA", false);
  SetOperatorLog(this);
  SetMainCaptionProvider([this] { return windowTitle().toStdString(); });
}

TfrmMain::~TfrmMain() {
  SetMainCaptionProvider(nullptr);
  SetOperatorLog(nullptr);
  if (gMainForm == this) gMainForm = nullptr;
}

std::string TfrmMain::InfoLog(const std::string& s, TLogLevel level) {
  return brenvik::InfoLog(s, level);
}

void TfrmMain::AddLogLine(const std::string& paneLine, TLogLevel) {
  MemoLog->append(QString::fromStdString(paneLine));
}

}  // namespace brenvik
