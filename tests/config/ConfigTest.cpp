#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <set>

#include "common/TestFiles.h"
#include "config/Config.h"
#include "support/Errors.h"
#include "support/Paths.h"
#include "support/TextCodec.h"

using namespace brenvik;
using brenvik::testing::MakeDirs;
using brenvik::testing::ReadFile;
using brenvik::testing::TTempDir;
using brenvik::testing::WriteFile;

namespace {

// A site with the required folders, a .env and a seller profile that loads.
struct TSite {
  TTempDir Dir;
  std::string Ini = Dir / "site.ini";
  TSite() {
    MakeDirs(Dir / "net");
    MakeDirs(Dir / "ksef");
    MakeDirs(Dir / "api");
    MakeDirs(Dir / "stelmar/DATA");
    WriteFile(Dir / "api/.env", "KSEF_NIP=5265877635\nKSEF_BASE_URL=https://ksef-demo.mf.gov.pl\n");
  }
  std::string Base() const {
    return "[System]\nNetFileDir=" + Dir / "net" + "\n[KSeF]\nDataDir=" + Dir / "ksef" +
           "\nAPIConnectorExeDir=" + Dir / "api" +
           "\n[Podmiot1]\nNIP=5265877635\n[RachunekBankowy1]\nNumerRachunku=11 1111\n";
  }
  void Write(const std::string& extra) { WriteFile(Ini, Base() + extra); }
  std::string LoadError() {
    TConfig cfg(Ini);
    cfg.EnsureDefaults();
    try {
      cfg.LoadFromIni();
    } catch (const Exception& e) {
      return e.what();
    }
    return "";
  }
};

}  // namespace

TEST(ConfigDefaults, FreshIniGainsEveryKeyInTableOrderAndIsWrittenOnce) {
  TTempDir dir;
  WriteFile(dir / "a.ini", "[System]\nNetFileDir=/n\n[KSeF]\nDataDir=/d\nAPIConnectorExeDir=/a\n");
  {
    TConfig cfg(dir / "a.ini");
    cfg.EnsureDefaults();
    EXPECT_FALSE(cfg.Dirty());
  }
  const std::string d = dir.Path();
  EXPECT_EQ(
      ReadFile(dir / "a.ini"),
      "[System]\nNetFileDir=/n\n[KSeF]\nDataDir=/d\nAPIConnectorExeDir=/a\n"
      "AttachmentAllowed=0\nAsk2Send=1\nSend2KsefStartDate=2026-04-01\n"
      "LastReadFromKsefDate=2026-03-01\nDaysBackToSend=5\n"
      "\n[Meta]\nConfigVersion=1\n"
      "\n[Log]\nEnabled=1\nDir=" +
          d +
          "Logs\nMaxMB=5\n"
          "\n[Podmiot1]\nPrefiksPodatnika=\nNIP=\nNazwa=\nKodKraju=PL\nAdresL1=\nAdresL2=\nGLN=\n"
          "AdresKoresp.KodKraju=\nAdresKoresp.AdresL1=\nAdresKoresp.AdresL2=\nAdresKoresp.GLN=\n"
          "Email1=\nTelefon1=\nEmail2=\nTelefon2=\nEmail3=\nTelefon3=\nStatusInfoPodatnika=0\n"
          "\n[RachunekBankowy1]\nNumerRachunku=\nSWIFT=\nNazwaBanku=\nOpisRachunku=\n"
          "\n[RachunekBankowy2]\nNumerRachunku=\nSWIFT=\nNazwaBanku=\nOpisRachunku=\n"
          "\n[Informacje]\nInformacje1=\nInformacje2=\nInformacje3=\n"
          "\n[Rejestry]\nPelnaNazwa=\nKRS=\nREGON=\nBDO=\n");
  // A second start adds nothing and does not rewrite the file.
  const auto before = std::filesystem::last_write_time(dir / "a.ini");
  TConfig again(dir / "a.ini");
  again.EnsureDefaults();
  EXPECT_FALSE(again.Dirty());
  EXPECT_EQ(std::filesystem::last_write_time(dir / "a.ini"), before);
}

