#pragma once
// Reading a Paradox table file into memory: the header and the field
// definitions, checked so that a damaged file is refused rather than misread,
// and the records of the data blocks in the order of the block chain.
//
// The file is read once; the records are then closed up in the same buffer,
// so an open table holds no more than the size of its file, and a field is
// decoded only when it is asked for.
#include <memory>
#include <string>
#include <vector>

#include "paradox/FieldFormat.h"
#include "paradox/IndexedBlocks.h"
#include "paradox/TableFiles.h"

namespace brenvik {

struct TPxFieldDef {
  std::string Name;
  TPxFieldType Type = TPxFieldType::Alpha;
  int Size = 0;      // bytes in the record
  int Decimals = 0;  // BCD only
  int Offset = 0;    // position in the record
};

struct TPxFileImage {
  std::string Path;
  int FileVersion = 0;       // 30, 35, 40, 50, 70
  int FileType = 0;          // 0 keyed, 2 not keyed
  int HeaderCodePage = 0;    // as the header declares it (not to be trusted)
  int PrimaryKeyFields = 0;  // leading fields forming the primary key
  int RecordSize = 0;
  int HeaderSize = 0, BlockSize = 0, FileBlocks = 0;
  size_t DeclaredCount = 0;  // records as the header counts them
  std::vector<TPxFieldDef> Fields;

  // The records one after another, RecordSize bytes each.
  TFileBuffer Bytes;
  size_t Count = 0;
  // The data blocks that hold records, in chain order: the number of the
  // block's first record and where that record lies in the file.
  struct TBlockStart {
    size_t FirstRecord;
    long long FilePosition;
  };
  std::vector<TBlockStart> Blocks;

  // When set, the records are not in Bytes: they are read through the
  // table's primary index as they are asked for, in key order.
  std::unique_ptr<TPxIndexedBlocks> Indexed;

  size_t RecordCount() const { return Count; }
  const unsigned char* Record(size_t i) const {
    return Indexed ? Indexed->Record(i) : Bytes.Data() + i * static_cast<size_t>(RecordSize);
  }
  unsigned char* MutableRecord(size_t i) {
    return Indexed ? Indexed->Record(i) : Bytes.Data() + i * static_cast<size_t>(RecordSize);
  }
  // Where record I lies in the file.
  long long Position(size_t i) const;
};

enum class TPxRead {
  Records,         // the whole file
  HeaderAndChain,  // the header, and the block chain checked
  HeaderOnly,      // the header alone, for reading the records through the index
};
// Throws EDatabaseError with a Polish message naming the file when it is
// missing, not a Paradox data file, encrypted, damaged or truncated (as far
// as the parts read show).
TPxFileImage ReadPxFile(const std::string& path, TPxRead what);
inline TPxFileImage ReadPxFile(const std::string& path, bool withRecords) {
  return ReadPxFile(path, withRecords ? TPxRead::Records : TPxRead::HeaderAndChain);
}
// The field names of an index file (".Xnn", ".XGn"); throws like ReadPxFile.
std::vector<std::string> ReadPxIndexFieldNames(const std::string& path);

}  // namespace brenvik
