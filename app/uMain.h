#pragma once
// The program's one window: the log pane and the two operator commands.
#include <QWidget>

#include "uOperatorLog.h"
#include "uPlatform.h"

class QTextEdit;
class QPushButton;

namespace brenvik {

class TfrmMain : public QWidget, public IOperatorLog {
  Q_OBJECT
public:
  explicit TfrmMain(QWidget* parent = nullptr);
  ~TfrmMain() override;

  std::string InfoLog(const std::string& s, TLogLevel level);
  void AddLogLine(const std::string& paneLine, TLogLevel level) override;

  QTextEdit* MemoLog = nullptr;
  QPushButton* btnSendToKSEF = nullptr;
  QPushButton* btnReceiveFromKSEF = nullptr;

private:
  TNamedMutex FExportMutex;
};

// The main window, set when it is created.
TfrmMain* frmMain();

}  // namespace brenvik