TEST(ConfigDefaults, StelmarAndNeraKeysOnlyWhenTheirSectionExists) {
  TTempDir dir;
  WriteFile(dir / "a.ini", "[STELMAR]\n[NERA]\nUserDir=\n");
  TConfig cfg(dir / "a.ini");
  cfg.EnsureDefaults();
  const std::string text = ReadFile(dir / "a.ini");
  EXPECT_EQ(text.substr(0, text.find("\n\n")),
            "[STELMAR]\nStelmarDir=\nYearPrgTbl=1\nUserDir=\nYearUsrTbl=1\nCmrPacking=0\n"
            "CmrAttachUsrComments=\n[NERA]\nUserDir=\nNeraDir=");

  TTempDir plain;
  WriteFile(plain / "b.ini", "[System]\n");
  TConfig other(plain / "b.ini");
  other.EnsureDefaults();
  EXPECT_FALSE(other.SectionExists("STELMAR"));
  EXPECT_FALSE(other.SectionExists("NERA"));
}

// [Zwolnienie] is the site's own: read when there, never added.
TEST(ConfigLoad, ExemptionBasisIsReadButNeverWritten) {
  struct TCase {
    const char* Section;
    const char *P19A, *P19B, *P19C;
  } cases[] = {
      {"", "", "", ""},
      {"[Zwolnienie]\n", "", "", ""},
      {"[Zwolnienie]\nP_19B=art. 132 ust. 1 lit. i dyrektywy 2006/112/WE\n", "",
       "art. 132 ust. 1 lit. i dyrektywy 2006/112/WE", ""},
      {"[Zwolnienie]\nP_19A=art. 43 ust. 1 pkt 29 lit. a ustawy o VAT\nP_19C=inna\n",
       "art. 43 ust. 1 pkt 29 lit. a ustawy o VAT", "", "inna"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Section);
    TSite site;
    site.Write(c.Section);
    TConfig cfg(site.Ini);
    cfg.EnsureDefaults();
    cfg.LoadFromIni();
    EXPECT_EQ(cfg.ZwolnienieP_19A, c.P19A);
    EXPECT_EQ(cfg.ZwolnienieP_19B, c.P19B);
    EXPECT_EQ(cfg.ZwolnienieP_19C, c.P19C);
    const std::string text = ReadFile(site.Ini);
    EXPECT_EQ(text.find("[Zwolnienie]") != std::string::npos, *c.Section != 0) << text;
    for (const char* key : {"P_19A=", "P_19B=", "P_19C="})
      EXPECT_EQ(text.find(key) == std::string::npos,
                std::string(c.Section).find(key) == std::string::npos)
          << key << "\n"
          << text;
  }
}

TEST(ConfigDefaults, OldContactKeysSeedTheNewOnesAndPresentKeysStay) {
  TTempDir dir;
  WriteFile(dir / "a.ini",
            "[Podmiot1]\nEmail=biuro@firma.pl\nTelefon=123\nTelefon1=999\nKodKraju=\n");
  TConfig cfg(dir / "a.ini");
  cfg.EnsureDefaults();
  EXPECT_EQ(cfg.ReadString("Podmiot1", "Email1", "?"), "biuro@firma.pl");
  EXPECT_EQ(cfg.ReadString("Podmiot1", "Telefon1", "?"), "999");
  EXPECT_EQ(cfg.ReadString("Podmiot1", "KodKraju", "?"), "");  // empty, but present
}

