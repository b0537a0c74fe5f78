#include "paradox/TableFiles.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <chrono>
#include <filesystem>
#include <system_error>
#include <thread>
#include <type_traits>
#include <vector>

#include "support/Paths.h"
#include "support/TextCodec.h"

namespace brenvik {

namespace fs = std::filesystem;

std::string FindFileIgnoringCase(const std::string& folder, const std::string& name) {
  const std::string dir = folder.empty() ? std::string(".") : folder;
  std::error_code ec;
  if (!fs::is_directory(dir, ec)) return {};
  const std::string exact = folder.empty() ? name : IncludeTrailingPathDelimiter(folder) + name;
  if (fs::is_regular_file(exact, ec)) return exact;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string entry = it->path().filename().string();
    if (SameTextAscii(entry, name) && it->is_regular_file(ec))
      return folder.empty() ? entry : IncludeTrailingPathDelimiter(folder) + entry;
  }
  return {};
}

std::vector<std::string> FindSiblingFiles(const std::string& basePath,
                                          bool (*extensionTest)(const std::string& upperExt)) {
  std::vector<std::string> result;
  const std::string folder = ExtractFilePath(basePath);
  const std::string bare = ExtractFileName(basePath);
  const std::string dir = folder.empty() ? std::string(".") : folder;
  std::error_code ec;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string entry = it->path().filename().string();
    const size_t dot = entry.rfind('.');
    if (dot == std::string::npos) continue;
    if (!SameTextAscii(entry.substr(0, dot), bare)) continue;
    if (extensionTest(AsciiUpper(entry.substr(dot)))) result.push_back(folder + entry);
  }
  return result;
}

std::string FindTableFile(const std::string& tableName) {
  std::string name = ExtractFileName(tableName);
  if (!SameTextAscii(ExtractFileExt(name), ".db")) name += ".db";
  return FindFileIgnoringCase(ExtractFilePath(tableName), name);
}

bool TableFileExists(const std::string& tableName) {
  return !FindFileIgnoringCase(ExtractFilePath(tableName), ExtractFileName(tableName) + ".db")
              .empty();
}

TFileHandle::~TFileHandle() { Reset(); }

TFileHandle& TFileHandle::operator=(TFileHandle&& other) noexcept {
  if (this != &other) {
    Reset();
    FFd = other.Release();
  }
  return *this;
}

void TFileHandle::Reset() {
  if (FFd >= 0) ::close(FFd);
  FFd = -1;
}

namespace {

constexpr size_t LargePage = size_t{2} << 20;

}  // namespace

TFileBuffer::TFileBuffer(size_t size) : FSize(size) {
#ifdef __linux__
  if (size >= 2 * LargePage) {
    // Mapped with room to start on a large page; only whole large pages are
    // asked for, so the memory in use stays within the size of the file.
    const size_t mapped = size + LargePage;
    void* m = ::mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (m != MAP_FAILED) {
      FMapped = m;
      FMappedSize = mapped;
      const auto at = (reinterpret_cast<std::uintptr_t>(m) + LargePage - 1) & ~(LargePage - 1);
      FData = reinterpret_cast<unsigned char*>(at);
      ::madvise(FData, size & ~(LargePage - 1), MADV_HUGEPAGE);
      return;
    }
  }
#endif
  FData = new unsigned char[size ? size : 1];
}

TFileBuffer::~TFileBuffer() { Free(); }

TFileBuffer& TFileBuffer::operator=(TFileBuffer&& other) noexcept {
  if (this != &other) {
    Free();
    FData = std::exchange(other.FData, nullptr);
    FSize = std::exchange(other.FSize, 0);
    FMapped = std::exchange(other.FMapped, nullptr);
    FMappedSize = std::exchange(other.FMappedSize, 0);
  }
  return *this;
}

void TFileBuffer::Free() {
#ifdef __linux__
  if (FMapped) ::munmap(FMapped, FMappedSize);
#endif
  if (!FMapped) delete[] FData;
  FData = nullptr;
  FMapped = nullptr;
  FSize = FMappedSize = 0;
}

namespace {

// Repeats a positioned read or write until all of count is done; a short
// transfer goes on from where it stopped, an interrupted one is retried.
template <typename Buffer, typename Transfer>
bool TransferExact(int fd, long long offset, Buffer* buffer, size_t count, Transfer transfer) {
  auto* p = static_cast<std::conditional_t<std::is_const_v<Buffer>, const char, char>*>(buffer);
  while (count > 0) {
    const ssize_t n = transfer(fd, p, count, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    offset += n;
    count -= static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

bool ReadExact(int fd, long long offset, void* buffer, size_t count) {
  return TransferExact(fd, offset, buffer, count, ::pread);
}

bool WriteExact(int fd, long long offset, const void* buffer, size_t count) {
  return TransferExact(fd, offset, buffer, count, ::pwrite);
}

bool CopyExact(int from, int to, long long size) {
  long long done = 0;
#ifdef __linux__
  // The kernel copies between the files without passing the bytes through here.
  while (done < size) {
    loff_t in = done, out = done;
    const ssize_t n = ::copy_file_range(from, &in, to, &out, static_cast<size_t>(size - done), 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;  // not supported between these files: copied below
    done += n;
  }
#endif
  std::vector<char> buffer(1 << 20);
  while (done < size) {
    const size_t n = static_cast<size_t>(std::min<long long>(size - done, 1 << 20));
    if (!ReadExact(from, done, buffer.data(), n) || !WriteExact(to, done, buffer.data(), n))
      return false;
    done += static_cast<long long>(n);
  }
  return true;
}

long long FileSizeOfFd(int fd) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) return -1;
  return static_cast<long long>(st.st_size);
}

TExclusiveFileLock::TExclusiveFileLock(int fd, int timeoutMs) : FFd(fd) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    struct flock fl {};
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = 0;
    fl.l_len = 0;  // the whole file
    if (::fcntl(FFd, F_SETLK, &fl) == 0) {
      FLocked = true;
      return;
    }
    if (errno != EACCES && errno != EAGAIN && errno != EINTR) return;
    if (std::chrono::steady_clock::now() >= deadline) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

TExclusiveFileLock::~TExclusiveFileLock() {
  if (!FLocked) return;
  struct flock fl {};
  fl.l_type = F_UNLCK;
  fl.l_whence = SEEK_SET;
  ::fcntl(FFd, F_SETLK, &fl);
}

}  // namespace brenvik
