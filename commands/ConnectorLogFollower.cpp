#include "commands/ConnectorLogFollower.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "support/KsefContract.h"

namespace brenvik {

namespace {

constexpr long long MostPerCall = 1 << 20;

long long SizeOf(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? static_cast<long long>(st.st_size) : -1;
}

}  // namespace

TConnectorLogFollower::TConnectorLogFollower(std::string path)
    : FPath(std::move(path)), FOffset(std::max(0LL, SizeOf(FPath))) {}

std::vector<std::string> TConnectorLogFollower::NewLines() { return Take(false); }

std::vector<std::string> TConnectorLogFollower::RestOfLines() {
  std::vector<std::string> lines;
  for (;;) {  // a log that grew by megabytes is read to its end
    const long long before = FOffset;
    std::vector<std::string> more = Take(false);
    lines.insert(lines.end(), more.begin(), more.end());
    if (FOffset == before) break;
  }
  std::vector<std::string> last = Take(true);
  lines.insert(lines.end(), last.begin(), last.end());
  return lines;
}

std::vector<std::string> TConnectorLogFollower::Take(bool atEnd) {
  const long long size = SizeOf(FPath);
  if (size >= 0 && size < FOffset) {  // the file was replaced: read the new one from its start
    FOffset = 0;
    FPartial.clear();
  }
  if (size > FOffset) {
    const int fd = ::open(FPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
      std::string chunk(static_cast<size_t>(std::min(size - FOffset, MostPerCall)), '\0');
      const ssize_t n = ::pread(fd, chunk.data(), chunk.size(), static_cast<off_t>(FOffset));
      ::close(fd);
      if (n > 0) {
        if (FOffset == 0 && chunk.rfind("\xEF\xBB\xBF", 0) == 0) chunk.erase(0, 3);
        FOffset += n;
        FPartial.append(chunk, 0, std::min(chunk.size(), static_cast<size_t>(n)));
      }
    }
  }
  std::vector<std::string> lines;
  size_t from = 0;
  for (;;) {
    const size_t end = FPartial.find_first_of("\r\n", from);
    // A "\r" at the very end may be the first half of "\r\n": it waits.
    if (end == std::string::npos || (!atEnd && FPartial[end] == '\r' && end + 1 == FPartial.size()))
      break;
    lines.push_back(FPartial.substr(from, end - from));
    from =
        end +
        (FPartial[end] == '\r' && end + 1 < FPartial.size() && FPartial[end + 1] == '\n' ? 2 : 1);
  }
  FPartial.erase(0, from);
  if (atEnd && !FPartial.empty()) {
    lines.push_back(FPartial);
    FPartial.clear();
  }
  std::vector<std::string> shown;
  for (std::string& line : lines) {
    FStarted = FStarted || line.find(ksef::RunStartMarker) != std::string::npos;
    if (FStarted) shown.push_back(std::move(line));
  }
  return shown;
}

}  // namespace brenvik