TEST(ConfigLoad, FolderMessages) {
  TSite site;
  WriteFile(site.Ini, "[System]\nNetFileDir=\n");
  EXPECT_EQ(site.LoadError(), "W sekcji [System] klucz jest pusty:\r\nNetFileDir =");

  // EnsureDefaults adds an empty StelmarDir to an existing [STELMAR] section.
  site.Write("[STELMAR]\n");
  EXPECT_EQ(site.LoadError(), "W sekcji [STELMAR] klucz jest pusty:\r\nStelmarDir =");

  site.Write("[STELMAR]\nStelmarDir=" + site.Dir / "nowhere" + "\n");
  EXPECT_EQ(site.LoadError(),
            "W sekcji [STELMAR] folder wskazany w tym kluczu nie istnieje:\r\n"
            "StelmarDir = " +
                site.Dir / "nowhere");

  // Without EnsureDefaults a missing key is reported as missing.
  WriteFile(site.Ini, "[System]\n");
  TConfig bare(site.Ini);
  try {
    bare.LoadFromIni();
    FAIL();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "W sekcji [System] brak klucza: NetFileDir");
  }
}

TEST(ConfigLoad, FoldersEndInOneDelimiterAndKsefSubFoldersAreCreated) {
  TSite site;
  site.Write("[STELMAR]\nStelmarDir=" + site.Dir / "stelmar/" + "\nUserDir=\n");
  TConfig cfg(site.Ini);
  cfg.EnsureDefaults();
  cfg.LoadFromIni();
  EXPECT_EQ(cfg.NetFileDir(), site.Dir / "net/");
  EXPECT_EQ(cfg.StelmarDir(), site.Dir / "stelmar/");
  EXPECT_EQ(cfg.UserDir(), site.Dir / "stelmar/DATA/");  // empty UserDir: StelmarDir + DATA
  EXPECT_TRUE(cfg.StelmarEnabled);
  EXPECT_FALSE(cfg.NeraEnabled);
  for (const char* sub : KsefSubFolders) EXPECT_TRUE(FolderExists(site.Dir / "ksef/" + sub)) << sub;
  EXPECT_EQ(cfg.APICfg.NIP, "5265877635");
  EXPECT_EQ(cfg.APICfg.BASE_URL, "https://ksef-demo.mf.gov.pl");
  EXPECT_EQ(cfg.Send2KsefStartDate, EncodeDate(2026, 4, 1));
  EXPECT_EQ(cfg.DaysBackToSend, 5);
  EXPECT_TRUE(cfg.YearPrgTbl);
  EXPECT_TRUE(cfg.YearUsrTbl);
}

TEST(ConfigLoad, NeraUserDirWinsAndYearUsrTblFollowsYearPrgTbl) {
  TSite site;
  MakeDirs(site.Dir / "nera/users");
  site.Write("[STELMAR]\nStelmarDir=" + site.Dir / "stelmar" + "\nYearPrgTbl=0\n" +
             "[NERA]\nNeraDir=" + site.Dir / "nera" + "\nUserDir=" + site.Dir / "nera/users" +
             "\n");
  TConfig cfg(site.Ini);
  // Without EnsureDefaults YearUsrTbl is absent and takes YearPrgTbl's value.
  cfg.LoadFromIni();
  EXPECT_FALSE(cfg.YearPrgTbl);
  EXPECT_FALSE(cfg.YearUsrTbl);
  EXPECT_EQ(cfg.NeraDir(), site.Dir / "nera/");
  EXPECT_EQ(cfg.UserDir(), site.Dir / "nera/users/");
}

TEST(ConfigLoad, SellerProfileChecks) {
  TSite site;
  WriteFile(site.Ini, site.Base() + "[Podmiot1]\nAdresKoresp.AdresL1=ul. Polna 1\n");
  EXPECT_EQ(site.LoadError(), "Ustawiono w konfiguracji AdresKoresp bez kodu kraju");

  // Both NIPs are trimmed; a mismatch quotes them, so a stray character shows.
  WriteFile(site.Ini, "[Podmiot1]\nNIP=  5265877635  \n" + site.Base());
  EXPECT_EQ(site.LoadError(), "");
  WriteFile(site.Dir / "api/.env", "KSEF_NIP=5265877635 \n");
  EXPECT_EQ(site.LoadError(), "");
  WriteFile(site.Dir / "api/.env", "KSEF_NIP=5265877635.\n");
  EXPECT_EQ(site.LoadError(), "Brak zgodności NIP w konfiguracji:\r\nbrenvik = \"5265877635\"\r\n"
                              "ApiKsef = \"5265877635.\"");
}

