#include "support/DurableFile.h"
#include "support/SystemErrors.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "support/Errors.h"
#include "support/Paths.h"

namespace brenvik {
namespace {

std::string Reason() { return SystemErrorText(errno); }

// The temporary file is removed unless it was renamed into place.
struct TBesideFile {
  std::string Path;
  int Fd = -1;
  bool Placed = false;
  ~TBesideFile() {
    if (Fd >= 0) ::close(Fd);
    if (!Placed) std::remove(Path.c_str());
  }
};

}  // namespace

void SyncFolder(const std::string& folder) {
  const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) throw EInOutError("Nie można otworzyć folderu " + folder + ": " + Reason());
  const bool synced = ::fsync(fd) == 0;
  const std::string why = synced ? std::string() : Reason();
  ::close(fd);
  if (!synced) throw EInOutError("Nie można zapisać na dysku folderu " + folder + ": " + why);
}

void WriteFileDurably(const std::string& path, const std::string& bytes) {
  TBesideFile temp{path + ".tmp~"};
  temp.Fd = ::open(temp.Path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (temp.Fd < 0) throw EInOutError("Nie można utworzyć pliku " + temp.Path + ": " + Reason());
  for (size_t done = 0; done < bytes.size();) {
    const ssize_t n = ::write(temp.Fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw EInOutError("Nie można zapisać pliku " + temp.Path + ": " + Reason());
    done += static_cast<size_t>(n);
  }
  if (::fsync(temp.Fd) != 0)
    throw EInOutError("Nie można zapisać na dysku pliku " + temp.Path + ": " + Reason());
  ::close(temp.Fd);
  temp.Fd = -1;
  if (std::rename(temp.Path.c_str(), path.c_str()) != 0)
    throw EInOutError("Nie można zmienić nazwy pliku " + temp.Path + " na " + path + ": " +
                      Reason());
  temp.Placed = true;
  SyncFolder(ExtractFilePath(path));
}

}  // namespace brenvik
