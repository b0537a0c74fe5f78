#include "paradox/DataFile.h"

#include <fcntl.h>
extern "C" {  // the library header declares no C linkage itself
#include <paradox.h>
}

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

#include "support/Errors.h"
#include "paradox/TableFiles.h"

namespace brenvik {

namespace {

std::uint16_t Le16(const unsigned char* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
std::uint32_t Le32(const unsigned char* p) {
  return static_cast<std::uint32_t>(Le16(p)) | (static_cast<std::uint32_t>(Le16(p + 2)) << 16);
}

EDatabaseError Damaged(const std::string& path, const std::string& why) {
  return EDatabaseError("Plik " + path + " nie jest poprawną tabelą Paradox: " + why);
}

// The parts of the header this program relies on, checked against the file size.
struct THeader {
  int RecordSize, HeaderSize, FileType, BlockSize, VersionId;
  std::uint32_t NumRecords;
  int FileBlocks, FirstBlock, NumFields;
};

// Encrypted data blocks cannot be checked or read; say so rather than
// "damaged". Before version 4.0 the password's key lies at 0x25; later
// versions keep the mark FF00FF00 there and the key at 0x5C. The library takes
// any other value at 0x25 for a key and then searches for the password
// without end, so such a header is refused too. H holds the header up to 0x78
// (only to 0x58 before version 4.0).
void RefuseEncrypted(const unsigned char* h, const std::string& path) {
  const std::uint32_t key = Le32(h + 0x25);
  const bool laterVersion = h[0x39] > 4;
  if (!laterVersion && key == 0) return;
  if (laterVersion && (key == 0 || key == 0xFF00FF00u) && Le32(h + 0x5C) == 0) return;
  throw EDatabaseError("Tabela w pliku " + path +
                       (laterVersion && Le32(h + 0x5C) == 0
                            ? " ma uszkodzony nagłówek albo jest zaszyfrowana hasłem"
                            : " jest zaszyfrowana hasłem") +
                       "; program nie czyta takich tabel");
}

// Paradox's own numbering of its file formats, by the version byte at 0x39.
int FileVersionOf(int versionId) {
  if (versionId == 3) return 30;
  if (versionId == 4) return 35;
  if (versionId <= 9) return 40;
  if (versionId <= 11) return 50;
  return 70;
}

// The bytes of the file this reader has: all of it, or only its header, the
// blocks' six-byte heads then read one by one.
class TFileBytes {
public:
  TFileBytes(int fd, long long size, std::string path)
      : FFd(fd), FSize(size), FPath(std::move(path)) {}
  long long Size() const { return FSize; }
  // Reads the first COUNT bytes (the whole file when COUNT is its size).
  void Load(size_t count) {
    FBytes = TFileBuffer(count);
    FHave = count;
    if (!ReadExact(FFd, 0, FBytes.Data(), count)) throw Damaged(FPath, "plik jest obcięty");
  }
  size_t Have() const { return FHave; }
  const unsigned char* At(size_t pos) const { return FBytes.Data() + pos; }
  // The six bytes of a block's head at POS, or null beyond the end of the file.
  const unsigned char* BlockHead(long long pos) {
    if (pos < 0 || pos + 6 > FSize) return nullptr;
    if (static_cast<unsigned long long>(pos) + 6 <= FHave) return At(static_cast<size_t>(pos));
    return ReadExact(FFd, pos, FHead, 6) ? FHead : nullptr;
  }
  TFileBuffer Take() { return std::move(FBytes); }

private:
  int FFd;
  long long FSize;
  std::string FPath;
  TFileBuffer FBytes;
  size_t FHave = 0;
  unsigned char FHead[6] = {};
};

void CheckHeader(TFileBytes& file, const std::string& path, TPxFileImage& img, bool walkChain) {
  const long long size = file.Size();
  if (size < 0x58) throw Damaged(path, "plik jest za krótki");
  const unsigned char* h = file.At(0);
  THeader r{};
  r.RecordSize = Le16(h + 0x00);
  r.HeaderSize = Le16(h + 0x02);
  r.FileType = h[0x04];
  r.BlockSize = h[0x05] * 1024;
  r.NumRecords = Le32(h + 0x06);
  r.FileBlocks = Le16(h + 0x0C);
  r.FirstBlock = Le16(h + 0x0E);
  r.NumFields = Le16(h + 0x21);
  r.VersionId = h[0x39];
  if (r.FileType != 0 && r.FileType != 2) throw Damaged(path, "to nie jest plik danych tabeli");
  if (r.RecordSize == 0 || r.NumFields == 0 || r.NumFields > 255 || h[0x05] == 0 || h[0x05] > 32 ||
      r.HeaderSize < 0x58 || r.HeaderSize > size || r.VersionId < 3 || r.VersionId > 12 ||
      file.Have() < static_cast<size_t>(r.HeaderSize))
    throw Damaged(path, "nagłówek jest uszkodzony");
  const int fieldInfo = r.VersionId <= 4 ? 0x58 : 0x78;
  if (fieldInfo == 0x78 && r.HeaderSize < 0x78) throw Damaged(path, "nagłówek jest uszkodzony");
  RefuseEncrypted(h, path);
  if (fieldInfo + 2 * r.NumFields > r.HeaderSize) throw Damaged(path, "nagłówek jest uszkodzony");
  int sum = 0;
  for (int i = 0; i < r.NumFields; ++i) {
    if (!IsKnownPxFieldType(h[fieldInfo + 2 * i])) throw Damaged(path, "nieznany typ pola");
    // A BCD field keeps its count of decimals where other types keep their length.
    sum += h[fieldInfo + 2 * i] == 0x17 ? 17 : h[fieldInfo + 2 * i + 1];
  }
  if (sum != r.RecordSize)
    throw Damaged(path, "definicje pól nie zgadzają się z długością rekordu");
  if (r.RecordSize > r.BlockSize - 6) throw Damaged(path, "nagłówek jest uszkodzony");
  if (static_cast<long long>(r.HeaderSize) + static_cast<long long>(r.FileBlocks) * r.BlockSize >
      size)
    throw Damaged(path, "plik jest obcięty");

  img.FileVersion = FileVersionOf(r.VersionId);
  img.FileType = r.FileType;
  img.HeaderCodePage = fieldInfo == 0x78 ? Le16(h + 0x6A) : 0;
  img.PrimaryKeyFields = Le16(h + 0x23);
  img.RecordSize = r.RecordSize;
  img.HeaderSize = r.HeaderSize;
  img.BlockSize = r.BlockSize;
  img.FileBlocks = r.FileBlocks;
  img.DeclaredCount = r.NumRecords;
  if (img.PrimaryKeyFields > r.NumFields) throw Damaged(path, "nagłówek jest uszkodzony");
  // After the field types: the table name's pointer and one per field, the
  // table name, then the field names, each ended by a zero byte.
  size_t at = static_cast<size_t>(fieldInfo + 2 * r.NumFields + 4 + 4 * r.NumFields) +
              (img.FileVersion >= 70 ? 261 : 79);
  int offset = 0;
  for (int i = 0; i < r.NumFields; ++i) {
    const unsigned char* end =
        at < static_cast<size_t>(r.HeaderSize)
            ? static_cast<const unsigned char*>(std::memchr(h + at, 0, r.HeaderSize - at))
            : nullptr;
    if (!end) throw Damaged(path, "nagłówek jest uszkodzony");
    TPxFieldDef def;
    def.Name.assign(reinterpret_cast<const char*>(h + at), static_cast<size_t>(end - (h + at)));
    const unsigned char type = h[fieldInfo + 2 * i];
    def.Type = static_cast<TPxFieldType>(type);
    def.Size = type == 0x17 ? 17 : h[fieldInfo + 2 * i + 1];
    def.Decimals = type == 0x17 ? h[fieldInfo + 2 * i + 1] : 0;
    def.Offset = offset;
    offset += def.Size;
    img.Fields.push_back(std::move(def));
    at = static_cast<size_t>(end - h) + 1;
  }

  // The chain of data blocks must stay inside the file, visit no block twice
  // and hold the count of records that the header declares.
  if (!walkChain) return;
  std::vector<bool> seen(static_cast<size_t>(r.FileBlocks) + 1, false);
  std::uint64_t records = 0;
  const int perBlock = (r.BlockSize - 6) / r.RecordSize;
  for (int b = r.NumRecords == 0 && r.FileBlocks == 0 ? 0 : r.FirstBlock; b != 0;) {
    if (b < 1 || b > r.FileBlocks || seen[static_cast<size_t>(b)])
      throw Damaged(path, "łańcuch bloków danych jest uszkodzony");
    seen[static_cast<size_t>(b)] = true;
    const long long pos = r.HeaderSize + static_cast<long long>(b - 1) * r.BlockSize;
    const unsigned char* bh = file.BlockHead(pos);
    if (!bh) throw Damaged(path, "plik jest obcięty");
    const int add = static_cast<std::int16_t>(Le16(bh + 4));
    const int n = add < 0 ? 0 : add / r.RecordSize + 1;
    if (n > perBlock || (add >= 0 && add % r.RecordSize != 0))
      throw Damaged(path, "blok danych jest uszkodzony");
    if (n > 0) img.Blocks.push_back({static_cast<size_t>(records), pos + 6});
    records += static_cast<std::uint64_t>(n);
    b = Le16(bh);
  }
  if (records != r.NumRecords)
    throw Damaged(path, "liczba rekordów w nagłówku nie zgadza się z blokami danych");
  img.Count = static_cast<size_t>(records);
}

// Moves the records of every block together at the start of the buffer. In
// a chain that runs forward through the file a record never lands on one
// not yet moved; any other chain is copied into a buffer of its own.
void CloseUpRecords(TPxFileImage& img, TFileBuffer file) {
  const size_t rs = static_cast<size_t>(img.RecordSize);
  bool forward = true;
  for (size_t i = 1; i < img.Blocks.size(); ++i)
    forward = forward && img.Blocks[i].FilePosition > img.Blocks[i - 1].FilePosition;
  TFileBuffer out = forward ? std::move(file) : TFileBuffer(img.Count * rs);
  const unsigned char* source = forward ? out.Data() : file.Data();
  for (size_t i = 0; i < img.Blocks.size(); ++i) {
    const size_t end = i + 1 < img.Blocks.size() ? img.Blocks[i + 1].FirstRecord : img.Count;
    std::memmove(out.Data() + img.Blocks[i].FirstRecord * rs, source + img.Blocks[i].FilePosition,
                 (end - img.Blocks[i].FirstRecord) * rs);
  }
  img.Bytes = std::move(out);
}

struct TPxErrors {
  std::string Text;
};

void CollectError(pxdoc_t*, int, const char* msg, void* data) {
  auto* e = static_cast<TPxErrors*>(data);
  if (!e->Text.empty()) e->Text += "; ";
  e->Text += msg ? msg : "?";
}

struct TFileCloser {
  void operator()(FILE* f) const { std::fclose(f); }
};
struct TPxDocCloser {
  void operator()(pxdoc_t* d) const {
    PX_close(d);
    PX_delete(d);
  }
};

// An opened pxlib document over a read-only stream: the library cannot write.
struct TPxDoc {
  TPxErrors Errors;
  std::unique_ptr<FILE, TFileCloser> File;
  std::unique_ptr<pxdoc_t, TPxDocCloser> Doc;

  explicit TPxDoc(const std::string& path) {
    File.reset(std::fopen(path.c_str(), "rbe"));
    if (!File) throw EDatabaseError("Nie można otworzyć pliku " + path);
    pxdoc_t* d = PX_new3(CollectError, nullptr, nullptr, nullptr, &Errors);
    if (!d) throw EDatabaseError("Brak pamięci przy otwieraniu pliku " + path);
    if (PX_open_fp(d, File.get()) < 0) {
      PX_delete(d);
      throw Damaged(path, Errors.Text.empty() ? "nie można odczytać nagłówka" : Errors.Text);
    }
    Doc.reset(d);
  }
};

}  // namespace

long long TPxFileImage::Position(size_t i) const {
  if (Indexed) return Indexed->Position(i);
  const auto next =
      std::upper_bound(Blocks.begin(), Blocks.end(), i,
                       [](size_t r, const TBlockStart& b) { return r < b.FirstRecord; });
  const TBlockStart& b = *(next - 1);
  return b.FilePosition +
         static_cast<long long>((i - b.FirstRecord) * static_cast<size_t>(RecordSize));
}

TPxFileImage ReadPxFile(const std::string& path, TPxRead what) {
  const bool withRecords = what == TPxRead::Records;
  TFileHandle fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd.Valid()) throw EDatabaseError("Nie można otworzyć pliku " + path);
  const long long size = FileSizeOfFd(fd.Fd());
  TFileBytes file(fd.Fd(), size, path);
  if (size < 0x58) throw Damaged(path, "plik jest za krótki");
  if (withRecords) {
    file.Load(static_cast<size_t>(size));
  } else {
    // The header's size is in its first bytes; a bad one is refused by the check.
    unsigned char first[4];
    if (!ReadExact(fd.Fd(), 0, first, sizeof first)) throw Damaged(path, "plik jest za krótki");
    file.Load(static_cast<size_t>(std::clamp<long long>(Le16(first + 2), 0x58, size)));
  }
  TPxFileImage img;
  img.Path = path;
  CheckHeader(file, path, img, what != TPxRead::HeaderOnly);
  if (withRecords) {
    CloseUpRecords(img, file.Take());
  } else {
    img.Count = 0;
    img.Blocks.clear();
  }
  return img;
}

std::vector<std::string> ReadPxIndexFieldNames(const std::string& path) {
  {
    // An index has the header of a table: the same bytes make the library spin.
    TFileHandle fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.Valid()) throw EDatabaseError("Nie można otworzyć pliku " + path);
    unsigned char h[0x78] = {};
    if (!ReadExact(fd.Fd(), 0, h, 0x58)) throw Damaged(path, "plik jest za krótki");
    if (h[0x39] > 4 && !ReadExact(fd.Fd(), 0x58, h + 0x58, 0x78 - 0x58))
      throw Damaged(path, "nagłówek jest uszkodzony");
    RefuseEncrypted(h, path);
  }
  TPxDoc px(path);
  std::vector<std::string> names;
  const pxhead_t* head = px.Doc->px_head;
  for (int i = 0; i < head->px_numfields; ++i)
    names.emplace_back(head->px_fields[i].px_fname ? head->px_fields[i].px_fname : "");
  return names;
}

}  // namespace brenvik
