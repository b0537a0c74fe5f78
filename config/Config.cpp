#include "config/Config.h"
#include "support/SystemErrors.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/Errors.h"
#include "support/Logger.h"
#include "support/Paths.h"
#include "support/TextCodec.h"

namespace fs = std::filesystem;

namespace brenvik {
namespace {

// Dates as the short date form reads them: year, month and day separated by "-".
bool TryParseIniDate(const std::string& text, TDateTime& value) {
  int parts[3] = {0, 0, 0};
  int digits[3] = {0, 0, 0};
  int idx = 0;
  for (char c : text) {
    if (c == '-') {
      if (++idx > 2) return false;
    } else if (c >= '0' && c <= '9') {
      if (++digits[idx] > 4) return false;
      parts[idx] = parts[idx] * 10 + (c - '0');
    } else {
      return false;
    }
  }
  if (idx != 2 || digits[0] == 0 || digits[1] == 0 || digits[1] > 2 || digits[2] == 0 ||
      digits[2] > 2 || !IsValidDate(parts[0], parts[1], parts[2]))
    return false;
  value = EncodeDate(parts[0], parts[1], parts[2]);
  return true;
}

std::string BoolText(bool v) { return v ? "1" : "0"; }

using TKind = TSetting::TKind;
using TWritten = TSetting::TWritten;
using TLoadDefault = TSetting::TLoadDefault;

// Sections of the warehouse programs: their keys belong only in a file that names them.
bool IsProgramSection(const std::string& section) {
  return section == "STELMAR" || section == "NERA";
}

}  // namespace

bool TryParseIniInteger(const std::string& text, std::int32_t& value) {
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int base = 10;
  if (i < text.size() && text[i] == '$') {
    base = 16;
    ++i;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i >= text.size()) return false;
  long long v = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    int d;
    if (c >= '0' && c <= '9')
      d = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f')
      d = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F')
      d = c - 'A' + 10;
    else
      return false;
    v = v * base + d;
    if (v > 0xFFFFFFFFLL) return false;
  }
  if (negative) v = -v;
  // Hexadecimal text may spell the full 32-bit pattern (as $FFFFFFFF for -1).
  if (base == 16 && v > INT32_MAX) v -= 0x100000000LL;
  if (v < INT32_MIN || v > INT32_MAX) return false;
  value = static_cast<std::int32_t>(v);
  return true;
}

std::string ResolvePath(const std::string& baseDir, const std::string& path) {
  if (IsRootedPath(path)) {
    if (HasInvalidPathChars(path)) throw EArgumentException("Invalid characters in path");
    return path;
  }
  return PathJoin(baseDir, path);
}

void ForceFolder(const std::string& path) {
  std::error_code ec;
  if (!path.empty()) fs::create_directories(fs::path(path), ec);
  if (path.empty() || ec || !FolderExists(path))
    throw EInOutError("Nie można utworzyć folderu:\r\n" + path);
}

TAPIConfig ReadEnvFile(const std::string& fileName) {
  std::ifstream in(fileName, std::ios::binary);
  if (!in)
    throw EFOpenError("Nie można otworzyć pliku \"" + fileName + "\". " + SystemErrorText(errno));
  std::ostringstream buf;
  buf << in.rdbuf();
  TTextEncoding encoding;
  const std::vector<std::string> lines = SplitLines(DecodeText(buf.str(), encoding, fileName));
  TAPIConfig cfg;
  // Names and values are read without the blanks around them; a name given
  // twice keeps its first value and is told.
  std::vector<std::pair<std::string, std::string>> entries;
  std::vector<size_t> lineOf;
  for (size_t n = 0; n < lines.size(); ++n) {
    const auto eq = lines[n].find('=');
    if (eq == std::string::npos) continue;
    const std::string name = AsciiUpper(Trim(lines[n].substr(0, eq)));
    if (name.empty() || name[0] == '#') continue;
    bool repeated = false;
    for (size_t i = 0; i < entries.size(); ++i)
      if (entries[i].first == name) {
        cfg.Warnings.push_back("Plik " + fileName + ", wiersz " + std::to_string(n + 1) +
                               ": klucz " + name + " podany ponownie; użyto wartości z wiersza " +
                               std::to_string(lineOf[i] + 1));
        repeated = true;
      }
    if (repeated) continue;
    entries.emplace_back(name, Trim(lines[n].substr(eq + 1)));
    lineOf.push_back(n);
  }
  auto value = [&](const char* name) {
    for (const auto& [key, text] : entries)
      if (key == name) return text;
    return std::string();
  };
  cfg.NIP = value("KSEF_NIP");
  cfg.BASE_DIR_PATH = value("BASE_DIR_PATH");
  cfg.BASE_URL = value("KSEF_BASE_URL");
  cfg.CERTIFICATE_PATH = value("KSEF_CERTIFICATE_PATH");
  return cfg;
}

