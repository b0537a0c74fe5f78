#include <gtest/gtest.h>

#include "common/TestFiles.h"
#include "config/Config.h"
#include "support/Errors.h"
#include "config/IniDocument.h"

using namespace brenvik;
using brenvik::testing::ReadFile;
using brenvik::testing::TTempDir;
using brenvik::testing::WriteFile;

TEST(IniDocument, ReadingRules) {
  TTempDir dir;
  WriteFile(dir / "a.ini",
            "Key=before any section\r\n"
            "  [Log]  \r\n"
            "; Enabled=0\r\n"
            "  Enabled   =   1  \r\n"
            "Dir=\r\n"
            "Dir=second\r\n"
            "[stelmar]\n"
            "NeraDir = x = y\n");
  TIniDocument ini(dir / "a.ini");
  EXPECT_FALSE(ini.KeyExists("", "Key"));
  EXPECT_EQ(ini.Value("LOG", "enabled").value_or("?"), "1");
  EXPECT_EQ(ini.Value("Log", "Dir").value_or("?"), "");  // present but empty; the first one wins
  EXPECT_EQ(ini.Value("STELMAR", "NERADir").value_or("?"), "x = y");
  EXPECT_TRUE(ini.SectionExists("Stelmar"));
  EXPECT_FALSE(ini.SectionExists("NERA"));
}

