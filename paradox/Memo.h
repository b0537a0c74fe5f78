#pragma once
// The ".MB" file of a table with memo fields: a reader for the text of a
// record's memo, and a writer that the fixture builder uses to lay down new
// files. The file is a chain of 4 KB blocks; a memo lives either in a block of
// its own (slot 0xFF) or in one of the 64 slots of a shared block.
#include <cstdint>
#include <string>
#include <string_view>

#include "paradox/TableFiles.h"
#include "paradox/FieldFormat.h"

namespace brenvik {

constexpr std::uint32_t PxBlobBlockSize = 4096;

class TPxBlobReader {
public:
  // PATH may be empty when the table has no ".MB" file.
  explicit TPxBlobReader(const std::string& path);
  const std::string& Path() const { return FPath; }
  // The blob's bytes (still in the table's code page): from LEADING when the
  // whole value fits there, else from the file. Throws EDatabaseError naming
  // WHAT (field and table) when the file is missing or does not hold it.
  std::string Read(const TPxBlobRef& ref, std::string_view leading, const std::string& what) const;

private:
  std::string FPath;
  TFileHandle FFile;
  long long FSize = 0;
};

class TPxBlobWriter {
public:
  // Creates (truncates) the file and writes its header block.
  explicit TPxBlobWriter(const std::string& path);
  ~TPxBlobWriter();
  TPxBlobWriter(const TPxBlobWriter&) = delete;
  TPxBlobWriter& operator=(const TPxBlobWriter&) = delete;
  // Stores BYTES in blocks of their own and returns the reference the record keeps.
  TPxBlobRef Append(std::string_view bytes);
  void Close();

private:
  std::string FPath;
  TFileHandle FFile;
  std::uint32_t FBlocks = 0;
};

}  // namespace brenvik
