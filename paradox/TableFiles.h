#pragma once
// File-level services of the table engine: finding a table's files with the
// letter case ignored, one owner per descriptor, and the operating-system
// lock that keeps two writers of this program apart.
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace brenvik {

// FOLDER + NAME when a file of that name exists (ASCII letter case ignored),
// else empty. FOLDER may be empty for the current folder.
std::string FindFileIgnoringCase(const std::string& folder, const std::string& name);
// The files beside BASE (a path without extension) whose extension passes the
// test; the name part is compared ignoring ASCII letter case.
std::vector<std::string> FindSiblingFiles(const std::string& basePath,
                                          bool (*extensionTest)(const std::string& upperExt));
// The ".db" file of a table name (folder + name, with or without ".db"), or empty.
std::string FindTableFile(const std::string& tableName);
// The existence test of a table name with ".db" appended.
bool TableFileExists(const std::string& tableName);

// A POSIX file descriptor with one owner.
class TFileHandle {
public:
  TFileHandle() = default;
  explicit TFileHandle(int fd) : FFd(fd) {}
  ~TFileHandle();
  TFileHandle(TFileHandle&& other) noexcept : FFd(other.Release()) {}
  TFileHandle& operator=(TFileHandle&& other) noexcept;
  TFileHandle(const TFileHandle&) = delete;
  TFileHandle& operator=(const TFileHandle&) = delete;
  int Fd() const { return FFd; }
  bool Valid() const { return FFd >= 0; }
  int Release() {
    const int fd = FFd;
    FFd = -1;
    return fd;
  }
  void Reset();

private:
  int FFd = -1;
};

// Memory for the bytes of a file, with one owner. A block of many megabytes
// asks the system for large pages where it has them: the first touch of
// small pages would cost more than reading the file.
class TFileBuffer {
public:
  TFileBuffer() = default;
  explicit TFileBuffer(size_t size);
  ~TFileBuffer();
  TFileBuffer(TFileBuffer&& other) noexcept { *this = std::move(other); }
  TFileBuffer& operator=(TFileBuffer&& other) noexcept;
  TFileBuffer(const TFileBuffer&) = delete;
  TFileBuffer& operator=(const TFileBuffer&) = delete;
  unsigned char* Data() const { return FData; }
  size_t Size() const { return FSize; }

private:
  void Free();
  unsigned char* FData = nullptr;
  size_t FSize = 0;
  void* FMapped = nullptr;  // the mapping behind FData, when not from the heap
  size_t FMappedSize = 0;
};

// Reads exactly COUNT bytes at OFFSET; false on a short read or an error.
bool ReadExact(int fd, long long offset, void* buffer, size_t count);
bool WriteExact(int fd, long long offset, const void* buffer, size_t count);
long long FileSizeOfFd(int fd);
// Copies the first SIZE bytes of FROM to the same places in TO.
bool CopyExact(int from, int to, long long size);

// An exclusive fcntl lock on a whole file for the life of the object. The
// lock is advisory: it orders writers that ask for it, which is all copies
// of this program.
class TExclusiveFileLock {
public:
  // Waits up to TIMEOUTMS; Locked() tells whether the lock was taken.
  TExclusiveFileLock(int fd, int timeoutMs);
  ~TExclusiveFileLock();
  TExclusiveFileLock(const TExclusiveFileLock&) = delete;
  TExclusiveFileLock& operator=(const TExclusiveFileLock&) = delete;
  bool Locked() const { return FLocked; }

private:
  int FFd;
  bool FLocked = false;
};

}  // namespace brenvik
