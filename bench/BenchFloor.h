#pragma once
// What every benchmark prints beside its figure: the floor, the same bytes
// read the simplest way in the same run, and the ratio of the two.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "paradox/TableFiles.h"

namespace brenvik::bench {

using Clock = std::chrono::steady_clock;

inline double Ms(Clock::time_point from) {
  return std::chrono::duration<double, std::milli>(Clock::now() - from).count();
}

// The fastest of RUNS timings of WORK, in milliseconds (the others carry the
// machine's noise). PREPARE runs before each timing, untimed.
inline double FastestMs(int runs, const std::function<void()>& work,
                        const std::function<void()>& prepare = {}) {
  double best = 1e300;
  for (int i = 0; i < runs; ++i) {
    if (prepare) prepare();
    const auto t0 = Clock::now();
    work();
    best = std::min(best, Ms(t0));
  }
  return best;
}

// The floor: every file read once into memory of its size, as a program that
// needs the bytes must. The memory is fresh from the system each time, as in
// a program that runs once. Returns the bytes read.
inline long long ReadFilesOnce(const std::vector<std::string>& paths) {
  long long total = 0;
  for (const std::string& p : paths) {
    const int fd = ::open(p.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0) std::abort();
    const size_t size = static_cast<size_t>(st.st_size) + 1;
    void* m = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (m == MAP_FAILED) std::abort();
    size_t done = 0;
    for (ssize_t n; (n = ::read(fd, static_cast<char*>(m) + done, size - done)) > 0;)
      done += static_cast<size_t>(n);
    total += static_cast<long long>(done);
    ::munmap(m, size);
    ::close(fd);
  }
  return total;
}

// A table file copied whole and forced to disk, as the engine copies a
// table before its first write into it.
inline void CopyToDisk(const std::string& from, const std::string& to) {
  TFileHandle in(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
  TFileHandle out(::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
  if (!CopyExact(in.Fd(), out.Fd(), FileSizeOfFd(in.Fd())) || ::fsync(out.Fd()) != 0) std::abort();
}

// The bytes alone, as cat reads them: one buffer of 1 MB for all the files.
inline long long StreamFilesOnce(const std::vector<std::string>& paths) {
  static std::vector<char> buffer(1 << 20);
  long long total = 0;
  for (const std::string& p : paths) {
    const int fd = ::open(p.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) std::abort();
    for (ssize_t n; (n = ::read(fd, buffer.data(), buffer.size())) > 0;) total += n;
    ::close(fd);
  }
  return total;
}

// The process's resident memory now, in kilobytes.
inline long long ResidentKb() {
  std::ifstream in("/proc/self/statm");
  long long pages = 0, resident = 0;
  in >> pages >> resident;
  return resident * 4;
}

inline void PrintWithFloor(const char* what, double ms, double floorMs) {
  std::printf("%-44s %9.1f ms   floor %8.1f ms   ratio %6.2f\n", what, ms, floorMs, ms / floorMs);
}

}  // namespace brenvik::bench
