#include "uPxFixture.h"

extern "C" {  // the library header declares no C linkage itself
#include <paradox.h>
}

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>

#include "uErrors.h"
#include "uPaths.h"
#include "uTextCodec.h"

namespace brenvik {

namespace {

struct TParsedType {
  TPxFieldType Type;
  int Size;
  int Decimals;
};

TParsedType ParseType(const std::string& field, const std::string& t) {
  auto number = [&](size_t from) {
    const std::string digits = t.substr(from);
    const auto v = TextToInteger(digits);
    if (!v || digits.empty() || !std::all_of(digits.begin(), digits.end(), ::isdigit))
      throw EConvertError("Zły typ pola " + field + ": \"" + t + "\"");
    return static_cast<int>(*v);
  };
  if (t.empty()) throw EConvertError("Brak typu pola " + field);
  switch (t[0]) {
    case 'A': {
      const int n = number(1);
      if (n < 1 || n > 255) throw EConvertError("Zła długość pola " + field + ": \"" + t + "\"");
      return {TPxFieldType::Alpha, n, 0};
    }
    case 'M': {
      const int n = number(1);
      if (n < 1 || n > 240) throw EConvertError("Zła długość pola " + field + ": \"" + t + "\"");
      return {TPxFieldType::Memo, n + 10, 0};
    }
    case '#': {
      const int n = number(1);
      if (n < 0 || n > 32) throw EConvertError("Zła liczba miejsc po przecinku pola " + field + ": \"" + t + "\"");
      return {TPxFieldType::BCD, 17, n};
    }
    default: break;
  }
  if (t.size() == 1) {
    switch (t[0]) {
      case 'S': return {TPxFieldType::Short, 2, 0};
      case 'I': return {TPxFieldType::Long, 4, 0};
      case 'N': return {TPxFieldType::Number, 8, 0};
      case '$': return {TPxFieldType::Currency, 8, 0};
      case 'D': return {TPxFieldType::Date, 4, 0};
      case 'T': return {TPxFieldType::Time, 4, 0};
      case '@': return {TPxFieldType::Timestamp, 8, 0};
      case 'L': return {TPxFieldType::Logical, 1, 0};
      case '+': return {TPxFieldType::AutoInc, 4, 0};
      default: break;
    }
  }
  throw EConvertError("Nieznany typ pola " + field + ": \"" + t + "\"");
}

std::string ValueText(const TFixtureValue& v) {
  if (std::holds_alternative<std::string>(v)) return std::get<std::string>(v);
  if (std::holds_alternative<long long>(v)) return std::to_string(std::get<long long>(v));
  if (std::holds_alternative<double>(v)) return FloatToText(std::get<double>(v));
  if (std::holds_alternative<bool>(v)) return std::get<bool>(v) ? "true" : "false";
  return "null";
}

std::optional<double> ValueNumber(const TFixtureValue& v) {
  if (std::holds_alternative<long long>(v)) return static_cast<double>(std::get<long long>(v));
  if (std::holds_alternative<double>(v)) return std::get<double>(v);
  if (std::holds_alternative<bool>(v)) return std::get<bool>(v) ? 1.0 : 0.0;
  return std::nullopt;
}

struct TPxDocOwner {
  pxdoc_t* Doc = nullptr;
  ~TPxDocOwner() {
    if (Doc) {
      PX_close(Doc);
      PX_delete(Doc);
    }
  }
};

void SilentErrors(pxdoc_t*, int, const char* msg, void* data) {
  auto* text = static_cast<std::string*>(data);
  if (!text->empty()) *text += "; ";
  *text += msg ? msg : "?";
}

}  // namespace

TPxTableWriter::TPxTableWriter(const std::string& path, const std::vector<TFixtureField>& fields,
                               int codePage, int primaryKeyFields)
    : FPath(path), FCodePage(codePage), FPrimary(primaryKeyFields) {
  if (fields.empty() || fields.size() > 255) throw EConvertError("Tabela " + path + " musi mieć od 1 do 255 pól");
  if (primaryKeyFields < 0 || primaryKeyFields > static_cast<int>(fields.size()))
    throw EConvertError("Zła liczba pól klucza tabeli " + path);
  bool memo = false;
  for (const auto& f : fields) {
    const TParsedType t = ParseType(f.Name, f.Type);
    if (f.Name.empty() || f.Name.size() > 25) throw EConvertError("Zła nazwa pola \"" + f.Name + "\" w tabeli " + path);
    FColumns.push_back({f.Name, t.Type, t.Size, t.Decimals, FRecordSize});
    FRecordSize += t.Size;
    memo = memo || t.Type == TPxFieldType::Memo;
  }
  for (int i = 0; i < FPrimary; ++i)
    if (FColumns[static_cast<size_t>(i)].Type == TPxFieldType::Memo)
      throw EConvertError("Pole notatki " + FColumns[static_cast<size_t>(i)].Name + " nie może należeć do klucza");
  if (FRecordSize > 4000) throw EConvertError("Rekord tabeli " + path + " jest za długi");
  if (memo) FBlobs = std::make_unique<TPxBlobWriter>(ChangeFileExt(path, ".mb"));
}

TPxTableWriter::~TPxTableWriter() = default;

void TPxTableWriter::Encode(const TColumn& c, const TFixtureValue& v, unsigned char* p) {
  if (std::holds_alternative<std::monostate>(v)) {
    if (c.Type == TPxFieldType::AutoInc) PxEncodeLong(p, static_cast<std::int32_t>(++FAutoInc));
    return;  // null: all bytes zero
  }
  auto bad = [&]() {
    return EConvertError("Wartość " + ValueText(v) + " nie pasuje do pola " + c.Name + " (" +
                         PxFieldTypeName(c.Type) + ") tabeli " + FPath);
  };
  auto integer = [&](long long lo, long long hi) {
    const auto n = ValueNumber(v);
    if (!n || std::floor(*n) != *n || *n < static_cast<double>(lo) || *n > static_cast<double>(hi)) throw bad();
    return static_cast<long long>(*n);
  };
  switch (c.Type) {
    case TPxFieldType::Alpha:
    case TPxFieldType::Memo: {
      if (std::holds_alternative<bool>(v)) throw bad();
      const auto bytes = TryUtf8ToCodePage(ValueText(v), FCodePage);
      if (!bytes) throw bad();
      if (c.Type == TPxFieldType::Alpha) {
        if (static_cast<int>(bytes->size()) > c.Size || bytes->find('\0') != std::string::npos) throw bad();
        std::memcpy(p, bytes->data(), bytes->size());
        return;
      }
      const size_t lead = static_cast<size_t>(c.Size - 10);
      std::memcpy(p, bytes->data(), std::min(lead, bytes->size()));
      TPxBlobRef ref;
      ref.Length = static_cast<std::uint32_t>(bytes->size());
      if (bytes->size() > lead) ref = FBlobs->Append(*bytes);
      PxEncodeBlobRef(p + lead, ref);
      return;
    }
    case TPxFieldType::Short: PxEncodeShort(p, static_cast<std::int16_t>(integer(-32767, 32767))); return;
    case TPxFieldType::Long: PxEncodeLong(p, static_cast<std::int32_t>(integer(-2147483647LL, 2147483647LL))); return;
    case TPxFieldType::AutoInc: {
      const long long n = integer(1, 2147483647LL);
      FAutoInc = std::max(FAutoInc, n);
      PxEncodeLong(p, static_cast<std::int32_t>(n));
      return;
    }
    case TPxFieldType::Number:
    case TPxFieldType::Currency: {
      const auto n = ValueNumber(v);
      if (!n || std::holds_alternative<bool>(v)) throw bad();
      PxEncodeDouble(p, *n);
      return;
    }
    case TPxFieldType::BCD: {
      const auto n = ValueNumber(v);
      if (!n || std::holds_alternative<bool>(v)) throw bad();
      PxEncodeBCD(p, c.Decimals, *n);
      return;
    }
    case TPxFieldType::Logical:
      if (!std::holds_alternative<bool>(v)) throw bad();
      PxEncodeLogical(p, std::get<bool>(v));
      return;
    case TPxFieldType::Date:
    case TPxFieldType::Time:
    case TPxFieldType::Timestamp: {
      std::optional<TDateTime> dt;
      if (std::holds_alternative<std::string>(v)) {
        const std::string& s = std::get<std::string>(v);
        dt = c.Type == TPxFieldType::Time ? TryStrToTime(s)
             : c.Type == TPxFieldType::Date ? TryStrToDate(s) : TryStrToDateTime(s);
      } else if (!std::holds_alternative<bool>(v)) {
        if (const auto n = ValueNumber(v)) dt = TDateTime(*n);
      }
      if (!dt) throw bad();
      if (c.Type == TPxFieldType::Date) PxEncodeLong(p, PxDateTimeToDate(*dt));
      else if (c.Type == TPxFieldType::Time) PxEncodeLong(p, PxDateTimeToTime(*dt));
      else PxEncodeDouble(p, PxDateTimeToTimestamp(*dt));
      return;
    }
    default: throw bad();
  }
}

void TPxTableWriter::AddRecord(const std::vector<TFixtureValue>& values) {
  if (FClosed) throw EConvertError("Tabela " + FPath + " jest już zapisana");
  if (values.size() != FColumns.size())
    throw EConvertError("Rekord tabeli " + FPath + " ma " + std::to_string(values.size()) + " wartości zamiast " +
                        std::to_string(FColumns.size()));
  const size_t at = FData.size();
  FData.resize(at + static_cast<size_t>(FRecordSize), 0);
  try {
    for (size_t i = 0; i < values.size(); ++i) Encode(FColumns[i], values[i], FData.data() + at + FColumns[i].Offset);
  } catch (...) {
    FData.resize(at);
    throw;
  }
}

void TPxTableWriter::Close() {
  if (FClosed) return;
  FClosed = true;
  const size_t size = static_cast<size_t>(FRecordSize);
  const size_t count = FData.size() / size;
  std::vector<size_t> order(count);
  for (size_t i = 0; i < count; ++i) order[i] = i;
  if (FPrimary > 0) {
    // The stored forms of keys sort as their values, so the key bytes order the records.
    const size_t keyLen = static_cast<size_t>(FColumns[static_cast<size_t>(FPrimary - 1)].Offset +
                                              FColumns[static_cast<size_t>(FPrimary - 1)].Size);
    const unsigned char* d = FData.data();
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
      return std::memcmp(d + a * size, d + b * size, keyLen) < 0;
    });
    for (size_t i = 1; i < count; ++i)
      if (std::memcmp(d + order[i - 1] * size, d + order[i] * size, keyLen) == 0)
        throw EConvertError("Powtórzony klucz w tabeli " + FPath + " (rekord " + std::to_string(order[i] + 1) + ")");
  }

  std::string errors;
  TPxDocOwner owner;
  owner.Doc = PX_new3(SilentErrors, nullptr, nullptr, nullptr, &errors);
  pxdoc_t* doc = owner.Doc;
  if (!doc) throw EInOutError("Brak pamięci przy tworzeniu tabeli " + FPath);
  auto* fields = static_cast<pxfield_t*>(doc->malloc(doc, sizeof(pxfield_t) * FColumns.size(), "fields"));
  for (size_t i = 0; i < FColumns.size(); ++i) {
    const TColumn& c = FColumns[i];
    fields[i].px_fname = static_cast<char*>(doc->malloc(doc, c.Name.size() + 1, "field name"));
    std::memcpy(fields[i].px_fname, c.Name.c_str(), c.Name.size() + 1);
    fields[i].px_ftype = static_cast<char>(c.Type);
    fields[i].px_flen = c.Size;
    fields[i].px_fdc = c.Decimals;
  }
  std::error_code ec;
  std::filesystem::remove(FPath, ec);
  if (PX_create_file(doc, fields, static_cast<int>(FColumns.size()), FPath.c_str(),
                     FPrimary > 0 ? pxfFileTypIndexDB : pxfFileTypNonIndexDB) < 0)
    throw EInOutError("Nie można utworzyć tabeli " + FPath + ": " + errors);
  PX_set_value(doc, "codepage", static_cast<float>(FCodePage));
  if (FPrimary > 0) PX_set_value(doc, "numprimkeys", static_cast<float>(FPrimary));
  PX_set_parameter(doc, "tablename", BareFileName(FPath).c_str());
  std::vector<char> rec(size);
  for (size_t i : order) {
    std::memcpy(rec.data(), FData.data() + i * size, size);
    if (PX_put_record(doc, rec.data()) < 0)
      throw EInOutError("Błąd zapisu rekordu tabeli " + FPath + ": " + errors);
  }
  if (FAutoInc > 0) PX_set_value(doc, "autoinc", static_cast<float>(FAutoInc));
  PX_close(doc);
  PX_delete(doc);
  owner.Doc = nullptr;
  if (FBlobs) FBlobs->Close();
  FData.clear();
  FData.shrink_to_fit();
}

