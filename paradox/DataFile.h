#pragma once
// Reading a Paradox table file into memory: the header (checked before the
// library sees it, so that a damaged file is refused rather than misread),
// the field definitions and the records with their positions in the file.
#include <string>
#include <vector>

#include "paradox/FieldFormat.h"

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
  int FileVersion = 0;       // 30, 35, 40, 50, 70 ...
  int FileType = 0;          // 0 keyed, 2 not keyed
  int HeaderCodePage = 0;    // as the header declares it (not to be trusted)
  int PrimaryKeyFields = 0;  // leading fields forming the primary key
  bool Encrypted = false;
  int RecordSize = 0;
  std::vector<TPxFieldDef> Fields;
  // The records one after another, RecordSize bytes each, and where each lies in the file.
  std::vector<unsigned char> Data;
  std::vector<long long> Positions;
  size_t RecordCount() const { return Positions.size(); }
  const unsigned char* Record(size_t i) const {
    return Data.data() + i * static_cast<size_t>(RecordSize);
  }
};

// Throws EDatabaseError with a Polish message naming the file when it is
// missing, not a Paradox data file, damaged or truncated. With WITHRECORDS
// off only the header and the field definitions are read.
TPxFileImage ReadPxFile(const std::string& path, bool withRecords);
// The field names of an index file (".Xnn", ".XGn"); throws like ReadPxFile.
std::vector<std::string> ReadPxIndexFieldNames(const std::string& path);

}  // namespace brenvik
