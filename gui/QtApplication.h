#pragma once
// The Qt application object: Qt's own texts in Polish; an error that
// escapes an event handler reaches the exception hook instead of ending the
// process; queued main-thread steps get the same treatment.
#include <functional>

#include <QApplication>
#include <QTranslator>

namespace brenvik {

class TQtApplication : public QApplication {
public:
  TQtApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;

private:
  // Qt's own texts (context menus, standard buttons) in Polish, from the
  // system's Qt translations; English stays when they are not installed.
  QTranslator FQtTexts;
};

// Queues a step to the main thread without waiting for it; an error it
// raises goes to the exception hook.
void PostToMainThread(std::function<void()> step);

// SIGTERM and SIGINT request termination like the tray's exit item.
void InstallTerminationSignals();

}  // namespace brenvik