TEST(ConfigLoad, MissingAccountNumberAndMissingEnv) {
  TSite site;
  const std::string noAccount = site.Base().substr(0, site.Base().find("[RachunekBankowy1]"));
  WriteFile(site.Ini, noAccount + "[RachunekBankowy1]\nSWIFT=BREXPLPW\n");
  EXPECT_EQ(site.LoadError(), "Brak w konfiguracji numeru rachunku bankowego");

  std::filesystem::remove(site.Dir / "api/.env");
  site.Write("");
  const std::string err = site.LoadError();
  EXPECT_NE(err.find(site.Dir / "api/.env"), std::string::npos) << err;
}

TEST(ConfigProfile, ContactsAccountsAndFooter) {
  TSite site;
  site.Write(
      "[Podmiot1]\nEmail2=a@b.pl\nAdresKoresp.KodKraju=DE\n[RachunekBankowy2]\n"
      "RachunekWlasnyBanku=1\n[Rejestry]\nKRS=0000123\n");
  TConfig cfg(site.Ini);
  cfg.EnsureDefaults();
  cfg.LoadFromIni();
  ASSERT_EQ(cfg.PodatnikInfo.DaneKontaktowe.size(), 3u);
  EXPECT_FALSE(TConfig::HasKontakt(cfg.PodatnikInfo.DaneKontaktowe[0]));
  EXPECT_TRUE(TConfig::HasKontakt(cfg.PodatnikInfo.DaneKontaktowe[1]));
  EXPECT_TRUE(TConfig::HasAdres(cfg.PodatnikInfo.AdresKoresp));
  EXPECT_TRUE(TConfig::HasAdres(cfg.PodatnikInfo.Adres));  // KodKraju "PL" by default
  EXPECT_EQ(cfg.RachunekBankowy2.RachunekWlasnyBanku, 1);
  EXPECT_FALSE(TConfig::HasRachunekBankowy(cfg.RachunekBankowy2));
  EXPECT_TRUE(TConfig::HasStopka(cfg.Stopka));
  EXPECT_FALSE(TConfig::HasInformacje(cfg.Stopka));
  EXPECT_EQ(cfg.Stopka.KRS, "0000123");
  EXPECT_FALSE(TConfig::HasAny({"   ", ""}));
}

TEST(EnvFile, NamesValuesAndFirstMatch) {
  TTempDir dir;
  WriteFile(dir / ".env",
            "# comment\nksef_nip=111\nKSEF_NIP=222\nKSEF_BASE_URL = https://x \n"
            "KSEF_CERTIFICATE_PATH= /c/cert.pfx\r\nBASE_DIR_PATH=\"/q\"\n#KSEF_NIP=333\n");
  const TAPIConfig cfg = ReadEnvFile(dir / ".env");
  EXPECT_EQ(cfg.NIP, "111");
  EXPECT_EQ(cfg.BASE_URL, "https://x");  // blanks around name and value are no part of them
  EXPECT_EQ(cfg.CERTIFICATE_PATH, "/c/cert.pfx");
  EXPECT_EQ(cfg.BASE_DIR_PATH, "\"/q\"");
  EXPECT_EQ(cfg.Warnings, std::vector<std::string>{"Plik " + dir / ".env" +
                                                   ", wiersz 3: klucz KSEF_NIP podany ponownie; "
                                                   "użyto wartości z wiersza 2"});
}