namespace {

TFixtureValue FromJson(const nlohmann::json& j, const std::string& where) {
  if (j.is_null()) return std::monostate{};
  if (j.is_boolean()) return j.get<bool>();
  if (j.is_number_integer()) return j.get<long long>();
  if (j.is_number()) return j.get<double>();
  if (j.is_string()) return j.get<std::string>();
  throw EConvertError("Niedozwolona wartość w " + where + ": " + j.dump());
}

}  // namespace

void BuildFixtureFromText(const std::string& jsonText, const std::string& outDir) {
  nlohmann::json site;
  try {
    site = nlohmann::json::parse(jsonText);
  } catch (const nlohmann::json::exception& e) {
    throw EConvertError(std::string("Opis tabel nie jest poprawnym JSON: ") + e.what());
  }
  if (!site.is_object() || !site.contains("tables") || !site["tables"].is_object())
    throw EConvertError("Opis tabel nie ma obiektu \"tables\"");
  const int codePage = site.value("codepage", 1250);
  for (const auto& [key, table] : site["tables"].items()) {
    if (key.empty() || IsRootedPath(key) || key.find("..") != std::string::npos)
      throw EConvertError("Zła nazwa tabeli \"" + key + "\"");
    if (!table.is_object() || !table.contains("fields") || !table["fields"].is_array())
      throw EConvertError("Tabela " + key + " nie ma listy \"fields\"");
    std::vector<TFixtureField> fields;
    for (const auto& f : table["fields"]) {
      if (!f.is_array() || f.size() != 2 || !f[0].is_string() || !f[1].is_string())
        throw EConvertError("Zła definicja pola w tabeli " + key + ": " + f.dump());
      fields.push_back({f[0].get<std::string>(), f[1].get<std::string>()});
    }
    const std::string path = PathJoin(outDir, key) + ".db";
    std::error_code ec;
    std::filesystem::create_directories(ExtractFilePath(path), ec);
    if (ec) throw EInOutError("Nie można utworzyć folderu " + ExtractFilePath(path));
    TPxTableWriter writer(path, fields, table.value("codepage", codePage), table.value("primary", 0));
    if (table.contains("records")) {
      if (!table["records"].is_array()) throw EConvertError("Lista \"records\" tabeli " + key + " nie jest tablicą");
      for (const auto& r : table["records"]) {
        if (!r.is_array()) throw EConvertError("Rekord tabeli " + key + " nie jest tablicą: " + r.dump());
        std::vector<TFixtureValue> values;
        for (const auto& v : r) values.push_back(FromJson(v, "tabeli " + key));
        writer.AddRecord(values);
      }
    }
    writer.Close();
  }
}

void BuildFixtureFromFile(const std::string& jsonPath, const std::string& outDir) {
  std::ifstream in(jsonPath, std::ios::binary);
  if (!in) throw EFOpenError("Nie można otworzyć pliku " + jsonPath);
  std::ostringstream text;
  text << in.rdbuf();
  BuildFixtureFromText(text.str(), outDir);
}

}  // namespace brenvik