std::span<const TSetting> TConfig::Settings() {
#define AnyValue \
  TSetting::TRange {}
#define Range(lowest, highest, below) \
  TSetting::TRange { true, lowest, highest, TSetting::TBelow::below }
#define BRENVIK_SETTING(section, key, kind, def, written, member, loadDefault, range) \
  TSetting{section,                                                                   \
           key,                                                                       \
           TKind::kind,                                                               \
           def,                                                                       \
           TWritten::written,                                                         \
           TSetting::TMember(member),                                                 \
           TLoadDefault::loadDefault,                                                 \
           range},
  static const TSetting settings[] = {
#include "config/Settings.def"
  };
#undef BRENVIK_SETTING
#undef Range
#undef AnyValue
  return settings;
}

TConfig::TConfig(const std::string& iniFName) : FIniFName(iniFName), FIni(iniFName) {
  for (const TSetting& s : Settings()) ApplyDefault(s);
  for (const std::string& repeat : FIni.Repeats()) Warn(repeat);
}

void TConfig::Warn(const std::string& text) {
  for (const std::string& w : FWarnings)
    if (w == text) return;
  FWarnings.push_back(text);
  TLogger::Log(llWarn, text);
}

const TSetting& TConfig::SettingOf(const std::string& section, const std::string& key) const {
  for (const TSetting& s : Settings())
    if (SameTextAscii(s.Section, section) && SameTextAscii(s.Key, key)) return s;
  throw Exception("Brak ustawienia [" + section + "] " + key + " w wykazie ustawień");
}

std::int32_t TConfig::SettingInteger(const std::string& section, const std::string& key) {
  return LoadInteger(SettingOf(section, key));
}

bool TConfig::SettingBool(const std::string& section, const std::string& key) {
  return LoadBool(SettingOf(section, key));
}

// A missing or empty key takes the default quietly; anything else that cannot
// be taken as written is reported.
std::int32_t TConfig::LoadInteger(const TSetting& s) {
  const std::int32_t fallback = DefaultInteger(s);
  const std::string text = Trim(ReadString(s.Section, s.Key, ""));
  if (text.empty()) return fallback;
  const std::string where =
      std::string("W sekcji [") + s.Section + "] wartość klucza " + s.Key + " = " + text;
  std::int32_t value = 0;
  // A decimal number past 32 bits is still below or above every range.
  const size_t sign = text[0] == '-' || text[0] == '+' ? 1 : 0;
  const bool digitsOnly =
      text.size() > sign && text.find_first_not_of("0123456789", sign) == std::string::npos;
  const bool read = TryParseIniInteger(text, value);
  if (!read && !(digitsOnly && s.Range.Limited)) {
    Warn(where + " jest nieczytelna; użyto: " + std::to_string(fallback));
    return fallback;
  }
  if (!s.Range.Limited) return value;
  const bool below = read ? value < s.Range.Lowest : text[0] == '-';
  const bool above = read ? value > s.Range.Highest : text[0] != '-';
  if (below && s.Range.Below == TSetting::TBelow::Refuse)
    throw Exception(std::string("W sekcji [") + s.Section +
                    "] wartość klucza jest niedozwolona (najmniej " +
                    std::to_string(s.Range.Lowest) + "):\r\n" + s.Key + " = " + text);
  if (!below && !above) return value;
  const std::int32_t used = below ? s.Range.Lowest : s.Range.Highest;
  Warn(where + " jest poza zakresem " + std::to_string(s.Range.Lowest) + ".." +
       std::to_string(s.Range.Highest) + "; użyto: " + std::to_string(used));
  return used;
}

