#include "commands/ConsoleRun.h"

#include <system_error>
#include <thread>

#include "commands/ProcessRun.h"

namespace brenvik {

TRunResult RunConsole(const std::string& cmdLine, const TConnectorLock* lock) noexcept {
  TRunResult result;
  try {
    result.ExitCode = RunProcessAndWait(cmdLine, lock ? lock->Fd() : -1);
  } catch (const std::exception& e) {
    result.ExitCode = -1;
    result.ErrMsg = e.what();
  } catch (...) {
    result.ExitCode = -1;
    result.ErrMsg = "Nieznany błąd uruchomienia programu";
  }
  return result;
}

TRunChannel::TRunChannel(TPostToMainThread postToMainThread)
    : FPostToMainThread(std::move(postToMainThread)) {}

void TRunChannel::Close() {
  std::lock_guard<std::mutex> guard(FLock);
  FOpen = false;
}

bool TRunChannel::IsOpen() const {
  std::lock_guard<std::mutex> guard(FLock);
  return FOpen;
}

void TRunChannel::Post(std::function<void()> step) {
  // Held while posting: the owner, and with it the application object that
  // receives the step, cannot go in between.
  std::lock_guard<std::mutex> guard(FLock);
  if (!FOpen) return;
  FPostToMainThread([self = shared_from_this(), step = std::move(step)] {
    if (self->IsOpen()) step();
  });
}

void StartConsoleThread(const std::string& cmdLine, std::shared_ptr<TConnectorLock> lock,
                        std::shared_ptr<TRunChannel> channel,
                        std::function<void(const TRunResult&)> endStep) {
  try {
    std::thread([cmdLine, lock = std::move(lock), channel = std::move(channel),
                 endStep = std::move(endStep)]() mutable {
      const TRunResult result = RunConsole(cmdLine, lock.get());
      lock.reset();
      channel->Post([endStep, result] { endStep(result); });
    }).detach();
  } catch (const std::system_error& e) {
    throw EOSError(std::string("Nie można uruchomić wątku połączenia z KSeF: ") + e.what());
  }
}

}  // namespace brenvik
