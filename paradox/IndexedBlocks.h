#pragma once
// A keyed table read through its primary index file (".PX") instead of
// whole: the index is read and checked when the table opens, and a data block
// is read only when a search or a walk reaches it. The index file lists the
// data blocks in key order with the first key and the count of records of
// each, so a key is found by a binary search over those entries and one over
// the records of one block.
//
// Every block read is checked against what the index says of it (its count,
// its first key, its records in key order up to the next block's first key).
// An index that does not fit its table raises EPxIndexMismatch; the table is
// then read whole.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "paradox/TableFiles.h"
#include "support/Errors.h"

namespace brenvik {

struct TPxFileImage;

class EPxIndexMismatch : public EDatabaseError {
public:
  using EDatabaseError::EDatabaseError;
};

class TPxIndexedBlocks {
public:
  // Compares the leading key fields of two records, or of a record and an
  // index entry (an entry holds the primary key's fields at their places in
  // the record): below zero when A comes first.
  using TCompare = std::function<int(const unsigned char* a, const unsigned char* b)>;
  // TABLE holds the table file's header (read without its records).
  TPxIndexedBlocks(const std::string& indexPath, const TPxFileImage& table, TCompare compare);
  ~TPxIndexedBlocks();
  TPxIndexedBlocks(const TPxIndexedBlocks&) = delete;
  TPxIndexedBlocks& operator=(const TPxIndexedBlocks&) = delete;

  const std::string& IndexPath() const { return FIndexPath; }
  size_t Count() const { return FCount; }
  // Record POS of the key order; the pointer stays valid while this lives.
  unsigned char* Record(size_t pos);
  long long Position(size_t pos);
  // The first position whose record BELOW does not put before the sought key.
  size_t Search(const std::function<bool(const unsigned char* rec)>& below);
  // Blocks read so far (for the tests and the benchmark).
  size_t BlocksRead() const { return FBlocksRead; }

private:
  struct TLeaf {
    const unsigned char* Key;  // in FIndexBytes
    int Block;                 // data block number, from 1
    size_t Count;
    size_t First;  // position of the block's first record
  };
  size_t LeafOf(size_t pos) const;
  unsigned char* LoadLeaf(size_t leaf);
  EPxIndexMismatch Mismatch(const std::string& why) const;

  std::string FIndexPath, FTablePath;
  TFileHandle FTable;
  TCompare FCompare;
  size_t FRecordSize = 0, FKeySize = 0, FCount = 0;
  int FHeaderSize = 0, FBlockSize = 0;
  std::vector<unsigned char> FIndexBytes;
  std::vector<TLeaf> FLeaves;
  std::vector<std::unique_ptr<unsigned char[]>> FBlocks;  // by leaf, once read
  size_t FHint = 0;
  size_t FBlocksRead = 0;
};

}  // namespace brenvik
