#pragma once
// Every setting of the program: the ini file held in memory, completed with
// its defaults on every start, checked and loaded into typed fields, plus the
// connector's .env settings and the seller profile.
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "support/DateTime.h"
#include "config/IniDocument.h"

namespace brenvik {

struct TAPIConfig {
  std::string NIP;
  std::string BASE_DIR_PATH;
  std::string BASE_URL;
  std::string CERTIFICATE_PATH;
  std::vector<std::string> Warnings;  // names given twice, each naming its line
};

struct TAdresConfig {
  std::string KodKraju, AdresL1, AdresL2, GLN;
};

struct TDaneKontaktoweConfig {
  std::string Email, Telefon;
};

struct TPodatnikDaneIdConfig {
  std::string NIP, Nazwa;
};

struct TPodatnikInfoConfig {
  std::string PrefiksPodatnika;
  std::string NrEORI;
  TPodatnikDaneIdConfig DaneIdentyfikacyjne;
  TAdresConfig Adres;
  TAdresConfig AdresKoresp;
  std::vector<TDaneKontaktoweConfig> DaneKontaktowe;
  std::int32_t StatusInfoPodatnika = 0;
};

struct TRachunekBankowyConfig {
  std::string NrRB;
  std::string SWIFT;
  std::int32_t RachunekWlasnyBanku = 0;
  std::string NazwaBanku;
  std::string OpisRachunku;
};

struct TStopkaConfig {
  std::string Inf1, Inf2, Inf3;
  std::string PelnaNazwa, KRS, Regon, BDO;
};

// The sub-folders of the KSeF data folder, in the order they are created.
inline const char* const KsefSubFolders[] = {"Export",   "Sent", "Import",
                                             "Received", "Logs", "Errors"};

class TConfig;

// One plain setting of the ini file; the rows are in config/Settings.def,
// where their columns are described.
struct TSetting {
  enum class TKind { Integer, Bool, Text, Date, Folder, DataFolder };
  enum class TWritten { No, Value, UnderIniFolder };
  enum class TLoadDefault { Default, Empty, Today, StelmarData, NeraDir, YearPrgTbl };
  enum class TBelow { Warn, Refuse };
  struct TRange {
    bool Limited = false;
    std::int32_t Lowest = 0, Highest = 0;
    TBelow Below = TBelow::Warn;
  };
  using TMember = std::variant<std::monostate, std::int32_t TConfig::*, bool TConfig::*,
                               std::string TConfig::*, TDateTime TConfig::*>;
  const char* Section;
  const char* Key;
  TKind Kind;
  const char* Default;
  TWritten Written;
  TMember Member;
  TLoadDefault LoadDefault;
  TRange Range;
};

class TConfig {
public:
  explicit TConfig(const std::string& iniFName);
  ~TConfig();  // saves pending changes
  TConfig(const TConfig&) = delete;
  TConfig& operator=(const TConfig&) = delete;

  void Save();
  void SaveIfChanged();

  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& defaultValue) const;
  std::int32_t ReadInteger(const std::string& section, const std::string& key,
                           std::int32_t defaultValue) const;
  bool ReadBool(const std::string& section, const std::string& key, bool defaultValue) const;
  TDateTime ReadDate(const std::string& section, const std::string& key,
                     TDateTime defaultValue) const;
  void WriteString(const std::string& section, const std::string& key, const std::string& value);
  void WriteInteger(const std::string& section, const std::string& key, std::int32_t value);
  void WriteBool(const std::string& section, const std::string& key, bool value);
  void WriteDate(const std::string& section, const std::string& key, TDateTime value);

  std::string ReadAndCheckDir(const std::string& section, const std::string& key,
                              const std::string& defaultValue);
  // A setting of the table read as its kind, within its range; what cannot be
  // taken as written is added to Warnings (Exception for a refused value).
  std::int32_t SettingInteger(const std::string& section, const std::string& key);
  bool SettingBool(const std::string& section, const std::string& key);
  // The values that were not taken as written (unreadable, out of range, a
  // key or section repeated), each naming the key, the value read and the
  // value used; the status report shows them at level warn.
  const std::vector<std::string>& Warnings() const { return FWarnings; }
  void EnsureDefaults();
  void LoadFromIni();

  // The table of plain settings, in the order EnsureDefaults writes them.
  static std::span<const TSetting> Settings();
  // The field a setting fills, spelt as the ini file spells it ("" for none).
  std::string MemberText(const TSetting& setting) const;

  bool SectionExists(const std::string& section) const { return FIni.SectionExists(section); }
  const TIniDocument& Ini() const { return FIni; }