TEST(Paths, ResolveAndForce) {
  EXPECT_EQ(ResolvePath("/run/", "Logs"), "/run/Logs");
  EXPECT_EQ(ResolvePath("/run", "Logs"), "/run/Logs");
  EXPECT_EQ(ResolvePath("/run/", "/var/log"), "/var/log");
  EXPECT_EQ(ResolvePath("", "Logs"), "Logs");
  EXPECT_EQ(ResolvePath("/run/", ""), "/run/");
  EXPECT_THROW(ResolvePath("/run/", "a\tb"), EArgumentException);
  TTempDir dir;
  ForceFolder(dir / "a/b/c");
  EXPECT_TRUE(FolderExists(dir / "a/b/c"));
  WriteFile(dir / "file", "x");
  try {
    ForceFolder(dir / "file/sub");
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(std::string(e.what()), "Nie można utworzyć folderu:\r\n" + dir / "file/sub");
  }
}

// Every row of the settings table: its default is spelt as its kind reads it,
// no key is written or read twice, and in a fresh file with its section the
// default survives EnsureDefaults and LoadFromIni into the row's field.
TEST(ConfigSettings, EveryDefaultReachesItsField) {
  using TKind = TSetting::TKind;
  using TLoad = TSetting::TLoadDefault;
  std::set<std::string> written, read;
  for (const TSetting& s : TConfig::Settings()) {
    const std::string key = AsciiUpper(std::string(s.Section) + "/" + s.Key);
    if (s.Written != TSetting::TWritten::No) {
      EXPECT_TRUE(written.insert(key).second) << key;
    }
    if (!std::holds_alternative<std::monostate>(s.Member)) {
      EXPECT_TRUE(read.insert(key).second) << key;
    }
  }
  // One site per warehouse program; UserDir is read in each.
  for (const char* program : {"STELMAR", "NERA"}) {
    TSite site;
    MakeDirs(site.Dir / "nera");
    const std::map<std::string, std::string> folders = {{"NetFileDir", site.Dir / "net"},
                                                        {"DataDir", site.Dir / "ksef"},
                                                        {"APIConnectorExeDir", site.Dir / "api"},
                                                        {"StelmarDir", site.Dir / "stelmar"},
                                                        {"NERADir", site.Dir / "nera"}};
    site.Write(std::string(program) == "STELMAR"
                   ? "[STELMAR]\nStelmarDir=" + site.Dir / "stelmar" + "\n"
                   : "[NERA]\nNERADir=" + site.Dir / "nera" + "\n");
    TConfig cfg(site.Ini);
    cfg.EnsureDefaults();
    cfg.LoadFromIni();
    for (const TSetting& s : TConfig::Settings()) {
      const std::string section = s.Section;
      if (std::holds_alternative<std::monostate>(s.Member)) continue;
      if ((section == "STELMAR" || section == "NERA") && section != program) continue;
      std::string expected = s.Default;
      if (s.Kind == TKind::Folder || s.Kind == TKind::DataFolder) {
        if (s.LoadDefault == TLoad::StelmarData)
          expected = PathJoin(site.Dir / "stelmar", "DATA");
        else if (s.LoadDefault == TLoad::NeraDir)
          expected = site.Dir / "nera";
        else
          expected = folders.at(s.Key);
        expected = IncludeTrailingPathDelimiter(expected);
      } else if (s.LoadDefault == TLoad::Today) {
        expected = DateToStr(Today());
      } else if (s.LoadDefault == TLoad::YearPrgTbl) {
        expected = cfg.ReadString("STELMAR", "YearPrgTbl", "?");
      }
      EXPECT_EQ(cfg.MemberText(s), expected) << program << ": " << s.Section << "/" << s.Key;
    }
  }
}

