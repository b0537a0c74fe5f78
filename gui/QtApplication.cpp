#include "gui/QtApplication.h"

#include <sys/socket.h>
#include <unistd.h>

#include <csignal>
#include <exception>

#include <QLibraryInfo>
#include <QLocale>
#include <QMetaObject>
#include <QSocketNotifier>

#include "support/ErrorHandling.h"
#include "support/Logger.h"

namespace brenvik {
namespace {

int gSignalPipe[2] = {-1, -1};

void OnSignal(int) {
  const char byte = 1;
  [[maybe_unused]] ssize_t n = ::write(gSignalPipe[1], &byte, 1);
}

}  // namespace

TQtApplication::TQtApplication(int& argc, char** argv) : QApplication(argc, argv) {
  const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
  if (FQtTexts.load(QLocale(QLocale::Polish, QLocale::Poland), "qtbase", "_", folder))
    installTranslator(&FQtTexts);
  else
    TLogger::Log(llWarn, "Brak polskich tłumaczeń Qt w folderze " + folder.toStdString() +
                             " (pakiet qt6-translations-l10n): teksty Qt będą po angielsku");
}

bool TQtApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    DispatchUnhandledException(receiver, std::current_exception());
  }
  return false;
}

void PostToMainThread(std::function<void()> step) {
  QMetaObject::invokeMethod(
      qApp,
      [step = std::move(step)] {
        try {
          step();
        } catch (...) {
          DispatchUnhandledException(qApp, std::current_exception());
        }
      },
      Qt::QueuedConnection);
}

void InstallTerminationSignals() {
  if (gSignalPipe[0] >= 0) return;
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, gSignalPipe) != 0) return;
  auto* notifier = new QSocketNotifier(gSignalPipe[0], QSocketNotifier::Read, qApp);
  QObject::connect(notifier, &QSocketNotifier::activated, qApp, [] {
    char byte;
    [[maybe_unused]] ssize_t n = ::read(gSignalPipe[0], &byte, 1);
    RequestTerminate();
  });
  struct sigaction sa {};
  sa.sa_handler = OnSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  ::sigaction(SIGTERM, &sa, nullptr);
  ::sigaction(SIGINT, &sa, nullptr);
}

}  // namespace brenvik
