#include "paradox/IndexedBlocks.h"

#include <fcntl.h>

#include <algorithm>
#include <cstring>

#include "paradox/DataFile.h"

namespace brenvik {

namespace {

std::uint16_t Le16(const unsigned char* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

constexpr int MaxIndexLevels = 16;

// A block number or a count of an index entry: a short integer as the
// engine stores them, read without its sign (block numbers go up to 65535,
// so 32768 is stored as two zero bytes).
size_t EntryNumber(const unsigned char* p) {
  return static_cast<size_t>((p[0] << 8 | p[1]) ^ 0x8000);
}

// The entries of one index block: where they start and how many there are.
struct TIndexBlock {
  const unsigned char* Entries;
  size_t Count;
};

}  // namespace

EPxIndexMismatch TPxIndexedBlocks::Mismatch(const std::string& why) const {
  return EPxIndexMismatch("Indeks " + FIndexPath + " nie pasuje do tabeli " + FTablePath + ": " +
                          why);
}

TPxIndexedBlocks::TPxIndexedBlocks(const std::string& indexPath, const TPxFileImage& table,
                                   TCompare compare)
    : FIndexPath(indexPath),
      FTablePath(table.Path),
      FCompare(std::move(compare)),
      FRecordSize(static_cast<size_t>(table.RecordSize)),
      FHeaderSize(table.HeaderSize),
      FBlockSize(table.BlockSize) {
  for (int i = 0; i < table.PrimaryKeyFields; ++i)
    FKeySize += static_cast<size_t>(table.Fields[static_cast<size_t>(i)].Size);
  {
    TFileHandle fd(::open(indexPath.c_str(), O_RDONLY | O_CLOEXEC));
    const long long size = fd.Valid() ? FileSizeOfFd(fd.Fd()) : -1;
    if (size < 0x58) throw Mismatch("plik indeksu jest za krótki albo nieczytelny");
    FIndexBytes.resize(static_cast<size_t>(size));
    if (!ReadExact(fd.Fd(), 0, FIndexBytes.data(), FIndexBytes.size()))
      throw Mismatch("nie można odczytać pliku indeksu");
  }
  const unsigned char* h = FIndexBytes.data();
  const size_t rs = Le16(h + 0x00), hs = Le16(h + 0x02), bs = h[0x05] * 1024u;
  const size_t blocks = Le16(h + 0x0C), root = Le16(h + 0x1E), levels = h[0x20];
  if (h[0x04] != 1 || rs != FKeySize + 6 || bs < rs + 6 || hs < 0x58 || blocks == 0 ||
      hs + blocks * bs > FIndexBytes.size() || root < 1 || root > blocks || levels < 1 ||
      levels > MaxIndexLevels)
    throw Mismatch("nagłówek indeksu nie opisuje klucza tej tabeli");

  // The tree from its root: every block once, the data blocks at its last level.
  const size_t dataBlocks = static_cast<size_t>(table.FileBlocks);
  const size_t perDataBlock = (static_cast<size_t>(FBlockSize) - 6) / FRecordSize;
  std::vector<bool> seenIndex(blocks + 1, false), seenData(dataBlocks + 1, false);
  auto blockAt = [&](size_t b) {
    if (b < 1 || b > blocks || seenIndex[b]) throw Mismatch("drzewo indeksu jest uszkodzone");
    seenIndex[b] = true;
    const unsigned char* p = h + hs + (b - 1) * bs;
    const int add = static_cast<std::int16_t>(Le16(p + 4));
    if (add < 0 || static_cast<size_t>(add) % rs != 0 || static_cast<size_t>(add) + rs > bs - 6)
      throw Mismatch("blok indeksu jest uszkodzony");
    return TIndexBlock{p + 6, static_cast<size_t>(add) / rs + 1};
  };
  std::vector<std::pair<TIndexBlock, size_t>> path;  // block and next entry, per level
  path.push_back({blockAt(root), 0});
  while (!path.empty()) {
    auto& [node, next] = path.back();
    if (next == node.Count) {
      path.pop_back();
      continue;
    }
    const unsigned char* e = node.Entries + next++ * rs;
    const size_t child = EntryNumber(e + FKeySize), count = EntryNumber(e + FKeySize + 2);
    if (child < 1 || count < 1) throw Mismatch("wpis indeksu jest uszkodzony");
    if (path.size() < levels) {
      path.push_back({blockAt(child), 0});
      continue;
    }
    if (child > dataBlocks || seenData[child] || count > perDataBlock)
      throw Mismatch("wpis indeksu wskazuje zły blok danych");
    seenData[child] = true;
    if (!FLeaves.empty() && FCompare(FLeaves.back().Key, e) > 0)
      throw Mismatch("wpisy indeksu nie są w kolejności klucza");
    FLeaves.push_back({e, static_cast<int>(child), count, FCount});
    FCount += count;
  }
  if (FCount != table.DeclaredCount)
    throw Mismatch("liczba rekordów w indeksie nie zgadza się z nagłówkiem tabeli");
  FBlocks.resize(FLeaves.size());
  FTable = TFileHandle(::open(FTablePath.c_str(), O_RDONLY | O_CLOEXEC));
  if (!FTable.Valid()) throw EDatabaseError("Nie można otworzyć pliku " + FTablePath);
}

TPxIndexedBlocks::~TPxIndexedBlocks() = default;

size_t TPxIndexedBlocks::LeafOf(size_t pos) const {
  if (FHint < FLeaves.size() && pos >= FLeaves[FHint].First &&
      pos < FLeaves[FHint].First + FLeaves[FHint].Count)
    return FHint;
  const auto next = std::upper_bound(FLeaves.begin(), FLeaves.end(), pos,
                                     [](size_t p, const TLeaf& l) { return p < l.First; });
  return static_cast<size_t>(next - FLeaves.begin()) - 1;
}

unsigned char* TPxIndexedBlocks::LoadLeaf(size_t leaf) {
  if (FBlocks[leaf]) return FBlocks[leaf].get();
  const TLeaf& l = FLeaves[leaf];
  const size_t bs = static_cast<size_t>(FBlockSize);
  auto block = std::make_unique<unsigned char[]>(bs);
  const long long at = FHeaderSize + static_cast<long long>(l.Block - 1) * FBlockSize;
  if (!ReadExact(FTable.Fd(), at, block.get(), bs))
    throw Mismatch("blok danych " + std::to_string(l.Block) + " leży poza plikiem");
  const int add = static_cast<std::int16_t>(Le16(block.get() + 4));
  if (add < 0 || static_cast<size_t>(add) % FRecordSize != 0 ||
      static_cast<size_t>(add) / FRecordSize + 1 != l.Count)
    throw Mismatch("blok danych " + std::to_string(l.Block) + " ma inną liczbę rekordów");
  const unsigned char* rec = block.get() + 6;
  if (std::memcmp(rec, l.Key, FKeySize) != 0)
    throw Mismatch("blok danych " + std::to_string(l.Block) + " zaczyna się innym kluczem");
  for (size_t i = 1; i < l.Count; ++i)
    if (FCompare(rec + (i - 1) * FRecordSize, rec + i * FRecordSize) > 0)
      throw Mismatch("rekordy bloku " + std::to_string(l.Block) + " nie są w kolejności klucza");
  if (leaf + 1 < FLeaves.size() &&
      FCompare(rec + (l.Count - 1) * FRecordSize, FLeaves[leaf + 1].Key) > 0)
    throw Mismatch("blok danych " + std::to_string(l.Block) + " sięga za następny blok");
  ++FBlocksRead;
  FBlocks[leaf] = std::move(block);
  return FBlocks[leaf].get();
}

unsigned char* TPxIndexedBlocks::Record(size_t pos) {
  FHint = LeafOf(pos);
  return LoadLeaf(FHint) + 6 + (pos - FLeaves[FHint].First) * FRecordSize;
}

long long TPxIndexedBlocks::Position(size_t pos) {
  const TLeaf& l = FLeaves[LeafOf(pos)];
  return FHeaderSize + static_cast<long long>(l.Block - 1) * FBlockSize + 6 +
         static_cast<long long>((pos - l.First) * FRecordSize);
}

size_t TPxIndexedBlocks::Search(const std::function<bool(const unsigned char* rec)>& below) {
  // The first block whose first key is not below; the sought place is in the
  // block before it, or at its start.
  const auto firstNot = std::partition_point(FLeaves.begin(), FLeaves.end(),
                                             [&](const TLeaf& l) { return below(l.Key); });
  if (firstNot == FLeaves.begin()) return 0;
  const size_t leaf = static_cast<size_t>(firstNot - FLeaves.begin()) - 1;
  const unsigned char* rec = LoadLeaf(leaf) + 6;
  size_t lo = 0, hi = FLeaves[leaf].Count;
  while (lo < hi) {
    const size_t mid = lo + (hi - lo) / 2;
    if (below(rec + mid * FRecordSize))
      lo = mid + 1;
    else
      hi = mid;
  }
  return FLeaves[leaf].First + lo;
}

}  // namespace brenvik
