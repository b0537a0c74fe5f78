#pragma once
// The program's own table engine over Stelmar's Paradox files, in place of
// the engine that Stelmar itself uses: a session, table objects with an index
// order, master/detail links through data sources and a record filter, field
// reads with the engine's conversions, and in-place writes of text fields.
//
// A table reads its whole file once when it opens, or, when it is searched by
// the leading fields of its primary key and has a primary index file, only
// the blocks its searches reach. A field is decoded only when it is asked
// for; look-ups and detail ranges are binary searches over the index order,
// which is the file's own order when the records follow it. A write goes to
// the file at once (one field, under an exclusive lock, read back and compared).
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <variant>
#include <vector>

#include "support/DateTime.h"
#include "paradox/Memo.h"
#include "paradox/DataFile.h"
#include "paradox/TableFiles.h"

namespace brenvik {

class TPxTable;
class TPxDataSource;

inline constexpr size_t BackupRunsKept = 10;

class TPxSession {
public:
  explicit TPxSession(std::string name = "Session");
  ~TPxSession();
  TPxSession(const TPxSession&) = delete;
  TPxSession& operator=(const TPxSession&) = delete;

  const std::string& SessionName() const { return FName; }
  // The engine's network control folder. Its control file is never created,
  // changed or deleted by this program.
  void SetNetFileDir(const std::string& dir) { FNetFileDir = dir; }
  const std::string& NetFileDir() const { return FNetFileDir; }
  // Where copies of table files are kept before this program writes into them.
  void SetPrivateDir(const std::string& dir) { FPrivateDir = dir; }
  const std::string& PrivateDir() const { return FPrivateDir; }
  // Begins a run: the copies a run makes (one per table object that writes)
  // are kept or dropped together, the last BackupRunsKept runs of each table.
  // Until the first call the session's first copy begins one.
  void StartRun();
  const std::string& RunStamp();
  // Making the session inactive closes its open tables, the last opened first.
  void SetActive(bool active);
  bool Active() const { return FActive; }
  void CloseDatabases();
  size_t OpenTableCount() const { return FOpenTables.size(); }

private:
  friend class TPxTable;
  void TableOpened(TPxTable* table);
  void TableClosed(TPxTable* table);
  std::string FName, FNetFileDir, FPrivateDir, FRunStamp;
  bool FActive = false;
  std::vector<TPxTable*> FOpenTables;
};

// Links detail tables to the current record of a master table.
class TPxDataSource {
public:
  explicit TPxDataSource(TPxTable* dataSet = nullptr);
  ~TPxDataSource();
  TPxDataSource(const TPxDataSource&) = delete;
  TPxDataSource& operator=(const TPxDataSource&) = delete;
  void SetDataSet(TPxTable* dataSet);
  TPxTable* DataSet() const { return FDataSet; }

private:
  friend class TPxTable;
  void MasterMoved();
  TPxTable* FDataSet = nullptr;
  std::vector<TPxTable*> FDetails;
};

// A value given to a look-up: null, a number (dates as TDateTime values) or text.
class TPxKeyValue {
public:
  TPxKeyValue() = default;
  TPxKeyValue(int v) : FValue(static_cast<double>(v)) {}
  TPxKeyValue(long v) : FValue(static_cast<double>(v)) {}
  TPxKeyValue(long long v) : FValue(static_cast<double>(v)) {}
  TPxKeyValue(double v) : FValue(v) {}
  TPxKeyValue(TDateTime v) : FValue(v.Value) {}
  TPxKeyValue(const char* v) : FValue(std::string(v)) {}
  TPxKeyValue(std::string v) : FValue(std::move(v)) {}
  bool IsNull() const { return FValue.index() == 0; }
  bool IsNumber() const { return FValue.index() == 1; }
  double Number() const { return std::get<1>(FValue); }
  const std::string& Text() const { return std::get<2>(FValue); }
  std::string ToText() const;

private:
  std::variant<std::monostate, double, std::string> FValue;
};

// A field of the current record of an open table.
class TPxField {
public:
  TPxField(TPxTable* table, int index) : FTable(table), FIndex(index) {}
  const std::string& FieldName() const;
  TPxFieldType DataType() const;
  int Size() const;
  bool IsNull() const;
  // Null reads as empty text, 0 or date 0; text read as a number must be one.
  std::string AsString() const;
  long long AsInteger() const;
  double AsFloat() const;
  TDateTime AsDateTime() const;
  bool AsBoolean() const;
  // Only in edit mode; the text is checked at once and written by Post.
  void SetAsString(const std::string& text) const;

private:
  TPxTable* FTable;
  int FIndex;
};

using TPxFilterRecordEvent = std::function<void(TPxTable& dataSet, bool& accept)>;

class TPxTable {
public:
  explicit TPxTable(TPxSession* session = nullptr, std::string objectName = "");
  ~TPxTable();
  TPxTable(const TPxTable&) = delete;
  TPxTable& operator=(const TPxTable&) = delete;