// A start saves the ini only when its text changes; a save goes through a
// symbolic link to its target and keeps the file's mode.
TEST(ConfigSave, OnlyChangedTextIsWrittenThroughLinksWithItsMode) {
  struct TCase {
    bool Complete, Linked;
    mode_t Mode;
  } cases[] = {{true, false, 0644}, {true, true, 0600}, {false, false, 0640}, {false, true, 0604}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.Complete) + std::to_string(c.Linked) + std::to_string(c.Mode));
    TSite site;
    namespace fs = std::filesystem;
    // An empty UserDir takes StelmarDir's DATA without changing the file.
    const std::string file = site.Dir / "real/site.ini";
    WriteFile(file, site.Base() + "[STELMAR]\nStelmarDir=" + site.Dir / "stelmar" + "\nUserDir=\n");
    if (c.Complete) TConfig(file).EnsureDefaults();
    if (c.Linked) fs::create_symlink(file, site.Ini);
    fs::permissions(file, static_cast<fs::perms>(c.Mode));
    const std::string ini = c.Linked ? site.Ini : file;
    struct stat before {};
    ASSERT_EQ(::stat(file.c_str(), &before), 0);
    {
      TConfig cfg(ini);
      cfg.EnsureDefaults();
      cfg.LoadFromIni();
    }
    struct stat after {};
    ASSERT_EQ(::stat(file.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino == before.st_ino, c.Complete);
    EXPECT_EQ(after.st_mode & 07777, c.Mode);
    EXPECT_EQ(fs::is_symlink(site.Ini), c.Linked);
    EXPECT_NE(ReadFile(file).find("DaysBackToSend=5"), std::string::npos);
    EXPECT_FALSE(fs::exists(file + ".tmp~"));
  }
}

// A value not taken as written is reported with its key, the value read and
// the value used; a negative day count is refused naming its key.
TEST(ConfigLoad, ValuesNotTakenAsWrittenAreReportedOrRefused) {
  struct TCase {
    std::string Extra;
    const char* Said;  // in the refusal, or in the one warning
    bool Refused;
    int DaysBack;
  } cases[] = {
      {"DaysBackToSend=-5\n",
       "wartość klucza jest niedozwolona (najmniej 0):\r\nDaysBackToSend = -5", true, 0},
      {"DaysBackToSend=-2147483648\n", "DaysBackToSend = -2147483648", true, 0},
      {"DaysBackToSend=-99999999999\n", "DaysBackToSend = -99999999999", true, 0},
      {"DaysBackToSend=99999\n", "DaysBackToSend = 99999 jest poza zakresem 0..366; użyto: 366",
       false, 366},
      {"DaysBackToSend=pięć\n", "DaysBackToSend = pięć jest nieczytelna; użyto: 5", false, 5},
      {"DaysBackToSend=7\nDaysBackToSend=9\n", "DaysBackToSend powtarza się w pliku", false, 7},
      {"Ask2Send=tak\n", "Ask2Send = tak jest nieczytelna; użyto: 1", false, 5},
      {"[System]\nCurDate=2026-02-30\n", "CurDate = 2026-02-30 jest nieczytelna; użyto: ", false,
       5},
      {"[Log]\nMaxMB=0\n[KSeF]\n", "Sekcja [KSeF] powtarza się", false, 5},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Extra);
    TSite site;
    // Into the fixture's [KSeF] section, or a section of the row's own.
    std::string text = site.Base();
    if (c.Extra[0] == '[' && c.Extra.find("[System]") == 0)
      text.replace(text.find("[System]\n"), 9, c.Extra);
    else if (c.Extra[0] == '[')
      text += c.Extra;
    else
      text.replace(text.find("[KSeF]\n"), 7, "[KSeF]\n" + c.Extra);
    WriteFile(site.Ini, text);
    TConfig cfg(site.Ini);
    cfg.EnsureDefaults();
    try {
      cfg.LoadFromIni();
      EXPECT_FALSE(c.Refused);
      EXPECT_EQ(cfg.DaysBackToSend, c.DaysBack);
      ASSERT_EQ(cfg.Warnings().size(), 1u) << cfg.Warnings().back();
      EXPECT_NE(cfg.Warnings()[0].find(c.Said), std::string::npos) << cfg.Warnings()[0];
    } catch (const Exception& e) {
      EXPECT_TRUE(c.Refused) << e.what();
      EXPECT_NE(std::string(e.what()).find(c.Said), std::string::npos) << e.what();
    }
  }
}