bool TConfig::LoadBool(const TSetting& s) {
  const bool fallback = DefaultBool(s);
  const std::string text = Trim(ReadString(s.Section, s.Key, ""));
  std::int32_t value = 0;
  if (text.empty()) return fallback;
  if (TryParseIniInteger(text, value)) return value != 0;
  Warn(std::string("W sekcji [") + s.Section + "] wartość klucza " + s.Key + " = " + text +
       " jest nieczytelna; użyto: " + BoolText(fallback));
  return fallback;
}

TDateTime TConfig::LoadDate(const TSetting& s) {
  const TDateTime fallback = DefaultDate(s);
  const std::string text = Trim(ReadString(s.Section, s.Key, ""));
  TDateTime value;
  if (text.empty()) return fallback;
  if (TryParseIniDate(text, value)) return value;
  Warn(std::string("W sekcji [") + s.Section + "] wartość klucza " + s.Key + " = " + text +
       " jest nieczytelna; użyto: " + DateToStr(fallback));
  return fallback;
}

TConfig::~TConfig() {
  try {
    SaveIfChanged();
  } catch (const std::exception& e) {
    try {
      TLogger::Error("Nie zapisano pliku konfiguracyjnego " + FIniFName + ": " + e.what());
    } catch (...) {
    }
  }
}

void TConfig::Save() {
  FIni.SaveToFile(FIniFName);
  FDirty = false;
}

void TConfig::SaveIfChanged() {
  if (FDirty) Save();
}

std::string TConfig::ReadString(const std::string& section, const std::string& key,
                                const std::string& defaultValue) const {
  auto v = FIni.Value(section, key);
  return v ? *v : defaultValue;
}

std::int32_t TConfig::ReadInteger(const std::string& section, const std::string& key,
                                  std::int32_t defaultValue) const {
  auto v = FIni.Value(section, key);
  std::int32_t result;
  if (v && TryParseIniInteger(*v, result)) return result;
  return defaultValue;
}