  const std::string& ObjectName() const { return FObjectName; }
  TPxSession* Session() const { return FSession; }

  // Folder and name, with or without ".db"; the file is found ignoring letter case.
  void SetTableName(const std::string& name);
  const std::string& TableName() const { return FTableName; }
  // Fields of the index order separated by ";"; empty: the primary key.
  void SetIndexFieldNames(const std::string& names);
  const std::string& IndexFieldNames() const { return FIndexFieldNames; }
  void SetMasterSource(TPxDataSource* source);
  TPxDataSource* MasterSource() const { return FMasterSource; }
  // Fields of the master matched, in order, against the leading index fields.
  void SetMasterFields(const std::string& names);
  const std::string& MasterFields() const { return FMasterFields; }
  // The owner's code page for text (0: not set). Without it 852 or 1250 in
  // the header is taken as it is and anything else as 1250.
  void SetCodePage(int codePage) { FCodePageSetting = codePage; }
  int CodePageSetting() const { return FCodePageSetting; }
  int CodePage() const { return FCodePage; }  // in force while open

  void SetOnFilterRecord(TPxFilterRecordEvent handler);
  void SetFiltered(bool filtered);
  bool Filtered() const { return FFiltered; }

  void Open();
  void Close();
  bool Active() const { return FActive; }

  void First();
  void Next();
  bool Eof() const { return !FActive || FEof; }
  bool HasRecord() const { return FActive && FHasRecord; }
  bool IsEmpty();
  // Visible records of the current range (filter applied); walks the range.
  int RecordCount();
  // The first visible record whose leading index fields equal VALUES.
  bool FindKey(const std::vector<TPxKeyValue>& values);
  // The first visible record of the range whose field equals VALUE.
  bool Locate(const std::string& fieldName, const TPxKeyValue& value);

  // Field definitions: of the open file, or of the file header as last refreshed.
  void UpdateFieldDefs();
  const std::vector<TPxFieldDef>& FieldDefs() const { return FFields; }
  bool FieldExists(const std::string& name);
  TPxField FieldByName(const std::string& name);
  int PrimaryKeyFieldCount() const { return FPrimaryKeyFields; }

  // Writing: Edit, SetAsString on text fields, Post (or Cancel).
  void Edit();
  void Post();
  void Cancel();
  bool Editing() const { return FEditing; }
  // Forces the writes of this table to disk; false (and an error log line) when that fails.
  bool SaveChanges();
  // How long a write waits for the lock of another copy of this program.
  void SetLockTimeoutMs(int ms) { FLockTimeoutMs = ms; }

  // Whether the records are read through the primary index, and how many
  // of its blocks have been read so far.
  bool ReadsThroughIndex() const { return FImage.Indexed != nullptr; }
  size_t BlocksRead() const { return FImage.Indexed ? FImage.Indexed->BlocksRead() : 0; }

  // The path of the open file (empty when closed).
  const std::string& FilePath() const { return FImage.Path; }

private:
  friend class TPxField;
  friend class TPxDataSource;
  struct TKeyPart {
    enum Kind { Null, Number, Bytes } K = Null;
    double Num = 0;
    std::string Raw;  // code-page bytes for text fields
  };

