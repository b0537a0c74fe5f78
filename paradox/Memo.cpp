#include "paradox/Memo.h"

#include <fcntl.h>
#include <unistd.h>

#include <vector>

#include "support/Errors.h"

namespace brenvik {

namespace {
constexpr std::uint32_t MaxBlobLength = 64u * 1024u * 1024u;

std::uint32_t Le32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
}  // namespace

TPxBlobReader::TPxBlobReader(const std::string& path) : FPath(path) {
  if (path.empty()) return;
  FFile = TFileHandle(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (FFile.Valid()) FSize = FileSizeOfFd(FFile.Fd());
}

std::string TPxBlobReader::Read(const TPxBlobRef& ref, std::string_view leading,
                                const std::string& what) const {
  if (ref.Length <= leading.size()) return std::string(leading.substr(0, ref.Length));
  if (!FFile.Valid()) throw EDatabaseError("Brak pliku notatek (.MB) dla " + what);
  auto damaged = [&]() {
    return EDatabaseError("Notatka " + what + " jest uszkodzona w pliku " + FPath);
  };
  if (ref.Length > MaxBlobLength) throw damaged();
  const long long block = ref.Offset & 0xFFFFFF00u;
  const unsigned slot = ref.Offset & 0xFFu;
  if (block == 0 || block + PxBlobBlockSize > FSize) throw damaged();
  unsigned char head[12 + 64 * 5];
  if (!ReadExact(FFile.Fd(), block, head, sizeof head)) throw damaged();
  long long dataPos;
  if (slot == 0xFF) {
    if (head[0] != 2 || Le32(head + 3) != ref.Length) throw damaged();
    dataPos = block + 9;
  } else {
    if (head[0] != 3 || slot >= 64) throw damaged();
    const unsigned char* e = head + 12 + 5 * slot;
    if (e[0] == 0 || static_cast<std::uint32_t>(e[1]) * 16u < ref.Length) throw damaged();
    dataPos = block + static_cast<long long>(e[0]) * 16;
  }
  if (dataPos + ref.Length > FSize) throw damaged();
  std::string data(ref.Length, '\0');
  if (!ReadExact(FFile.Fd(), dataPos, data.data(), data.size())) throw damaged();
  return data;
}

TPxBlobWriter::TPxBlobWriter(const std::string& path) : FPath(path) {
  FFile = TFileHandle(::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
  if (!FFile.Valid()) throw EFOpenError("Nie można utworzyć pliku " + path);
  std::vector<unsigned char> header(PxBlobBlockSize, 0);
  header[0] = 0;  // header block
  header[1] = 1;  // one block long
  if (!WriteExact(FFile.Fd(), 0, header.data(), header.size()))
    throw EInOutError("Błąd zapisu pliku " + path);
  FBlocks = 1;
}

TPxBlobWriter::~TPxBlobWriter() = default;

TPxBlobRef TPxBlobWriter::Append(std::string_view bytes) {
  const std::uint32_t total = static_cast<std::uint32_t>(bytes.size()) + 9;
  const std::uint32_t count = (total + PxBlobBlockSize - 1) / PxBlobBlockSize;
  std::vector<unsigned char> buf(static_cast<size_t>(count) * PxBlobBlockSize, 0);
  buf[0] = 2;  // a block of its own
  buf[1] = static_cast<unsigned char>(count);
  buf[2] = static_cast<unsigned char>(count >> 8);
  const auto len = static_cast<std::uint32_t>(bytes.size());
  for (int i = 0; i < 4; ++i) buf[3 + i] = static_cast<unsigned char>(len >> (8 * i));
  buf[7] = 1;  // modification number
  std::copy(bytes.begin(), bytes.end(), buf.begin() + 9);
  const long long pos = static_cast<long long>(FBlocks) * PxBlobBlockSize;
  if (!WriteExact(FFile.Fd(), pos, buf.data(), buf.size()))
    throw EInOutError("Błąd zapisu pliku " + FPath);
  FBlocks += count;
  TPxBlobRef ref;
  ref.Offset = static_cast<std::uint32_t>(pos) | 0xFFu;
  ref.Length = len;
  ref.ModNr = 1;
  return ref;
}

void TPxBlobWriter::Close() {
  if (!FFile.Valid()) return;
  if (::fsync(FFile.Fd()) != 0 || ::close(FFile.Release()) != 0)
    throw EInOutError("Błąd zapisu pliku " + FPath);
}

}  // namespace brenvik
