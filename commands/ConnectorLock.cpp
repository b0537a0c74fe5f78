#include "commands/ConnectorLock.h"
#include "support/SystemErrors.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "support/Paths.h"

namespace brenvik {

namespace {

// Beside the connector's folders, under a name no listing of them matches.
constexpr char LockFileName[] = "brenvik-konektor.lock";

}  // namespace

std::string ConnectorLockPath(const std::string& ksefDataDir) {
  return PathJoin(ksefDataDir, LockFileName);
}

std::shared_ptr<TConnectorLock> TConnectorLock::Take(const std::string& ksefDataDir) {
  const std::string path = ConnectorLockPath(ksefDataDir);
  // Read access is enough for the lock, so a file another user created serves too.
  int fd = -1;
  do {
    fd = ::open(path.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0)
    throw EInOutError("Nie można otworzyć pliku blokady konektora KSeF " + path + ": " +
                      SystemErrorText(errno));
  // An flock lock belongs to the open file, not to the process: the
  // connector's copy of the descriptor keeps it after this program ends.
  std::shared_ptr<TConnectorLock> lock(new TConnectorLock(fd));
  int rc = 0;
  do {
    rc = ::flock(fd, LOCK_EX | LOCK_NB);
  } while (rc != 0 && errno == EINTR);
  if (rc == 0) return lock;
  if (errno == EWOULDBLOCK)
    throw EConnectorBusy(
        "Poprzednie uruchomienie konektora KSeF jeszcze pracuje (blokada " + path +
        "); nowa wysyłka nie została rozpoczęta. Spróbuj ponownie po jego zakończeniu.");
  throw EInOutError("Nie można założyć blokady konektora KSeF " + path + ": " +
                    SystemErrorText(errno));
}

TConnectorLock::~TConnectorLock() { ::close(FFd); }

}  // namespace brenvik