  int FieldIndex(const std::string& name) const;  // -1 when absent
  int RequireField(const std::string& name) const;
  const unsigned char* CurrentRecord() const;  // null when there is no record
  const unsigned char* FieldBytes(int index) const;
  std::string DecodeText(std::string_view bytes, int index) const;
  std::string Describe(int index) const;    // "pola X w tabeli Y"
  std::string DescribeIn(int index) const;  // "polu X w tabeli Y"
  std::string FieldText(int index) const;
  std::optional<double> FieldNumber(const unsigned char* rec, int index) const;
  std::string BlobBytes(const unsigned char* rec, int index) const;
  std::vector<int> ParseFieldList(const std::string& names, const std::string& what) const;
  TKeyPart MakeKeyPart(int index, const TPxKeyValue& v) const;
  int CompareToKey(const unsigned char* rec, int index, const TKeyPart& part) const;
  int CompareOn(const std::vector<int>& fields, const unsigned char* a,
                const unsigned char* b) const;
  int CompareRecords(const unsigned char* a, const unsigned char* b) const {
    return CompareOn(FIndexFields, a, b);
  }
  // The leading fields of KEY against those of REC.
  int CompareKeyRec(const unsigned char* rec, const std::vector<TKeyPart>& key) const;
  // The record at POS of the index order.
  size_t RecordAt(size_t pos) const { return FOrder.empty() ? pos : FOrder[pos]; }
  // The leading index fields of the record at POS against KEY.
  int CompareKeyAt(size_t pos, const std::vector<TKeyPart>& key) const;
  // The first position in [LO, HI) whose key is not below KEY (AFTER: above it).
  size_t FirstAtOrAfterKey(size_t lo, size_t hi, const std::vector<TKeyPart>& key,
                           bool after) const;
  void ChooseIndexFields();
  void BuildOrder();
  // Whether the index order is the order of the primary index file, so that
  // the records can be read through it.
  bool IndexFollowsKeyOrder() const;
  void OpenThroughIndex();
  void LoadWholeFile();
  // After an index that does not fit its table: the whole file, the same
  // range and, where it can be found again, the same record.
  void ReadWholeTable(const std::string& why);
  void LogIndexMismatch(const std::string& why) const;
  template <class F>
  auto WholeTableOnMismatch(F&& step) -> decltype(step());
  void MasterRange();
  // Makes the first record from START on whose TEST is 1 (0: passed over,
  // below 0: the walk ends) and that the filter accepts the current one.
  bool MoveToFirstMatch(const std::function<size_t()>& start,
                        const std::function<int(size_t pos)>& test);
  bool Accepts(size_t pos);
  void SeekFrom(size_t pos);
  void Moved();
  void ApplyMasterRange();
  void DetachFromMaster();
  std::string KeyText() const;
  void CheckWritable(int index) const;
  void WriteField(int index, const std::string& bytes);
  void BackupTableFile();
  void LoadProtectedFields();

  TPxSession* FSession;
  std::string FObjectName;
  std::string FTableName, FIndexFieldNames, FMasterFields;
  TPxDataSource* FMasterSource = nullptr;
  std::vector<TPxDataSource*> FSources;  // data sources on this table
  int FCodePageSetting = 0;
  int FCodePage = 1250;
  TPxFilterRecordEvent FOnFilterRecord;
  bool FFiltered = false;

  bool FActive = false;
  TPxFileImage FImage;
  std::vector<TPxFieldDef> FFields;
  std::unordered_map<std::string, int> FFieldMap;  // lower-case name
  int FPrimaryKeyFields = 0;
  std::unique_ptr<TPxBlobReader> FBlobs;

  std::vector<size_t> FOrder;  // records in index order; empty when that is the file's order
  std::vector<int> FIndexFields;
  // The leading primary key fields that the database engine orders as this
  // program compares them (numbers and dates; text follows the table's sort order).
  std::vector<int> FKeyOrderFields;
  size_t FLo = 0, FHi = 0, FCur = 0;
  bool FEof = true, FHasRecord = false;
  bool FInFilter = false;

  bool FEditing = false;
  std::map<int, std::string> FPending;  // field -> new bytes
  std::vector<bool> FProtected;         // fields of the primary key or of an index
  std::string FProtectionProblem;       // why no field may be written, if so
  TFileHandle FWriteFile;
  bool FDirty = false;
  bool FBackedUp = false;
  int FLockTimeoutMs = 10000;
};

}  // namespace brenvik
