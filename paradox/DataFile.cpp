#include "paradox/DataFile.h"

#include <fcntl.h>
extern "C" {  // the library header declares no C linkage itself
#include <paradox.h>
}

#include <cstdio>
#include <memory>
#include <set>

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

THeader CheckHeader(int fd, const std::string& path) {
  const long long size = FileSizeOfFd(fd);
  unsigned char h[0x78 + 2 * 256];
  if (size < 0x58 || !ReadExact(fd, 0, h, 0x58)) throw Damaged(path, "plik jest za krótki");
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
      r.HeaderSize < 0x58 || r.HeaderSize > size || r.VersionId < 3 || r.VersionId > 15)
    throw Damaged(path, "nagłówek jest uszkodzony");
  const int fieldInfo = r.VersionId <= 4 ? 0x58 : 0x78;
  if (fieldInfo == 0x78 && (r.HeaderSize < 0x78 || !ReadExact(fd, 0x58, h + 0x58, 0x78 - 0x58)))
    throw Damaged(path, "nagłówek jest uszkodzony");
  RefuseEncrypted(h, path);
  if (fieldInfo + 2 * r.NumFields > r.HeaderSize ||
      !ReadExact(fd, fieldInfo, h + fieldInfo, static_cast<size_t>(2 * r.NumFields)))
    throw Damaged(path, "nagłówek jest uszkodzony");
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
  // The chain of data blocks must stay inside the file, visit no block twice
  // and hold the count of records that the header declares.
  std::set<int> seen;
  std::uint64_t records = 0;
  const int perBlock = (r.BlockSize - 6) / r.RecordSize;
  for (int b = r.NumRecords == 0 && r.FileBlocks == 0 ? 0 : r.FirstBlock; b != 0;) {
    if (b < 1 || b > r.FileBlocks || !seen.insert(b).second)
      throw Damaged(path, "łańcuch bloków danych jest uszkodzony");
    unsigned char bh[6];
    const long long pos = r.HeaderSize + static_cast<long long>(b - 1) * r.BlockSize;
    if (!ReadExact(fd, pos, bh, 6)) throw Damaged(path, "plik jest obcięty");
    const int add = static_cast<std::int16_t>(Le16(bh + 4));
    const int n = add < 0 ? 0 : add / r.RecordSize + 1;
    if (n > perBlock || (add >= 0 && add % r.RecordSize != 0))
      throw Damaged(path, "blok danych jest uszkodzony");
    records += static_cast<std::uint64_t>(n);
    b = Le16(bh);
  }
  if (records != r.NumRecords)
    throw Damaged(path, "liczba rekordów w nagłówku nie zgadza się z blokami danych");
  return r;
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

TPxFileImage ReadPxFile(const std::string& path, bool withRecords) {
  TFileHandle fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd.Valid()) throw EDatabaseError("Nie można otworzyć pliku " + path);
  const THeader hdr = CheckHeader(fd.Fd(), path);
  const long long fileSize = FileSizeOfFd(fd.Fd());

  TPxDoc px(path);
  const pxhead_t* head = px.Doc->px_head;
  TPxFileImage img;
  img.Path = path;
  img.FileVersion = head->px_fileversion;
  img.FileType = head->px_filetype;
  img.HeaderCodePage = head->px_doscodepage;
  img.PrimaryKeyFields = head->px_primarykeyfields;
  img.Encrypted = head->px_encryption != 0;
  img.RecordSize = head->px_recordsize;
  if (img.RecordSize != hdr.RecordSize || head->px_numfields != hdr.NumFields)
    throw Damaged(path, "nagłówek jest uszkodzony");
  int offset = 0;
  for (int i = 0; i < head->px_numfields; ++i) {
    const pxfield_t& f = head->px_fields[i];
    TPxFieldDef def;
    def.Name = f.px_fname ? f.px_fname : "";
    def.Type = static_cast<TPxFieldType>(static_cast<unsigned char>(f.px_ftype));
    def.Size = f.px_flen;
    def.Decimals = f.px_fdc;
    def.Offset = offset;
    offset += f.px_flen;
    img.Fields.push_back(def);
  }
  if (offset != img.RecordSize)
    throw Damaged(path, "definicje pól nie zgadzają się z długością rekordu");
  if (img.PrimaryKeyFields < 0 || img.PrimaryKeyFields > static_cast<int>(img.Fields.size()))
    throw Damaged(path, "nagłówek jest uszkodzony");
  if (!withRecords || img.Encrypted) return img;

  const int count = head->px_numrecords;
  img.Data.resize(static_cast<size_t>(count) * static_cast<size_t>(img.RecordSize));
  img.Positions.reserve(static_cast<size_t>(count));
  size_t kept = 0;
  for (int r = 0; r < count; ++r) {
    int deleted = 0;
    pxdatablockinfo_t info{};
    char* dest =
        reinterpret_cast<char*>(img.Data.data() + kept * static_cast<size_t>(img.RecordSize));
    if (!PX_get_record2(px.Doc.get(), r, dest, &deleted, &info))
      throw Damaged(path, "nie można odczytać rekordu " + std::to_string(r + 1));
    if (deleted) continue;
    if (info.recordpos < hdr.HeaderSize || info.recordpos + img.RecordSize > fileSize)
      throw Damaged(path, "rekord " + std::to_string(r + 1) + " leży poza plikiem");
    img.Positions.push_back(info.recordpos);
    ++kept;
  }
  img.Data.resize(kept * static_cast<size_t>(img.RecordSize));
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
