// The engine's own reader against the library that reads Paradox files
// record by record: the same header, fields and records, each record's bytes
// at the same place, on the tables written by the database engine, on a
// built year of a warehouse and on a table whose block chain runs backwards.
#include <gtest/gtest.h>

extern "C" {  // the library header declares no C linkage itself
#include <paradox.h>
}

#include <filesystem>
#include <memory>

#include "common/TestFiles.h"
#include "fixtures/TableWriter.h"
#include "fixtures/YearOfTables.h"
#include "paradox/DataFile.h"
#include "support/TextCodec.h"

using namespace brenvik;
using brenvik::testing::ParadoxSamplesDir;
using brenvik::testing::ReadFile;
using brenvik::testing::TTempDir;
using brenvik::testing::WriteFile;

namespace {

struct TPxDocOwner {
  void operator()(pxdoc_t* d) const {
    PX_close(d);
    PX_delete(d);
  }
};

// Compares every header value, field and record the library reads with ours.
void ExpectSameAsLibrary(const std::string& path) {
  SCOPED_TRACE(path);
  const TPxFileImage mine = ReadPxFile(path, true);
  std::unique_ptr<pxdoc_t, TPxDocOwner> doc(PX_new());
  ASSERT_GE(PX_open_file(doc.get(), path.c_str()), 0);
  const pxhead_t* h = doc->px_head;
  EXPECT_EQ(mine.FileVersion, h->px_fileversion);
  EXPECT_EQ(mine.FileType, h->px_filetype);
  EXPECT_EQ(mine.HeaderCodePage, h->px_doscodepage);
  EXPECT_EQ(mine.PrimaryKeyFields, h->px_primarykeyfields);
  ASSERT_EQ(mine.RecordSize, h->px_recordsize);
  ASSERT_EQ(mine.Fields.size(), static_cast<size_t>(h->px_numfields));
  for (size_t i = 0; i < mine.Fields.size(); ++i) {
    const pxfield_t& f = h->px_fields[i];
    EXPECT_EQ(mine.Fields[i].Name, f.px_fname) << i;
    EXPECT_EQ(static_cast<int>(mine.Fields[i].Type), static_cast<unsigned char>(f.px_ftype)) << i;
    EXPECT_EQ(mine.Fields[i].Size, f.px_flen) << i;
    EXPECT_EQ(mine.Fields[i].Decimals, f.px_fdc) << i;
  }
  ASSERT_EQ(mine.RecordCount(), static_cast<size_t>(h->px_numrecords));
  std::string record(static_cast<size_t>(mine.RecordSize), '\0');
  size_t differing = 0;
  for (int r = 0; r < h->px_numrecords; ++r) {
    int deleted = 0;
    pxdatablockinfo_t info{};
    ASSERT_TRUE(PX_get_record2(doc.get(), r, record.data(), &deleted, &info)) << r;
    ASSERT_FALSE(deleted) << r;
    const size_t i = static_cast<size_t>(r);
    const bool same =
        mine.Position(i) == info.recordpos &&
        std::string(reinterpret_cast<const char*>(mine.Record(i)), record.size()) == record;
    if (!same && differing++ < 5) ADD_FAILURE() << "rekord " << r << " różni się";
  }
  EXPECT_EQ(differing, 0u);
}

}  // namespace

TEST(PxReaderParity, SameRecordsAsTheLibraryReads) {
  int tables = 0;
  for (const auto& e : std::filesystem::recursive_directory_iterator(ParadoxSamplesDir())) {
    const std::string path = e.path().string();
    if (!e.is_regular_file() || !SameTextAscii(e.path().extension().string(), ".db") ||
        path.find("encrypt") != std::string::npos)
      continue;
    ExpectSameAsLibrary(path);
    ++tables;
  }
  EXPECT_EQ(tables, 17);

  TTempDir dir;
  BuildYearsOfTables(dir.Path());
  for (const char* table : {"2026WI", "2026WT", "2026REG", "2026W"})
    ExpectSameAsLibrary(dir / (std::string(table) + ".db"));

  // The lines' blocks chained from the last to the first: the records are
  // read in chain order, not in the order of the file.
  std::string bytes = ReadFile(dir / "2026WT.db");
  const auto le16 = [&](size_t at) {
    return static_cast<unsigned>(static_cast<unsigned char>(bytes[at]) |
                                 (static_cast<unsigned char>(bytes[at + 1]) << 8));
  };
  const auto put16 = [&](size_t at, unsigned v) {
    bytes[at] = static_cast<char>(v & 0xFF);
    bytes[at + 1] = static_cast<char>(v >> 8);
  };
  const size_t headerSize = le16(0x02), blockSize = static_cast<size_t>(bytes[0x05]) * 1024;
  const unsigned blocks = le16(0x0C);
  ASSERT_GT(blocks, 2u);
  for (unsigned b = 1; b <= blocks; ++b) {
    const size_t at = headerSize + (b - 1) * blockSize;
    put16(at, b - 1);                        // next: the block before
    put16(at + 2, b == blocks ? 0 : b + 1);  // previous: the block after
  }
  put16(0x0E, blocks);  // first
  put16(0x10, 1);       // last
  WriteFile(dir / "Backwards.db", bytes);
  ExpectSameAsLibrary(dir / "Backwards.db");
}
