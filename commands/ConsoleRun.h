#pragma once
// One connector run on a worker thread of its own: the worker only starts the
// program and waits for it; its end step is queued to the main thread, and
// only while the owner of the run (the window) still exists.
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "commands/ConnectorLock.h"

namespace brenvik {

struct TRunResult {
  int ExitCode = -1;
  std::string ErrMsg;
};

// Starts the program and waits for it; a failure leaves -1 and its message.
// The program inherits the lock, when given, and holds it while it runs.
TRunResult RunConsole(const std::string& cmdLine, const TConnectorLock* lock = nullptr) noexcept;

// Queues a step to the main thread without waiting for it (the window
// program's event loop provides it).
using TPostToMainThread = std::function<void(std::function<void()> step)>;

// The link between the runs of an owner and the main thread. The owner
// closes it when it goes; an end step queued or posted after that is dropped.
class TRunChannel : public std::enable_shared_from_this<TRunChannel> {
public:
  explicit TRunChannel(TPostToMainThread postToMainThread);
  void Close();
  bool IsOpen() const;
  // From any thread: queues the step to the main thread while the channel is
  // open; the step runs only if the channel is still open then.
  void Post(std::function<void()> step);

private:
  const TPostToMainThread FPostToMainThread;
  mutable std::mutex FLock;
  bool FOpen = true;
};

// Starts the worker thread of one run, detached (it ends by itself); the end
// step gets the result on the main thread. The worker holds the lock until
// the program has ended. Raises EOSError when no thread can be started.
void StartConsoleThread(const std::string& cmdLine, std::shared_ptr<TConnectorLock> lock,
                        std::shared_ptr<TRunChannel> channel,
                        std::function<void(const TRunResult&)> endStep);

}  // namespace brenvik
