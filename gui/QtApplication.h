#pragma once
// The Qt application object: an error that escapes an event handler reaches
// the exception hook instead of ending the process; queued main-thread steps
// get the same treatment.
#include <functional>

#include <QApplication>

namespace brenvik {

class TQtApplication : public QApplication {
public:
  TQtApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
};

// Queues a step to the main thread without waiting for it; an error it
// raises goes to the exception hook.
void PostToMainThread(std::function<void()> step);

// SIGTERM and SIGINT request termination like the tray's exit item.
void InstallTerminationSignals();

}  // namespace brenvik
