#pragma once
// What every benchmark prints beside its figure: the floor, the same bytes
// read the simplest way in the same run, and the ratio of the two.
#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

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

// Reads every file whole into memory, once; returns the bytes read.
inline long long ReadFilesOnce(const std::vector<std::string>& paths) {
  long long total = 0;
  for (const std::string& p : paths) {
    std::ifstream in(p, std::ios::binary | std::ios::ate);
    std::string bytes(static_cast<size_t>(in.tellg()), '\0');
    in.seekg(0);
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    total += in.gcount();
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

// Large blocks come fresh from the system each time, as in a program that
// runs once: without this the allocator keeps freed blocks and later runs
// skip the cost of the memory's first touch.
inline void FreshMemoryForLargeBlocks() { mallopt(M_MMAP_THRESHOLD, 256 * 1024); }

inline void PrintWithFloor(const char* what, double ms, double floorMs) {
  std::printf("%-44s %9.1f ms   floor %8.1f ms   ratio %6.2f\n", what, ms, floorMs, ms / floorMs);
}

}  // namespace brenvik::bench