TEST(IniDocument, MissingFileIsEmptyAndBrokenHeaderNamesTheLine) {
  TTempDir dir;
  TIniDocument missing(dir / "none.ini");
  EXPECT_FALSE(missing.SectionExists("Log"));
  WriteFile(dir / "bad.ini", "[Log]\nEnabled=1\n[KSeF\nDataDir=x\n");
  try {
    TIniDocument bad(dir / "bad.ini");
    FAIL() << "no error";
  } catch (const EConvertError& e) {
    EXPECT_NE(std::string(e.what()).find("wiersz 3"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find(dir / "bad.ini"), std::string::npos) << e.what();
  }
}

TEST(IniDocument, NewKeysGoToTheEndOfTheirSectionAndCommentsSurviveSaving) {
  TTempDir dir;
  WriteFile(dir / "a.ini",
            "; operator's note\r\n[Log]\r\nEnabled=1\r\n; keep me\r\n\r\n[KSeF]\r\nDataDir=/d\r\n");
  TIniDocument ini(dir / "a.ini");
  ini.SetValue("log", "MaxMB", "5");
  ini.SetValue("KSeF", "DataDir", "/e");
  ini.SetValue("Rejestry", "KRS", "123");
  ini.SaveToFile(dir / "a.ini");
  EXPECT_EQ(ReadFile(dir / "a.ini"),
            "; operator's note\r\n[Log]\r\nEnabled=1\r\nMaxMB=5\r\n; keep me\r\n\r\n[KSeF]\r\n"
            "DataDir=/e\r\n\r\n[Rejestry]\r\nKRS=123\r\n");
}

TEST(IniDocument, EncodingIsKeptOnSave) {
  TTempDir dir;
  // Windows-1250 without a mark: "Łódź" is A3 F3 64 9F.
  WriteFile(dir / "cp.ini", "[Podmiot1]\nNazwa=\xA3\xF3\x64\x9F\n");
  TIniDocument cp(dir / "cp.ini");
  EXPECT_EQ(cp.Encoding(), TTextEncoding::Cp1250);
  EXPECT_EQ(cp.Value("Podmiot1", "Nazwa").value_or(""), "Łódź");
  cp.SetValue("Podmiot1", "AdresL1", "Żółta 1");
  cp.SaveToFile(dir / "cp.ini");
  EXPECT_EQ(ReadFile(dir / "cp.ini"),
            "[Podmiot1]\nNazwa=\xA3\xF3\x64\x9F\nAdresL1=\xAF\xF3\xB3ta 1\n");

  WriteFile(dir / "bom.ini", "\xEF\xBB\xBF[Podmiot1]\nNazwa=Łódź\n");
  TIniDocument bom(dir / "bom.ini");
  EXPECT_EQ(bom.Encoding(), TTextEncoding::Utf8Bom);
  EXPECT_EQ(bom.Value("Podmiot1", "Nazwa").value_or(""), "Łódź");
  bom.SaveToFile(dir / "bom.ini");
  EXPECT_EQ(ReadFile(dir / "bom.ini"), "\xEF\xBB\xBF[Podmiot1]\nNazwa=Łódź\n");

  WriteFile(dir / "u16.ini", std::string("\xFF\xFE[\0A\0]\0\n\0k\0=\0\x42\x01\n\0", 18));
  TIniDocument u16(dir / "u16.ini");
  EXPECT_EQ(u16.Value("A", "k").value_or(""), "ł");
}

TEST(IniValues, IntegersBooleansAndDates) {
  TTempDir dir;
  WriteFile(dir / "a.ini",
            "[S]\nDec=-42\nHex1=$1F\nHex2=0x10\nText=12a\nEmpty=\nBoolText=true\nBool2=2\n"
            "Date=2026-04-10\nShortDate=2026-4-1\nBadDate=2026-13-01\nDot=10.04.2026\n");
  TConfig cfg(dir / "a.ini");
  EXPECT_EQ(cfg.ReadInteger("S", "Dec", 0), -42);
  EXPECT_EQ(cfg.ReadInteger("S", "Hex1", 0), 31);
  EXPECT_EQ(cfg.ReadInteger("S", "Hex2", 0), 16);
  EXPECT_EQ(cfg.ReadInteger("S", "Text", 7), 7);
  EXPECT_EQ(cfg.ReadInteger("S", "Empty", 7), 7);
  EXPECT_EQ(cfg.ReadInteger("S", "Missing", 7), 7);
  EXPECT_TRUE(cfg.ReadBool("S", "BoolText", true));
  EXPECT_FALSE(cfg.ReadBool("S", "BoolText", false));
  EXPECT_TRUE(cfg.ReadBool("S", "Bool2", false));
  EXPECT_EQ(cfg.ReadDate("S", "Date", TDateTime()), EncodeDate(2026, 4, 10));
  EXPECT_EQ(cfg.ReadDate("S", "ShortDate", TDateTime()), EncodeDate(2026, 4, 1));
  EXPECT_EQ(cfg.ReadDate("S", "BadDate", TDateTime(5)), TDateTime(5));
  EXPECT_EQ(cfg.ReadDate("S", "Dot", TDateTime(5)), TDateTime(5));
  EXPECT_EQ(cfg.ReadString("S", "Empty", "def"), "");
  EXPECT_EQ(cfg.ReadString("S", "Missing", "def"), "def");
}

TEST(IniValues, WritesOnlyWhatDiffers) {
  TTempDir dir;
  WriteFile(dir / "a.ini", "[S]\nI=5\nB=1\n");
  TConfig cfg(dir / "a.ini");
  cfg.WriteInteger("S", "I", 5);
  cfg.WriteBool("S", "B", true);
  cfg.WriteString("S", "Missing", "");  // a missing key reads as empty text
  EXPECT_FALSE(cfg.Dirty());
  cfg.WriteBool("S", "NewFlag", false);  // missing reads as the opposite
  EXPECT_TRUE(cfg.Dirty());
  cfg.WriteDate("S", "D", EncodeDate(2026, 1, 2));
  cfg.Save();
  EXPECT_FALSE(cfg.Dirty());
  EXPECT_EQ(ReadFile(dir / "a.ini"), "[S]\nI=5\nB=1\nNewFlag=0\nD=2026-01-02\n");
}

// Without a mark, UTF-8 is UTF-8 and text without a single UTF-8 sequence is
// Windows-1250; a file of both is refused, naming the file, line and byte.
TEST(IniDocument, MixedEncodingIsRefusedWithTheBytesPlace) {
  struct TCase {
    std::string Bytes;
    std::string Name;   // the value of [P] Nazwa when read
    std::string Error;  // the place named when refused
  } cases[] = {
      {"[P]\nNazwa=Przykładowy\n", "Przykładowy", ""},
      {"[P]\nNazwa=\xA3\xF3\x64\x9F\n", "Łódź", ""},
      {"[P]\nNazwa=Przykładowy\nAdresL1=Leśna\xB3 5\n", "",
       "wierszu 3, w bajcie 15 tego wiersza jest bajt 0xB3"},
      {"[P]\r\nNazwa=\xC5\x82\r\r\n\xFF\n", "",
       "wierszu 4, w bajcie 1 tego wiersza jest bajt 0xFF"},
      {"\xEF\xBB\xBF[P\xB3]\n", "", "wierszu 1, w bajcie 6 tego wiersza jest bajt 0xB3"},
      {"\xEF\xBB\xBF[P]\nNazwa=\xC5\n", "", "wierszu 2, w bajcie 7 tego wiersza jest bajt 0xC5"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Bytes);
    TTempDir dir;
    for (const std::string name : {"site.ini", ".env"}) {
      WriteFile(dir / name, c.Bytes);
      try {
        if (name == ".env")
          ReadEnvFile(dir / name);
        else
          EXPECT_EQ(TIniDocument(dir / name).Value("P", "Nazwa").value_or(""), c.Name);
        EXPECT_EQ(c.Error, "") << name;
      } catch (const EConvertError& e) {
        const std::string what = e.what();
        EXPECT_NE(c.Error, "") << what;
        EXPECT_NE(what.find("pliku " + dir / name + ":"), std::string::npos) << what;
        EXPECT_NE(what.find(c.Error), std::string::npos) << what;
      }
    }
  }
}
