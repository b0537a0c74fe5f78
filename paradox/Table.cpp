#include "paradox/Table.h"
#include "support/SystemErrors.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <filesystem>

#include "support/Errors.h"
#include "support/Logger.h"
#include "support/Paths.h"
#include "support/TextCodec.h"

namespace brenvik {

namespace fs = std::filesystem;

namespace {

bool IsAscii(std::string_view s) {
  for (unsigned char c : s)
    if (c >= 0x80) return false;
  return true;
}

std::vector<std::string> SplitNames(const std::string& names) {
  std::vector<std::string> out;
  size_t start = 0;
  while (start <= names.size()) {
    const size_t end = names.find(';', start);
    const std::string part =
        Trim(names.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (!part.empty()) out.push_back(part);
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return out;
}

bool IsIndexFileExt(const std::string& ext) {
  // ".Xnn" single-field and ".XGn" composite secondary indexes.
  return ext.size() == 4 && ext[1] == 'X';
}

int CompareBytes(std::string_view a, std::string_view b) {
  const int c = a.compare(b);
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

}  // namespace

// ---------------------------------------------------------------- session

TPxSession::TPxSession(std::string name) : FName(std::move(name)) {}

TPxSession::~TPxSession() { CloseDatabases(); }

void TPxSession::SetActive(bool active) {
  if (!active) CloseDatabases();
  FActive = active;
}

void TPxSession::CloseDatabases() {
  while (!FOpenTables.empty()) FOpenTables.back()->Close();
}

void TPxSession::StartRun() { FRunStamp = FormatDateTime("yyyymmdd_hhnnsszzz", Now()); }

const std::string& TPxSession::RunStamp() {
  if (FRunStamp.empty()) StartRun();
  return FRunStamp;
}

void TPxSession::TableOpened(TPxTable* table) { FOpenTables.push_back(table); }

void TPxSession::TableClosed(TPxTable* table) {
  FOpenTables.erase(std::remove(FOpenTables.begin(), FOpenTables.end(), table), FOpenTables.end());
}

// ---------------------------------------------------------------- data source

TPxDataSource::TPxDataSource(TPxTable* dataSet) { SetDataSet(dataSet); }

TPxDataSource::~TPxDataSource() {
  SetDataSet(nullptr);
  for (TPxTable* d : std::vector<TPxTable*>(FDetails)) d->SetMasterSource(nullptr);
}

void TPxDataSource::SetDataSet(TPxTable* dataSet) {
  if (FDataSet == dataSet) return;
  if (FDataSet) {
    auto& v = FDataSet->FSources;
    v.erase(std::remove(v.begin(), v.end(), this), v.end());
  }
  FDataSet = dataSet;
  if (FDataSet) FDataSet->FSources.push_back(this);
  MasterMoved();
}

void TPxDataSource::MasterMoved() {
  for (TPxTable* d : FDetails)
    if (d->Active()) d->ApplyMasterRange();
}

// ---------------------------------------------------------------- key value

std::string TPxKeyValue::ToText() const {
  if (IsNull()) return "";
  if (IsNumber()) return FloatToText(Number());
  return Text();
}

// ---------------------------------------------------------------- field

const std::string& TPxField::FieldName() const {
  return FTable->FFields[static_cast<size_t>(FIndex)].Name;
}
TPxFieldType TPxField::DataType() const {
  return FTable->FFields[static_cast<size_t>(FIndex)].Type;
}
int TPxField::Size() const { return FTable->FFields[static_cast<size_t>(FIndex)].Size; }

bool TPxField::IsNull() const {
  const unsigned char* p = FTable->FieldBytes(FIndex);
  if (!p) return true;
  const TPxFieldDef& f = FTable->FFields[static_cast<size_t>(FIndex)];
  if (f.Type == TPxFieldType::Alpha) return p[0] == 0;
  for (int i = 0; i < f.Size; ++i)
    if (p[i] != 0) return false;
  return true;
}

std::string TPxField::AsString() const { return FTable->FieldText(FIndex); }

long long TPxField::AsInteger() const {
  const TPxFieldDef& f = FTable->FFields[static_cast<size_t>(FIndex)];
  if (IsNull()) return 0;
  switch (f.Type) {
    case TPxFieldType::Short: return *PxDecodeShort(FTable->FieldBytes(FIndex));
    case TPxFieldType::Long:
    case TPxFieldType::AutoInc: return *PxDecodeLong(FTable->FieldBytes(FIndex));
    case TPxFieldType::Alpha:
    case TPxFieldType::Memo:
    case TPxFieldType::FmtMemo: {
      const std::string text = AsString();
      if (const auto v = TextToInteger(text)) return *v;
      throw EDatabaseError("Wartość \"" + text + "\" " + FTable->Describe(FIndex) +
                           " nie jest liczbą całkowitą");
    }
    default: break;
  }
  if (IsPxNumericType(f.Type)) {
    const double d = *FTable->FieldNumber(FTable->CurrentRecord(), FIndex);
    if (!(std::fabs(d) < 9.2e18))
      throw EDatabaseError("Wartość " + FloatToText(d) + " " + FTable->Describe(FIndex) +
                           " nie mieści się w liczbie całkowitej");
    return static_cast<long long>(std::nearbyint(d));
  }
  throw EDatabaseError("Nie można odczytać " + FTable->Describe(FIndex) + " jako liczby");
}

double TPxField::AsFloat() const {
  const TPxFieldDef& f = FTable->FFields[static_cast<size_t>(FIndex)];
  if (IsNull()) return 0;
  if (IsPxNumericType(f.Type)) return *FTable->FieldNumber(FTable->CurrentRecord(), FIndex);
  if (f.Type == TPxFieldType::Alpha || f.Type == TPxFieldType::Memo ||
      f.Type == TPxFieldType::FmtMemo) {
    const std::string text = AsString();
    if (const auto v = TextToFloat(text)) return *v;
    throw EDatabaseError("Wartość \"" + text + "\" " + FTable->Describe(FIndex) +
                         " nie jest liczbą");
  }
  throw EDatabaseError("Nie można odczytać " + FTable->Describe(FIndex) + " jako liczby");
}

TDateTime TPxField::AsDateTime() const {
  const TPxFieldDef& f = FTable->FFields[static_cast<size_t>(FIndex)];
  if (IsNull()) return TDateTime(0);
  if (IsPxNumericType(f.Type) && f.Type != TPxFieldType::Logical)
    return TDateTime(*FTable->FieldNumber(FTable->CurrentRecord(), FIndex));
  if (f.Type == TPxFieldType::Alpha) {
    const std::string text = Trim(AsString());
    if (const auto d = TryStrToDateTime(text)) return *d;
    if (const auto t = TryStrToTime(text)) return *t;
    throw EDatabaseError("Wartość \"" + text + "\" " + FTable->Describe(FIndex) + " nie jest datą");
  }
  throw EDatabaseError("Nie można odczytać " + FTable->Describe(FIndex) + " jako daty");
}

bool TPxField::AsBoolean() const {
  const TPxFieldDef& f = FTable->FFields[static_cast<size_t>(FIndex)];
  if (IsNull()) return false;
  if (f.Type == TPxFieldType::Logical) return *PxDecodeLogical(FTable->FieldBytes(FIndex));
  return AsInteger() != 0;
}

void TPxField::SetAsString(const std::string& text) const {
  TPxTable& t = *FTable;
  if (!t.FEditing) throw EDatabaseError("Tabela " + t.FTableName + " nie jest w trybie edycji");
  t.CheckWritable(FIndex);
  const TPxFieldDef& f = t.FFields[static_cast<size_t>(FIndex)];
  if (text.find('\0') != std::string::npos)
    throw EDatabaseError("Tekst dla " + t.Describe(FIndex) + " zawiera znak NUL; nic nie zapisano");
  const auto encoded = TryUtf8ToCodePage(text, t.FCodePage);
  if (!IsValidUtf8(text) || !encoded)
    throw EDatabaseError("Tekst \"" + text + "\" zawiera znaki, których strona kodowa " +
                         std::to_string(t.FCodePage) + " nie obsługuje (" + t.Describe(FIndex) +
                         "); nic nie zapisano");
  if (static_cast<int>(encoded->size()) > f.Size)
    throw EDatabaseError("Tekst \"" + text + "\" nie mieści się w " + t.DescribeIn(FIndex) +
                         " (najwyżej " + std::to_string(f.Size) + " znaków); nic nie zapisano");
  std::string bytes = *encoded;
  bytes.resize(static_cast<size_t>(f.Size), '\0');
  t.FPending[FIndex] = bytes;
}

// ---------------------------------------------------------------- table

TPxTable::TPxTable(TPxSession* session, std::string objectName)
    : FSession(session), FObjectName(std::move(objectName)) {}

TPxTable::~TPxTable() {
  Close();
  DetachFromMaster();
  for (TPxDataSource* s : std::vector<TPxDataSource*>(FSources)) s->SetDataSet(nullptr);
}

void TPxTable::DetachFromMaster() {
  if (!FMasterSource) return;
  auto& v = FMasterSource->FDetails;
  v.erase(std::remove(v.begin(), v.end(), this), v.end());
  FMasterSource = nullptr;
}

void TPxTable::SetTableName(const std::string& name) {
  if (FActive && name != FTableName)
    throw EDatabaseError("Nie można zmienić nazwy otwartej tabeli " + FTableName);
  if (name != FTableName) {
    FFields.clear();
    FFieldMap.clear();
  }
  FTableName = name;
}

void TPxTable::SetIndexFieldNames(const std::string& names) {
  FIndexFieldNames = names;
  if (FActive) {
    BuildOrder();
    if (FMasterSource)
      ApplyMasterRange();
    else {
      FLo = 0;
      FHi = FImage.RecordCount();
      First();
    }
  }
}

void TPxTable::SetMasterSource(TPxDataSource* source) {
  if (source == FMasterSource) return;
  DetachFromMaster();
  FMasterSource = source;
  if (FMasterSource) FMasterSource->FDetails.push_back(this);
  if (FActive) ApplyMasterRange();
}

void TPxTable::SetMasterFields(const std::string& names) {
  FMasterFields = names;
  if (FActive) ApplyMasterRange();
}

void TPxTable::SetOnFilterRecord(TPxFilterRecordEvent handler) {
  FOnFilterRecord = std::move(handler);
  if (FActive && FFiltered) First();
}

void TPxTable::SetFiltered(bool filtered) {
  if (FFiltered == filtered) return;
  FFiltered = filtered;
  if (FActive) First();
}

void TPxTable::Open() {
  if (FActive) return;
  if (Trim(FTableName).empty())
    throw EDatabaseError("Nie podano nazwy tabeli (" + FObjectName + ")");
  const std::string path = FindTableFile(FTableName);
  if (path.empty()) throw EDatabaseError("Tabela " + FTableName + " nie istnieje (brak pliku .db)");
  TPxFileImage image = ReadPxFile(path, TPxRead::HeaderOnly);

  FCodePage = FCodePageSetting != 0                                           ? FCodePageSetting
              : (image.HeaderCodePage == 852 || image.HeaderCodePage == 1250) ? image.HeaderCodePage
                                                                              : 1250;
  FImage = std::move(image);
  FFields = FImage.Fields;
  FFieldMap.clear();
  for (size_t i = 0; i < FFields.size(); ++i) {
    if (!IsAscii(FFields[i].Name))
      if (const auto u = TryCodePageToUtf8(FFields[i].Name, FCodePage)) FFields[i].Name = *u;
    FFieldMap.emplace(AsciiLower(FFields[i].Name), static_cast<int>(i));
  }
  FPrimaryKeyFields = FImage.PrimaryKeyFields;
  FKeyOrderFields.clear();
  for (int i = 0; i < FPrimaryKeyFields; ++i) {
    const TPxFieldType t = FFields[static_cast<size_t>(i)].Type;
    if (t != TPxFieldType::Short && t != TPxFieldType::Long && t != TPxFieldType::AutoInc &&
        t != TPxFieldType::Date && t != TPxFieldType::Time && t != TPxFieldType::Number &&
        t != TPxFieldType::Currency && t != TPxFieldType::Timestamp)
      break;
    FKeyOrderFields.push_back(i);
  }
  bool hasBlobs = false;
  for (const auto& f : FFields) hasBlobs = hasBlobs || IsPxBlobType(f.Type);
  FBlobs.reset();
  if (hasBlobs)
    FBlobs = std::make_unique<TPxBlobReader>(
        FindFileIgnoringCase(ExtractFilePath(path), BareFileName(path) + ".mb"));
  FEditing = false;
  FPending.clear();
  FDirty = false;
  FBackedUp = false;
  FProtected.clear();
  FProtectionProblem.clear();
  try {
    OpenThroughIndex();
    BuildOrder();
  } catch (...) {
    FImage = TPxFileImage();
    throw;
  }
  FActive = true;
  if (FSession) FSession->TableOpened(this);
  if (FMasterSource) {
    ApplyMasterRange();
  } else {
    FLo = 0;
    FHi = FImage.RecordCount();
    First();
  }
}

void TPxTable::OpenThroughIndex() {
  ChooseIndexFields();
  // A filter reads every record of its range: such a table is read whole.
  const std::string indexPath =
      (FFiltered && FOnFilterRecord) || !IndexFollowsKeyOrder()
          ? std::string()
          : FindFileIgnoringCase(ExtractFilePath(FImage.Path), BareFileName(FImage.Path) + ".px");
  if (!indexPath.empty()) {
    try {
      FImage.Indexed = std::make_unique<TPxIndexedBlocks>(
          indexPath, FImage, [this](const unsigned char* a, const unsigned char* b) {
            return CompareOn(FKeyOrderFields, a, b);
          });
      FImage.Count = FImage.Indexed->Count();
      return;
    } catch (const EPxIndexMismatch& e) {
      LogIndexMismatch(e.what());
    }
  }
  LoadWholeFile();
}

void TPxTable::LoadWholeFile() {
  TPxFileImage whole = ReadPxFile(FImage.Path, TPxRead::Records);
  FImage = std::move(whole);
}

bool TPxTable::IndexFollowsKeyOrder() const {
  if (FIndexFields.empty() || FIndexFields.size() > FKeyOrderFields.size()) return false;
  for (size_t i = 0; i < FIndexFields.size(); ++i)
    if (FIndexFields[i] != FKeyOrderFields[i]) return false;
  return true;
}

template <class F>
auto TPxTable::WholeTableOnMismatch(F&& step) -> decltype(step()) {
  if (!FImage.Indexed) return step();
  try {
    return step();
  } catch (const EPxIndexMismatch& e) {
    ReadWholeTable(e.what());
  }
  return step();
}

void TPxTable::LogIndexMismatch(const std::string& why) const {
  TLogger::Log(llWarn, why + "; tabela " + FTableName + " zostanie przeczytana w całości");
}

void TPxTable::ReadWholeTable(const std::string& why) {
  const long long at = FHasRecord ? FImage.Position(RecordAt(FCur)) : -1;
  LogIndexMismatch(why);
  LoadWholeFile();
  BuildOrder();
  if (FMasterSource) {
    MasterRange();
  } else {
    FLo = 0;
    FHi = FImage.RecordCount();
  }
  FHasRecord = false;
  FEof = true;
  for (size_t p = FLo; p < FHi && at >= 0; ++p)
    if (FImage.Position(RecordAt(p)) == at) {
      FCur = p;
      FHasRecord = true;
      FEof = false;
      break;
    }
}

void TPxTable::Close() {
  if (!FActive) return;
  FEditing = false;
  FPending.clear();
  if (FDirty) SaveChanges();
  FWriteFile.Reset();
  FActive = false;
  FImage = TPxFileImage();
  FOrder.clear();
  FBlobs.reset();
  FLo = FHi = FCur = 0;
  FEof = true;
  FHasRecord = false;
  if (FSession) FSession->TableClosed(this);
  Moved();
}

void TPxTable::UpdateFieldDefs() {
  if (FActive) return;
  const std::string path = FindTableFile(FTableName);
  if (path.empty()) throw EDatabaseError("Tabela " + FTableName + " nie istnieje (brak pliku .db)");
  const TPxFileImage image = ReadPxFile(path, false);
  FFields = image.Fields;
  FFieldMap.clear();
  for (size_t i = 0; i < FFields.size(); ++i)
    FFieldMap.emplace(AsciiLower(FFields[i].Name), static_cast<int>(i));
}

bool TPxTable::FieldExists(const std::string& name) {
  if (!FActive) UpdateFieldDefs();
  return FieldIndex(name) >= 0;
}

int TPxTable::FieldIndex(const std::string& name) const {
  const auto it = FFieldMap.find(AsciiLower(name));
  return it == FFieldMap.end() ? -1 : it->second;
}

int TPxTable::RequireField(const std::string& name) const {
  if (!FActive) throw EDatabaseError("Tabela " + FTableName + " nie jest otwarta do odczytu");
  const int i = FieldIndex(name);
  if (i < 0) throw EDatabaseError("Brak pola: \"" + name + "\" w tabeli: " + FTableName);
  return i;
}

TPxField TPxTable::FieldByName(const std::string& name) {
  return TPxField(this, RequireField(name));
}

std::string TPxTable::Describe(int index) const {
  return "pola " + FFields[static_cast<size_t>(index)].Name + " w tabeli " + FTableName;
}

std::string TPxTable::DescribeIn(int index) const {
  return "polu " + FFields[static_cast<size_t>(index)].Name + " w tabeli " + FTableName;
}

const unsigned char* TPxTable::CurrentRecord() const {
  if (!FActive || !FHasRecord) return nullptr;
  return FImage.Record(RecordAt(FCur));
}

const unsigned char* TPxTable::FieldBytes(int index) const {
  const unsigned char* rec = CurrentRecord();
  return rec ? rec + FFields[static_cast<size_t>(index)].Offset : nullptr;
}

std::string TPxTable::DecodeText(std::string_view bytes, int index) const {
  if (IsAscii(bytes)) return std::string(bytes);
  if (auto u = TryCodePageToUtf8(bytes, FCodePage)) return *u;
  throw EDatabaseError("Tekst " + Describe(index) + " ma znaki spoza strony kodowej " +
                       std::to_string(FCodePage));
}

std::string TPxTable::BlobBytes(const unsigned char* rec, int index) const {
  const TPxFieldDef& f = FFields[static_cast<size_t>(index)];
  const unsigned char* p = rec + f.Offset;
  const int lead = f.Size - 10;
  const TPxBlobRef ref = PxDecodeBlobRef(p + lead);
  const std::string_view leading(reinterpret_cast<const char*>(p), static_cast<size_t>(lead));
  return FBlobs->Read(ref, leading, Describe(index));
}

std::optional<double> TPxTable::FieldNumber(const unsigned char* rec, int index) const {
  const TPxFieldDef& f = FFields[static_cast<size_t>(index)];
  const unsigned char* p = rec + f.Offset;
  switch (f.Type) {
    case TPxFieldType::Short:
      if (auto v = PxDecodeShort(p)) return *v;
      return std::nullopt;
    case TPxFieldType::Long:
    case TPxFieldType::AutoInc:
      if (auto v = PxDecodeLong(p)) return *v;
      return std::nullopt;
    case TPxFieldType::Number:
    case TPxFieldType::Currency: return PxDecodeDouble(p);
    case TPxFieldType::Date:
      if (auto v = PxDecodeLong(p)) return PxDateToDateTime(*v).Value;
      return std::nullopt;
    case TPxFieldType::Time:
      if (auto v = PxDecodeLong(p)) return PxTimeToDateTime(*v).Value;
      return std::nullopt;
    case TPxFieldType::Timestamp:
      if (auto v = PxDecodeDouble(p)) return PxTimestampToDateTime(*v).Value;
      return std::nullopt;
    case TPxFieldType::Logical:
      if (auto v = PxDecodeLogical(p)) return *v ? 1.0 : 0.0;
      return std::nullopt;
    case TPxFieldType::BCD:
      if (auto v = PxDecodeBCD(p, f.Decimals)) return *TextToFloat(*v);
      return std::nullopt;
    default: return std::nullopt;
  }
}

std::string TPxTable::FieldText(int index) const {
  const unsigned char* rec = CurrentRecord();
  if (!rec) return "";
  const TPxFieldDef& f = FFields[static_cast<size_t>(index)];
  const unsigned char* p = rec + f.Offset;
  switch (f.Type) {
    case TPxFieldType::Alpha: return DecodeText(PxAlphaBytes(p, f.Size), index);
    case TPxFieldType::Memo:
    case TPxFieldType::FmtMemo: return DecodeText(BlobBytes(rec, index), index);
    case TPxFieldType::Blob:
    case TPxFieldType::Ole:
    case TPxFieldType::Graphic: return BlobBytes(rec, index);  // binary data, as stored
    case TPxFieldType::Bytes:
      return std::string(reinterpret_cast<const char*>(p), static_cast<size_t>(f.Size));
    case TPxFieldType::Short:
    case TPxFieldType::Long:
    case TPxFieldType::AutoInc: {
      const auto v = FieldNumber(rec, index);
      return v ? std::to_string(static_cast<long long>(*v)) : std::string();
    }
    case TPxFieldType::Number:
    case TPxFieldType::Currency:
    case TPxFieldType::BCD: {
      const auto v = FieldNumber(rec, index);
      return v ? FloatToText(*v) : std::string();
    }
    case TPxFieldType::Date:
    case TPxFieldType::Timestamp: {
      const auto v = FieldNumber(rec, index);
      return v ? DateTimeToText(TDateTime(*v)) : std::string();
    }
    case TPxFieldType::Time: {
      const auto v = FieldNumber(rec, index);
      return v ? FormatDateTime("hh:nn:ss", TDateTime(*v)) : std::string();
    }
    case TPxFieldType::Logical: {
      const auto v = PxDecodeLogical(p);
      return v ? (*v ? "True" : "False") : "";
    }
  }
  return "";
}

// ---------------------------------------------------------------- order and keys

std::vector<int> TPxTable::ParseFieldList(const std::string& names, const std::string& what) const {
  std::vector<int> out;
  for (const std::string& n : SplitNames(names)) {
    const int i = FieldIndex(n);
    if (i < 0)
      throw EDatabaseError("Brak pola: \"" + n + "\" w tabeli: " + FTableName + " (" + what + ")");
    const TPxFieldType t = FFields[static_cast<size_t>(i)].Type;
    if (t != TPxFieldType::Alpha && !IsPxNumericType(t))
      throw EDatabaseError("Pole " + n + " tabeli " + FTableName + " nie może być polem indeksu");
    out.push_back(i);
  }
  return out;
}

namespace {

// Integers, dates and times are stored big-endian with the sign bit turned
// over and null as zero: their bytes compare as their values, null lowest.
bool BytesCompareAsValues(TPxFieldType type) {
  return type == TPxFieldType::Short || type == TPxFieldType::Long ||
         type == TPxFieldType::AutoInc || type == TPxFieldType::Date || type == TPxFieldType::Time;
}

}  // namespace

int TPxTable::CompareOn(const std::vector<int>& fields, const unsigned char* a,
                        const unsigned char* b) const {
  for (int i : fields) {
    const TPxFieldDef& f = FFields[static_cast<size_t>(i)];
    int c;
    if (BytesCompareAsValues(f.Type)) {
      c = std::memcmp(a + f.Offset, b + f.Offset, static_cast<size_t>(f.Size));
    } else if (f.Type == TPxFieldType::Alpha) {
      c = CompareBytes(PxAlphaBytes(a + f.Offset, f.Size), PxAlphaBytes(b + f.Offset, f.Size));
    } else {
      const auto x = FieldNumber(a, i), y = FieldNumber(b, i);
      c = !x ? (y ? -1 : 0) : !y ? 1 : (*x < *y ? -1 : (*x > *y ? 1 : 0));
    }
    if (c != 0) return c;
  }
  return 0;
}

void TPxTable::ChooseIndexFields() {
  if (Trim(FIndexFieldNames).empty()) {
    FIndexFields.clear();
    for (int i = 0; i < FPrimaryKeyFields; ++i) FIndexFields.push_back(i);
  } else {
    FIndexFields = ParseFieldList(FIndexFieldNames, "pola indeksu");
  }
}

void TPxTable::BuildOrder() {
  ChooseIndexFields();
  FOrder.clear();
  if (FIndexFields.empty()) {
    if (FImage.Indexed) LoadWholeFile();
    return;
  }
  if (FImage.Indexed) {
    if (IndexFollowsKeyOrder()) return;
    LoadWholeFile();  // this order needs every record
  }
  // A keyed table keeps its records in the order of its primary key: when
  // they already follow the index, the file's order is the index order.
  const size_t n = FImage.RecordCount();
  // Integer and date fields one after another in the record compare as one
  // run of bytes.
  bool oneRun = true;
  for (size_t k = 0; k < FIndexFields.size(); ++k) {
    const TPxFieldDef& f = FFields[static_cast<size_t>(FIndexFields[k])];
    oneRun = oneRun && BytesCompareAsValues(f.Type) &&
             (k == 0 || f.Offset == FFields[static_cast<size_t>(FIndexFields[k - 1])].Offset +
                                        FFields[static_cast<size_t>(FIndexFields[k - 1])].Size);
  }
  const TPxFieldDef& firstField = FFields[static_cast<size_t>(FIndexFields.front())];
  const TPxFieldDef& lastField = FFields[static_cast<size_t>(FIndexFields.back())];
  const size_t runStart = static_cast<size_t>(firstField.Offset);
  const size_t runSize = static_cast<size_t>(lastField.Offset + lastField.Size) - runStart;
  bool ordered = true;
  for (size_t i = 1; i < n && ordered; ++i)
    ordered = oneRun ? std::memcmp(FImage.Record(i - 1) + runStart, FImage.Record(i) + runStart,
                                   runSize) <= 0
                     : CompareRecords(FImage.Record(i - 1), FImage.Record(i)) <= 0;
  if (ordered) return;
  // Otherwise the records are sorted by keys laid out so that their bytes
  // compare as the fields do: text as stored up to its end and padded with
  // zeros, a number as a mark (null lowest) and its value in eight bytes.
  size_t keySize = 0;
  for (int i : FIndexFields) {
    const TPxFieldDef& f = FFields[static_cast<size_t>(i)];
    keySize += f.Type == TPxFieldType::Alpha ? static_cast<size_t>(f.Size) : 9;
  }
  std::vector<unsigned char> keys(n * keySize, 0);
  for (size_t r = 0; r < n; ++r) {
    unsigned char* k = keys.data() + r * keySize;
    const unsigned char* rec = FImage.Record(r);
    for (int i : FIndexFields) {
      const TPxFieldDef& f = FFields[static_cast<size_t>(i)];
      if (f.Type == TPxFieldType::Alpha) {
        const std::string_view text = PxAlphaBytes(rec + f.Offset, f.Size);
        std::memcpy(k, text.data(), text.size());
        k += f.Size;
        continue;
      }
      if (const auto x = FieldNumber(rec, i)) {
        const double v = *x == 0 ? 0.0 : *x;  // one key for 0 and -0
        std::uint64_t u;
        std::memcpy(&u, &v, sizeof u);
        u = (u & 0x8000000000000000ull) ? ~u : u ^ 0x8000000000000000ull;
        k[0] = 1;
        for (int b = 0; b < 8; ++b) k[1 + b] = static_cast<unsigned char>(u >> (56 - 8 * b));
      }
      k += 9;
    }
  }
  FOrder.resize(n);
  for (size_t i = 0; i < n; ++i) FOrder[i] = i;
  std::stable_sort(FOrder.begin(), FOrder.end(), [&](size_t a, size_t b) {
    return std::memcmp(keys.data() + a * keySize, keys.data() + b * keySize, keySize) < 0;
  });
}

TPxTable::TKeyPart TPxTable::MakeKeyPart(int index, const TPxKeyValue& v) const {
  TKeyPart k;
  if (v.IsNull()) return k;
  const TPxFieldDef& f = FFields[static_cast<size_t>(index)];
  if (f.Type == TPxFieldType::Alpha) {
    const std::string text = v.ToText();
    const auto raw = TryUtf8ToCodePage(text, FCodePage);
    k.K = TKeyPart::Bytes;
    // A text the code page cannot hold matches no record; a byte that no stored text has stands for
    // it.
    k.Raw = raw ? *raw : std::string(1, '\xFF') + text;
    if (k.Raw.empty()) k.K = TKeyPart::Null;  // empty alpha is stored as null
    return k;
  }
  k.K = TKeyPart::Number;
  if (v.IsNumber()) {
    k.Num = v.Number();
    return k;
  }
  const std::string text = Trim(v.Text());
  if (text.empty()) return TKeyPart{};
  std::optional<double> n;
  if (f.Type == TPxFieldType::Date || f.Type == TPxFieldType::Timestamp) {
    if (auto d = TryStrToDateTime(text)) n = d->Value;
  } else if (f.Type == TPxFieldType::Time) {
    if (auto t = TryStrToTime(text)) n = t->Value;
  }
  if (!n) n = TextToFloat(text);
  if (!n) throw EDatabaseError("Wartość \"" + text + "\" nie pasuje do " + Describe(index));
  k.Num = *n;
  return k;
}

int TPxTable::CompareToKey(const unsigned char* rec, int index, const TKeyPart& part) const {
  const TPxFieldDef& f = FFields[static_cast<size_t>(index)];
  if (f.Type == TPxFieldType::Alpha) {
    const std::string_view a = PxAlphaBytes(rec + f.Offset, f.Size);
    if (part.K == TKeyPart::Null) return a.empty() ? 0 : 1;
    if (a.empty()) return -1;
    return CompareBytes(a, part.Raw);
  }
  const auto x = FieldNumber(rec, index);
  if (part.K == TKeyPart::Null) return x ? 1 : 0;
  if (!x) return -1;
  return *x < part.Num ? -1 : (*x > part.Num ? 1 : 0);
}

int TPxTable::CompareKeyAt(size_t pos, const std::vector<TKeyPart>& key) const {
  return CompareKeyRec(FImage.Record(RecordAt(pos)), key);
}

int TPxTable::CompareKeyRec(const unsigned char* rec, const std::vector<TKeyPart>& key) const {
  for (size_t i = 0; i < key.size(); ++i)
    if (const int c = CompareToKey(rec, FIndexFields[i], key[i]); c != 0) return c;
  return 0;
}

size_t TPxTable::FirstAtOrAfterKey(size_t lo, size_t hi, const std::vector<TKeyPart>& key,
                                   bool after) const {
  if (FImage.Indexed) {
    const size_t at = FImage.Indexed->Search([&](const unsigned char* rec) {
      const int c = CompareKeyRec(rec, key);
      return c < 0 || (after && c == 0);
    });
    return std::clamp(at, lo, hi);
  }
  while (lo < hi) {  // a binary search over the index order
    const size_t mid = lo + (hi - lo) / 2;
    const int c = CompareKeyAt(mid, key);
    if (c < 0 || (after && c == 0))
      lo = mid + 1;
    else
      hi = mid;
  }
  return lo;
}

bool TPxTable::Accepts(size_t pos) {
  if (!FFiltered || !FOnFilterRecord) return true;
  const size_t savedCur = FCur;
  const bool savedHas = FHasRecord;
  FCur = pos;
  FHasRecord = true;
  FInFilter = true;
  bool accept = true;
  try {
    FOnFilterRecord(*this, accept);
  } catch (...) {
    FInFilter = false;
    FCur = savedCur;
    FHasRecord = savedHas;
    throw;
  }
  FInFilter = false;
  FCur = savedCur;
  FHasRecord = savedHas;
  return accept;
}

void TPxTable::SeekFrom(size_t pos) {
  while (pos < FHi && !Accepts(pos)) ++pos;
  if (pos < FHi) {
    FImage.Record(RecordAt(pos));  // read here, where an index that does not fit is caught
    FCur = pos;
    FHasRecord = true;
    FEof = false;
  } else {
    FEof = true;
    if (!FHasRecord || FCur < FLo || FCur >= FHi)
      FHasRecord = false;  // an empty view has no record
  }
}

void TPxTable::First() {
  if (!FActive) throw EDatabaseError("Tabela " + FTableName + " nie jest otwarta do odczytu");
  WholeTableOnMismatch([&] {
    FHasRecord = false;
    SeekFrom(FLo);
  });
  Moved();
}

void TPxTable::Next() {
  if (!FActive) throw EDatabaseError("Tabela " + FTableName + " nie jest otwarta do odczytu");
  if (FEof) return;
  const bool moved = WholeTableOnMismatch([&] {
    const size_t before = FCur;
    SeekFrom(FCur + 1);
    return FCur != before || !FHasRecord;
  });
  if (moved) Moved();
}

bool TPxTable::IsEmpty() {
  if (!FActive) return true;
  return WholeTableOnMismatch([&] {
    for (size_t p = FLo; p < FHi; ++p)
      if (Accepts(p)) return false;
    return true;
  });
}

int TPxTable::RecordCount() {
  if (!FActive) return 0;
  return WholeTableOnMismatch([&] {
    int n = 0;
    for (size_t p = FLo; p < FHi; ++p)
      if (Accepts(p)) ++n;
    return n;
  });
}

bool TPxTable::FindKey(const std::vector<TPxKeyValue>& values) {
  if (!FActive) throw EDatabaseError("Tabela " + FTableName + " nie jest otwarta do odczytu");
  if (FIndexFields.empty())
    throw EDatabaseError("Tabela " + FTableName + " nie ma indeksu do wyszukiwania");
  if (values.empty() || values.size() > FIndexFields.size())
    throw EDatabaseError("Zła liczba wartości klucza dla tabeli " + FTableName);
  std::vector<TKeyPart> key;
  for (size_t i = 0; i < values.size(); ++i) key.push_back(MakeKeyPart(FIndexFields[i], values[i]));
  // The records of the key follow one another in the index order.
  return MoveToFirstMatch([&] { return FirstAtOrAfterKey(FLo, FHi, key, false); },
                          [&](size_t pos) { return CompareKeyAt(pos, key) == 0 ? 1 : -1; });
}

bool TPxTable::MoveToFirstMatch(const std::function<size_t()>& start,
                                const std::function<int(size_t pos)>& test) {
  const bool found = WholeTableOnMismatch([&] {
    for (size_t pos = start(); pos < FHi; ++pos) {
      const int t = test(pos);
      if (t < 0) break;
      if (t > 0 && Accepts(pos)) {
        FCur = pos;
        FHasRecord = true;
        FEof = false;
        return true;
      }
    }
    return false;
  });
  if (found) Moved();
  return found;
}

bool TPxTable::Locate(const std::string& fieldName, const TPxKeyValue& value) {
  const int index = RequireField(fieldName);
  const TKeyPart part = MakeKeyPart(index, value);
  return MoveToFirstMatch(
      [&] { return FLo; },
      [&](size_t pos) { return CompareToKey(FImage.Record(RecordAt(pos)), index, part) == 0; });
}

void TPxTable::Moved() {
  if (FEditing) Cancel();
  for (TPxDataSource* s : FSources) s->MasterMoved();
}

void TPxTable::ApplyMasterRange() {
  WholeTableOnMismatch([&] { MasterRange(); });
  First();
}

void TPxTable::MasterRange() {
  TPxTable* master = FMasterSource ? FMasterSource->DataSet() : nullptr;
  const std::vector<std::string> masterFields = SplitNames(FMasterFields);
  if (!master || masterFields.empty()) {  // no link: the whole table
    FLo = 0;
    FHi = FImage.RecordCount();
    return;
  }
  if (masterFields.size() > FIndexFields.size())
    throw EDatabaseError("Tabela " + FTableName + ": pól powiązania (" + FMasterFields +
                         ") jest więcej niż pól indeksu (" + FIndexFieldNames + ")");
  if (!master->Active() || !master->HasRecord()) {
    FLo = FHi = 0;
    return;
  }
  std::vector<TKeyPart> key;
  for (size_t i = 0; i < masterFields.size(); ++i) {
    TPxField mf = master->FieldByName(masterFields[i]);
    TPxKeyValue v;
    if (!mf.IsNull()) {
      if (mf.DataType() == TPxFieldType::Alpha)
        v = TPxKeyValue(mf.AsString());
      else
        v = TPxKeyValue(mf.AsFloat());
    }
    key.push_back(MakeKeyPart(FIndexFields[i], v));
  }
  FLo = FirstAtOrAfterKey(0, FImage.RecordCount(), key, false);
  FHi = FirstAtOrAfterKey(FLo, FImage.RecordCount(), key, true);
}

// ---------------------------------------------------------------- writing

void TPxTable::Edit() {
  if (!FActive) throw EDatabaseError("Tabela " + FTableName + " nie jest otwarta");
  if (!FHasRecord || FEof)
    throw EDatabaseError("Tabela " + FTableName + " nie ma bieżącego rekordu do edycji");
  FEditing = true;
  FPending.clear();
}

void TPxTable::Cancel() {
  FEditing = false;
  FPending.clear();
}

void TPxTable::LoadProtectedFields() {
  if (!FProtected.empty()) return;
  FProtected.assign(FFields.size(), false);
  for (int i = 0; i < FPrimaryKeyFields; ++i) FProtected[static_cast<size_t>(i)] = true;
  const std::string base = ExtractFilePath(FImage.Path) + BareFileName(FImage.Path);
  for (const std::string& file : FindSiblingFiles(base, IsIndexFileExt)) {
    try {
      for (const std::string& name : ReadPxIndexFieldNames(file)) {
        const int i = FieldIndex(name);
        if (i >= 0) FProtected[static_cast<size_t>(i)] = true;
      }
    } catch (const Exception& e) {
      FProtectionProblem = "nie można odczytać indeksu " + file + " (" + e.Message() + ")";
    }
  }
}

void TPxTable::CheckWritable(int index) const {
  const TPxFieldDef& f = FFields[static_cast<size_t>(index)];
  if (FImage.FileVersion < 40)
    throw EDatabaseError("Tabela " + FTableName +
                         " ma format Paradox 3; program nie zapisuje do takich tabel (pole " +
                         f.Name + ")");
  if (f.Type != TPxFieldType::Alpha)
    throw EDatabaseError("Pole " + f.Name + " w tabeli " + FTableName +
                         " nie jest polem tekstowym (" + PxFieldTypeName(f.Type) +
                         "); program zapisuje tylko pola tekstowe");
  const_cast<TPxTable*>(this)->LoadProtectedFields();
  if (!FProtectionProblem.empty())
    throw EDatabaseError("Zapis " + Describe(index) + " wstrzymany: " + FProtectionProblem);
  if (FProtected[static_cast<size_t>(index)])
    throw EDatabaseError("Pole " + f.Name + " w tabeli " + FTableName +
                         " należy do klucza lub indeksu; program nie zmienia takich pól");
}

std::string TPxTable::KeyText() const {
  std::string key;
  const int n = FPrimaryKeyFields > 0 ? FPrimaryKeyFields : 0;
  for (int i = 0; i < n; ++i) {
    if (i) key += "-";
    key += FieldText(i);
  }
  if (n == 0) key = "rekord " + std::to_string(RecordAt(FCur) + 1);
  return key;
}

void TPxTable::Post() {
  if (!FEditing) return;
  // Every pending value was checked when set; check again, nothing is written if one fails.
  for (const auto& [index, bytes] : FPending) CheckWritable(index);
  const std::map<int, std::string> pending = std::move(FPending);
  FPending.clear();
  FEditing = false;
  for (const auto& [index, bytes] : pending) WriteField(index, bytes);
}

namespace {

// The run stamp of a copy of the table BARE ("BARE_yyyymmdd_hhnnsszzz.db",
// or with "_n" before ".db" for the n-th copy of a run), or empty for any
// other name, a copy of another table among them.
std::string CopyRunStamp(const std::string& name, const std::string& bare) {
  const std::string stem = name.size() > 3 ? name.substr(0, name.size() - 3) : std::string();
  if (!SameTextAscii(ExtractFileExt(name), ".db") || stem.size() < bare.size() + 19 ||
      !SameTextAscii(stem.substr(0, bare.size() + 1), bare + "_"))
    return {};
  const std::string rest = stem.substr(bare.size() + 1);
  for (size_t i = 0; i < rest.size(); ++i) {
    const bool separator = i == 8 || i == 18;
    if (separator ? rest[i] != '_' : !std::isdigit(static_cast<unsigned char>(rest[i]))) return {};
  }
  return rest.size() == 18 || rest.size() > 19 ? rest.substr(0, 18) : std::string();
}

// A copy beyond the kept ones; one that cannot go stays, said in the log.
void RemoveOldCopy(const fs::path& copy) {
  std::error_code ec;
  if (!fs::remove(copy, ec) && ec)
    TLogger::Log(llWarn,
                 "Nie można usunąć starej kopii tabeli " + copy.string() + ": " + SystemErrorText(ec));
}

}  // namespace

void TPxTable::BackupTableFile() {
  const std::string dir = FSession ? FSession->PrivateDir() : std::string();
  if (dir.empty() || !FolderExists(dir))
    throw EDatabaseError("Brak folderu prywatnego sesji na kopię tabeli " + FTableName +
                         "; nic nie zapisano");
  const std::string bare = BareFileName(FImage.Path);
  const std::string run = FSession->RunStamp();
  std::string target;
  for (int n = 1;; ++n) {
    target = IncludeTrailingPathDelimiter(dir) + bare + "_" + run + "_" + std::to_string(n) + ".db";
    if (!FileExists(target)) break;
  }
  // Copied through the descriptor that holds the lock: opening the table file
  // anew and closing it would drop the process's lock on it.
  const long long size = FileSizeOfFd(FWriteFile.Fd());
  if (size < 0)
    throw EDatabaseError("Nie można odczytać pliku " + FImage.Path + " do kopii; nic nie zapisano");
  // Written under a name no copy has and renamed when complete: a copy
  // broken off halfway never passes for one.
  const std::string partial = target + ".tmp";
  std::error_code ec;
  TFileHandle out(::open(partial.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
  bool written = out.Valid() && CopyExact(FWriteFile.Fd(), out.Fd(), size) &&
                 FileSizeOfFd(out.Fd()) == size && ::fsync(out.Fd()) == 0;
  out.Reset();
  written = written && ::rename(partial.c_str(), target.c_str()) == 0;
  if (!written) {
    fs::remove(partial, ec);
    throw EDatabaseError("Nie można zapisać kopii tabeli " + FTableName + " w " + target +
                         "; nic nie zapisano");
  }
  // The runs of this table, newest last; the oldest beyond the kept ones go,
  // and with them what a broken-off copy left.
  std::map<std::string, std::vector<fs::path>> runs;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    const bool leftover = SameTextAscii(ExtractFileExt(name), ".tmp");
    const std::string stamp = CopyRunStamp(leftover ? name.substr(0, name.size() - 4) : name, bare);
    if (stamp.empty()) continue;
    if (leftover)
      RemoveOldCopy(it->path());
    else
      runs[stamp].push_back(it->path());
  }
  if (ec) TLogger::Log(llWarn, "Nie można przejrzeć kopii tabel w " + dir + ": " + SystemErrorText(ec));
  for (auto it = runs.begin(); runs.size() > BackupRunsKept; it = runs.erase(it))
    for (const fs::path& copy : it->second) RemoveOldCopy(copy);
  FBackedUp = true;
}

void TPxTable::WriteField(int index, const std::string& bytes) {
  const TPxFieldDef& f = FFields[static_cast<size_t>(index)];
  const size_t rec = RecordAt(FCur);
  const long long pos = FImage.Position(rec);
  const size_t size = static_cast<size_t>(FImage.RecordSize);
  unsigned char* mine = FImage.MutableRecord(rec);
  const std::string refused = "; zapis " + Describe(index) + " nie został wykonany";

  if (!FWriteFile.Valid()) {
    FWriteFile = TFileHandle(::open(FImage.Path.c_str(), O_RDWR | O_CLOEXEC));
    if (!FWriteFile.Valid())
      throw EDatabaseError("Nie można otworzyć pliku " + FImage.Path + " do zapisu" + refused);
  }
  TExclusiveFileLock lock(FWriteFile.Fd(), FLockTimeoutMs);
  if (!lock.Locked())
    throw EDatabaseError("Tabela " + FTableName + " jest zablokowana przez inny program" + refused);
  if (!FBackedUp) BackupTableFile();

  // The record must still be where it was read and hold what was read: the
  // other program may have moved or changed it since.
  std::vector<unsigned char> now(size);
  if (!ReadExact(FWriteFile.Fd(), pos, now.data(), size))
    throw EDatabaseError("Nie można odczytać rekordu tabeli " + FTableName + refused);
  bool same = std::memcmp(now.data() + f.Offset, mine + f.Offset, static_cast<size_t>(f.Size)) == 0;
  if (FPrimaryKeyFields > 0) {
    const TPxFieldDef& last = FFields[static_cast<size_t>(FPrimaryKeyFields - 1)];
    same = same && std::memcmp(now.data(), mine, static_cast<size_t>(last.Offset + last.Size)) == 0;
  } else {
    same = same && std::memcmp(now.data(), mine, size) == 0;
  }
  if (!same)
    throw EDatabaseError("Rekord " + KeyText() + " tabeli " + FTableName +
                         " został zmieniony przez inny program" + refused);

  const std::string oldValue = FieldText(index);
  if (!WriteExact(FWriteFile.Fd(), pos + f.Offset, bytes.data(), bytes.size()))
    throw EDatabaseError("Błąd zapisu do pliku " + FImage.Path + refused);
  FDirty = true;
  std::vector<unsigned char> expected = now;
  std::memcpy(expected.data() + f.Offset, bytes.data(), bytes.size());
  std::vector<unsigned char> back(size);
  if (!ReadExact(FWriteFile.Fd(), pos, back.data(), size) || back != expected)
    throw EDatabaseError("Zapis " + Describe(index) + " (rekord " + KeyText() +
                         ") nie został potwierdzony odczytem");
  std::memcpy(mine, back.data(), size);
  TLogger::Log(llDebug, "Zapis do tabeli " + FTableName + ", klucz " + KeyText() + ", pole " +
                            f.Name + ": \"" + oldValue + "\" -> \"" + FieldText(index) + "\"");
}

bool TPxTable::SaveChanges() {
  if (!FWriteFile.Valid() || !FDirty) return true;
  if (::fsync(FWriteFile.Fd()) != 0) {
    TLogger::Log(llError, "Nie można zapisać na dysk zmian tabeli " + FTableName);
    return false;
  }
  FDirty = false;
  return true;
}

}  // namespace brenvik