  // Presence tests of the seller profile.
  static bool HasAny(std::initializer_list<std::string> values);
  static bool HasAdres(const TAdresConfig& a);
  static bool HasDaneId(const TPodatnikDaneIdConfig& d);
  static bool HasKontakt(const TDaneKontaktoweConfig& k);
  static bool HasPodatnikInfo(const TPodatnikInfoConfig& cfg);
  static bool HasRachunekBankowy(const TRachunekBankowyConfig& cfg);
  static bool HasInformacje(const TStopkaConfig& cfg);
  static bool HasRejestry(const TStopkaConfig& cfg);
  static bool HasStopka(const TStopkaConfig& cfg);

  const std::string& IniFName() const { return FIniFName; }
  const std::string& NetFileDir() const { return FNetFileDir; }
  void SetNetFileDir(const std::string& v) { FNetFileDir = v; }
  const std::string& StelmarDir() const { return FStelmarDir; }
  void SetStelmarDir(const std::string& v) { FStelmarDir = v; }
  const std::string& NeraDir() const { return FNeraDir; }
  void SetNeraDir(const std::string& v) { FNeraDir = v; }
  const std::string& UserDir() const { return FUserDir; }
  void SetUserDir(const std::string& v) { FUserDir = v; }
  const std::string& KsefDataDir() const { return FKsefDataDir; }
  void SetKsefDataDir(const std::string& v) { FKsefDataDir = v; }
  const std::string& APIConnectorExeDir() const { return FAPIConnectorExeDir; }
  void SetAPIConnectorExeDir(const std::string& v) { FAPIConnectorExeDir = v; }
  bool Dirty() const { return FDirty; }

  TAPIConfig APICfg;
  bool StelmarEnabled = false;
  bool NeraEnabled = false;
  // The fields of the settings table; the constructor gives them their defaults.
  bool YearPrgTbl{};
  bool YearUsrTbl{};
  bool AttachmentAllowed{};
  bool Ask2Send{};
  bool PdfPoWysylce{};  // the PDF of each invoice beside its sent file once numbered
  bool CmrPacking{};
  std::string CmrAttachUsrComments;
  TDateTime CurDate;
  TDateTime Send2KsefStartDate;
  TDateTime LastReadFromKsefDate;
  std::int32_t DaysBackToSend{};
  // [STELMAR] CodePage: code page of Stelmar's tables, 0 when not set.
  std::int32_t StelmarCodePage{};
  // [Zwolnienie]: the legal basis of exempt supply, empty when not given.
  std::string ZwolnienieP_19A;
  std::string ZwolnienieP_19B;
  std::string ZwolnienieP_19C;
  TPodatnikInfoConfig PodatnikInfo;
  TRachunekBankowyConfig RachunekBankowy1;
  TRachunekBankowyConfig RachunekBankowy2;
  TStopkaConfig Stopka;

private:
  void MarkDirty() { FDirty = true; }
  void EnsureString(const std::string& section, const std::string& key, const std::string& value);
  void EnsureInteger(const std::string& section, const std::string& key, std::int32_t value);
  // The typed value a setting takes when its key is missing.
  std::int32_t DefaultInteger(const TSetting& s) const;
  bool DefaultBool(const TSetting& s) const;
  TDateTime DefaultDate(const TSetting& s) const;
  std::string DefaultText(const TSetting& s) const;
  void ApplyDefault(const TSetting& s);
  void Warn(const std::string& text);
  std::int32_t LoadInteger(const TSetting& s);
  bool LoadBool(const TSetting& s);
  TDateTime LoadDate(const TSetting& s);
  const TSetting& SettingOf(const std::string& section, const std::string& key) const;
  void LoadSetting(const TSetting& s);
  void LoadSettings(const std::string& section);
  TAPIConfig LoadApiConfig(const std::string& folder) const;
  TPodatnikInfoConfig LoadPodatnikInfo() const;
  TRachunekBankowyConfig LoadRachunekBankowy(int n) const;
  TStopkaConfig LoadStopka() const;
  void CheckSellerNip() const;

  std::string FIniFName;
  TIniDocument FIni;
  std::string FNetFileDir;
  std::string FStelmarDir;
  std::string FNeraDir;
  std::string FUserDir;
  std::string FKsefDataDir;
  std::string FAPIConnectorExeDir;
  bool FDirty = false;
  std::vector<std::string> FWarnings;
};

// BaseDir joined with Path unless Path is rooted.
std::string ResolvePath(const std::string& baseDir, const std::string& path);
// Creates the folder with its parents; raises "Nie można utworzyć folderu:\r\n<path>".
void ForceFolder(const std::string& path);
// The connector's .env file: the first line whose name (before its first "=",
// compared without regard to case) matches gives the value after that "=".
TAPIConfig ReadEnvFile(const std::string& fileName);
// Integer text as the ini reads it: decimal, "$" or "0x" for hexadecimal.
bool TryParseIniInteger(const std::string& text, std::int32_t& value);

}  // namespace brenvik