bool TConfig::ReadBool(const std::string& section, const std::string& key,
                       bool defaultValue) const {
  return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

TDateTime TConfig::ReadDate(const std::string& section, const std::string& key,
                            TDateTime defaultValue) const {
  auto v = FIni.Value(section, key);
  TDateTime result;
  if (v && TryParseIniDate(*v, result)) return result;
  return defaultValue;
}

void TConfig::WriteString(const std::string& section, const std::string& key,
                          const std::string& value) {
  if (ReadString(section, key, "") == value) return;
  FIni.SetValue(section, key, value);
  MarkDirty();
}

void TConfig::WriteInteger(const std::string& section, const std::string& key, std::int32_t value) {
  if (ReadInteger(section, key, INT32_MIN) == value) return;
  FIni.SetValue(section, key, std::to_string(value));
  MarkDirty();
}

void TConfig::WriteBool(const std::string& section, const std::string& key, bool value) {
  if (ReadBool(section, key, !value) == value) return;
  FIni.SetValue(section, key, BoolText(value));
  MarkDirty();
}

void TConfig::WriteDate(const std::string& section, const std::string& key, TDateTime value) {
  if (ReadDate(section, key, TDateTime(0)) == value) return;
  FIni.SetValue(section, key, DateToStr(value));
  MarkDirty();
}

void TConfig::EnsureString(const std::string& section, const std::string& key,
                           const std::string& value) {
  if (FIni.KeyExists(section, key)) return;
  FIni.SetValue(section, key, value);
  MarkDirty();
}

void TConfig::EnsureInteger(const std::string& section, const std::string& key,
                            std::int32_t value) {
  EnsureString(section, key, std::to_string(value));
}

void TConfig::EnsureDefaults() {
  const std::string iniDir = ExtractFilePath(FIniFName);
  for (const TSetting& s : Settings()) {
    if (s.Written == TWritten::No) continue;
    if (IsProgramSection(s.Section) && !FIni.SectionExists(s.Section)) continue;
    EnsureString(s.Section, s.Key,
                 s.Written == TWritten::UnderIniFolder ? PathJoin(iniDir, s.Default) : s.Default);
  }
  for (const char* key : {"PrefiksPodatnika", "NIP", "Nazwa"}) EnsureString("Podmiot1", key, "");
  EnsureString("Podmiot1", "KodKraju", "PL");
  for (const char* key : {"AdresL1", "AdresL2", "GLN", "AdresKoresp.KodKraju",
                          "AdresKoresp.AdresL1", "AdresKoresp.AdresL2", "AdresKoresp.GLN"})
    EnsureString("Podmiot1", key, "");
  // Older files kept one contact under Email and Telefon.
  EnsureString("Podmiot1", "Email1", ReadString("Podmiot1", "Email", ""));
  EnsureString("Podmiot1", "Telefon1", ReadString("Podmiot1", "Telefon", ""));
  for (const char* key : {"Email2", "Telefon2", "Email3", "Telefon3"})
    EnsureString("Podmiot1", key, "");
  EnsureInteger("Podmiot1", "StatusInfoPodatnika", 0);
  for (const char* section : {"RachunekBankowy1", "RachunekBankowy2"})
    for (const char* key : {"NumerRachunku", "SWIFT", "NazwaBanku", "OpisRachunku"})
      EnsureString(section, key, "");
  for (const char* key : {"Informacje1", "Informacje2", "Informacje3"})
    EnsureString("Informacje", key, "");
  for (const char* key : {"PelnaNazwa", "KRS", "REGON", "BDO"}) EnsureString("Rejestry", key, "");
  // A file that cannot be written (read-only, a full disk) still serves this
  // run with the defaults in memory.
  try {
    SaveIfChanged();
  } catch (const EInOutError& e) {
    FDirty = false;
    TLogger::Log(llWarn, "Nie zapisano wartości domyślnych w pliku konfiguracyjnym " + FIniFName +
                             ": " + e.what());
  }
}

std::string TConfig::ReadAndCheckDir(const std::string& section, const std::string& key,
                                     const std::string& defaultValue) {
  std::string path = ReadString(section, key, defaultValue);
  if (path.empty()) {
    if (!defaultValue.empty()) {
      path = defaultValue;  // taken for this run; the file keeps its empty key
    } else if (FIni.KeyExists(section, key)) {
      throw Exception("W sekcji [" + section + "] klucz jest pusty:\r\n" + key + " =");
    } else {
      throw Exception("W sekcji [" + section + "] brak klucza: " + key);
    }
  }
  if (!FolderExists(path))
    throw Exception("W sekcji [" + section + "] folder wskazany w tym kluczu nie istnieje:\r\n" +
                    key + " = " + path);
  return IncludeTrailingPathDelimiter(Trim(path));
}

TAPIConfig TConfig::LoadApiConfig(const std::string& folder) const {
  return ReadEnvFile(PathJoin(folder, ".env"));
}

TPodatnikInfoConfig TConfig::LoadPodatnikInfo() const {
  TPodatnikInfoConfig p;
  auto read = [&](const char* key) { return Trim(ReadString("Podmiot1", key, "")); };
  p.PrefiksPodatnika = read("PrefiksPodatnika");
  p.NrEORI = read("NrEORI");
  p.DaneIdentyfikacyjne.NIP = read("NIP");
  p.DaneIdentyfikacyjne.Nazwa = read("Nazwa");
  p.Adres = {read("KodKraju"), read("AdresL1"), read("AdresL2"), read("GLN")};
  p.AdresKoresp = {read("AdresKoresp.KodKraju"), read("AdresKoresp.AdresL1"),
                   read("AdresKoresp.AdresL2"), read("AdresKoresp.GLN")};
  if (HasAdres(p.AdresKoresp) && p.AdresKoresp.KodKraju.empty())
    throw Exception("Ustawiono w konfiguracji AdresKoresp bez kodu kraju");
  p.StatusInfoPodatnika = ReadInteger("Podmiot1", "StatusInfoPodatnika", 0);
  p.DaneKontaktowe.resize(3);
  for (int n = 1; n <= 3; ++n) {
    p.DaneKontaktowe[n - 1].Email = read(("Email" + std::to_string(n)).c_str());
    p.DaneKontaktowe[n - 1].Telefon = read(("Telefon" + std::to_string(n)).c_str());
  }
  return p;
}

TRachunekBankowyConfig TConfig::LoadRachunekBankowy(int n) const {
  const std::string section = "RachunekBankowy" + std::to_string(n);
  auto read = [&](const char* key) { return Trim(ReadString(section, key, "")); };
  TRachunekBankowyConfig r;
  r.NrRB = read("NumerRachunku");
  r.SWIFT = read("SWIFT");
  r.NazwaBanku = read("NazwaBanku");
  r.OpisRachunku = read("OpisRachunku");
  r.RachunekWlasnyBanku = ReadInteger(section, "RachunekWlasnyBanku", 0);
  return r;
}

TStopkaConfig TConfig::LoadStopka() const {
  auto read = [&](const char* section, const char* key) {
    return Trim(ReadString(section, key, ""));
  };
  TStopkaConfig s;
  s.Inf1 = read("Informacje", "Informacje1");
  s.Inf2 = read("Informacje", "Informacje2");
  s.Inf3 = read("Informacje", "Informacje3");
  s.PelnaNazwa = read("Rejestry", "PelnaNazwa");
  s.KRS = read("Rejestry", "KRS");
  s.Regon = read("Rejestry", "Regon");
  s.BDO = read("Rejestry", "BDO");
  return s;
}

void TConfig::CheckSellerNip() const {
  const std::string& profileNip = PodatnikInfo.DaneIdentyfikacyjne.NIP;
  if (profileNip != APICfg.NIP)
    throw Exception("Brak zgodności NIP w konfiguracji:\r\nbrenvik = \"" + profileNip +
                    "\"\r\nApiKsef = \"" + APICfg.NIP + "\"");
}

void TConfig::LoadFromIni() {
  LoadSettings("System");
  StelmarEnabled = FIni.SectionExists("STELMAR");
  if (StelmarEnabled) LoadSettings("STELMAR");
  NeraEnabled = FIni.SectionExists("NERA");
  if (NeraEnabled) LoadSettings("NERA");
  LoadSettings("KSeF");
  LoadSettings("Zwolnienie");  // optional: missing keys read as empty
  APICfg = LoadApiConfig(FAPIConnectorExeDir);
  for (const std::string& warning : APICfg.Warnings) Warn(warning);
  PodatnikInfo = LoadPodatnikInfo();
  CheckSellerNip();
  RachunekBankowy1 = LoadRachunekBankowy(1);
  if (RachunekBankowy1.NrRB.empty())
    throw Exception("Brak w konfiguracji numeru rachunku bankowego");
  RachunekBankowy2 = LoadRachunekBankowy(2);
  Stopka = LoadStopka();
  SaveIfChanged();
}

std::int32_t TConfig::DefaultInteger(const TSetting& s) const {
  std::int32_t value = 0;
  if (!TryParseIniInteger(s.Default, value))
    throw Exception(std::string("Błędna wartość domyślna klucza ") + s.Key + ": " + s.Default);
  return value;
}

bool TConfig::DefaultBool(const TSetting& s) const {
  return s.LoadDefault == TLoadDefault::YearPrgTbl ? YearPrgTbl : DefaultInteger(s) != 0;
}

TDateTime TConfig::DefaultDate(const TSetting& s) const {
  if (s.LoadDefault == TLoadDefault::Today) return Today();
  TDateTime value;
  if (!TryParseIniDate(s.Default, value))
    throw Exception(std::string("Błędna wartość domyślna klucza ") + s.Key + ": " + s.Default);
  return value;
}

std::string TConfig::DefaultText(const TSetting& s) const {
  switch (s.LoadDefault) {
    case TLoadDefault::Empty: return "";
    case TLoadDefault::StelmarData: return PathJoin(FStelmarDir, "DATA");
    case TLoadDefault::NeraDir: return FNeraDir;
    default: return s.Default;
  }
}

// The fields start at the values LoadFromIni takes for missing keys; folders
// stay empty until they are read and checked.
void TConfig::ApplyDefault(const TSetting& s) {
  if (std::holds_alternative<std::monostate>(s.Member)) return;
  switch (s.Kind) {
    case TKind::Integer:
      this->*std::get<std::int32_t TConfig::*>(s.Member) = DefaultInteger(s);
      break;
    case TKind::Bool: this->*std::get<bool TConfig::*>(s.Member) = DefaultBool(s); break;
    case TKind::Date: this->*std::get<TDateTime TConfig::*>(s.Member) = DefaultDate(s); break;
    case TKind::Text: this->*std::get<std::string TConfig::*>(s.Member) = DefaultText(s); break;
    case TKind::Folder:
    case TKind::DataFolder: break;
  }
}

void TConfig::LoadSetting(const TSetting& s) {
  switch (s.Kind) {
    case TKind::Integer: this->*std::get<std::int32_t TConfig::*>(s.Member) = LoadInteger(s); break;
    case TKind::Bool: this->*std::get<bool TConfig::*>(s.Member) = LoadBool(s); break;
    case TKind::Date: this->*std::get<TDateTime TConfig::*>(s.Member) = LoadDate(s); break;
    case TKind::Text:
      this->*std::get<std::string TConfig::*>(s.Member) =
          ReadString(s.Section, s.Key, DefaultText(s));
      break;
    case TKind::Folder:
    case TKind::DataFolder: {
      std::string& folder = this->*std::get<std::string TConfig::*>(s.Member);
      folder = ReadAndCheckDir(s.Section, s.Key, DefaultText(s));
      if (s.Kind == TKind::DataFolder)
        for (const char* sub : KsefSubFolders) ForceFolder(PathJoin(folder, sub));
      break;
    }
  }
}

// The settings of one section that fill a field, in the table's order.
void TConfig::LoadSettings(const std::string& section) {
  for (const TSetting& s : Settings())
    if (s.Section == section && !std::holds_alternative<std::monostate>(s.Member)) LoadSetting(s);
}

std::string TConfig::MemberText(const TSetting& s) const {
  return std::visit(
      [this](auto member) -> std::string {
        using T = decltype(member);
        if constexpr (std::is_same_v<T, std::monostate>)
          return "";
        else if constexpr (std::is_same_v<T, std::int32_t TConfig::*>)
          return std::to_string(this->*member);
        else if constexpr (std::is_same_v<T, bool TConfig::*>)
          return BoolText(this->*member);
        else if constexpr (std::is_same_v<T, TDateTime TConfig::*>)
          return DateToStr(this->*member);
        else
          return this->*member;
      },
      s.Member);
}

bool TConfig::HasAny(std::initializer_list<std::string> values) {
  for (const std::string& v : values)
    if (!Trim(v).empty()) return true;
  return false;
}

bool TConfig::HasAdres(const TAdresConfig& a) {
  return HasAny({a.KodKraju, a.AdresL1, a.AdresL2, a.GLN});
}
bool TConfig::HasDaneId(const TPodatnikDaneIdConfig& d) { return HasAny({d.NIP, d.Nazwa}); }
bool TConfig::HasKontakt(const TDaneKontaktoweConfig& k) { return HasAny({k.Email, k.Telefon}); }

bool TConfig::HasPodatnikInfo(const TPodatnikInfoConfig& cfg) {
  if (!cfg.PrefiksPodatnika.empty() || !cfg.NrEORI.empty()) return true;
  if (HasDaneId(cfg.DaneIdentyfikacyjne) || HasAdres(cfg.Adres) || HasAdres(cfg.AdresKoresp))
    return true;
  if (cfg.StatusInfoPodatnika > 0) return true;
  for (const auto& k : cfg.DaneKontaktowe)
    if (HasKontakt(k)) return true;
  return false;
}

bool TConfig::HasRachunekBankowy(const TRachunekBankowyConfig& cfg) {
  return HasAny({cfg.NrRB, cfg.SWIFT, cfg.NazwaBanku, cfg.OpisRachunku});
}
bool TConfig::HasInformacje(const TStopkaConfig& cfg) {
  return HasAny({cfg.Inf1, cfg.Inf2, cfg.Inf3});
}
bool TConfig::HasRejestry(const TStopkaConfig& cfg) {
  return HasAny({cfg.PelnaNazwa, cfg.KRS, cfg.Regon, cfg.BDO});
}
bool TConfig::HasStopka(const TStopkaConfig& cfg) { return HasInformacje(cfg) || HasRejestry(cfg); }

}  // namespace brenvik
