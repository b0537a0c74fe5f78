// Loading files that other firms produced.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "fa3/Schemat_FA3.h"
#include "common/TestFiles.h"
#include "fa3/XmlSafeParse.h"
#include "support/Errors.h"

using namespace brenvik;
using brenvik::testing::Fa3SamplesDir;
using brenvik::testing::ReadFile;
using brenvik::testing::TTempDir;
using brenvik::testing::WriteFile;

namespace {

std::string Faktura(const std::string& body, const std::string& prolog = "") {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + prolog + "<Faktura xmlns=\"" +
         std::string(Fa3Namespace) + "\">" + body + "</Faktura>\n";
}

// The load fails with an EXMLDocError whose message names the file and
// contains `part`.
void ExpectRefused(const std::string& path, const std::string& part) {
  try {
    LoadFaktura(path);
    ADD_FAILURE() << "loaded " << path;
  } catch (const EXMLDocError& e) {
    EXPECT_NE(e.Message().find(path), std::string::npos) << e.Message();
    EXPECT_NE(e.Message().find(part), std::string::npos) << e.Message();
  }
}

}  // namespace

TEST(Fa3Load, RefusesEntityExpansionAndExternalEntities) {
  TTempDir dir;
  std::string laughs = "<!DOCTYPE Faktura [\n<!ENTITY lol \"lol\">\n";
  for (int i = 1; i <= 9; ++i) {
    std::string prev = i == 1 ? "lol" : "lol" + std::to_string(i - 1);
    laughs += "<!ENTITY lol" + std::to_string(i) + " \"";
    for (int k = 0; k < 10; ++k) laughs += "&" + prev + ";";
    laughs += "\">\n";
  }
  laughs += "]>\n";
  WriteFile(dir / "laughs.xml", Faktura("<Fa><P_2>&lol9;</P_2></Fa>", laughs));
  ExpectRefused(dir / "laughs.xml", "DOCTYPE");

  WriteFile(dir / "secret.txt", "tajne");
  WriteFile(dir / "external.xml", Faktura("<Fa><P_2>&xxe;</P_2></Fa>",
                                          "<!DOCTYPE Faktura [<!ENTITY xxe SYSTEM \"file://" +
                                              dir / "secret.txt" + "\">]>\n"));
  ExpectRefused(dir / "external.xml", "DOCTYPE");

  WriteFile(dir / "dtd.xml",
            Faktura("", "<!DOCTYPE Faktura SYSTEM \"http://example.invalid/f.dtd\">\n"));
  ExpectRefused(dir / "dtd.xml", "DOCTYPE");

  // Without a declaration an entity reference is simply not well-formed.
  WriteFile(dir / "undeclared.xml", Faktura("<Fa><P_2>&xxe;</P_2></Fa>"));
  ExpectRefused(dir / "undeclared.xml", "nie jest poprawnym dokumentem XML");
}

TEST(Fa3Load, RefusesBrokenFiles) {
  TTempDir dir;
  std::string good = Faktura("<Fa><P_2>FV 1/2026</P_2><P_15>12.5</P_15></Fa>");
  WriteFile(dir / "truncated.xml", good.substr(0, good.size() / 2));
  ExpectRefused(dir / "truncated.xml", "nie jest poprawnym dokumentem XML");

  WriteFile(dir / "latin2.xml", Faktura("<Fa><P_2>Pozna\xB1</P_2></Fa>"));  // "ą" in ISO-8859-2
  ExpectRefused(dir / "latin2.xml", "nie jest poprawnym dokumentem XML");

  WriteFile(dir / "zero.xml", Faktura("") + std::string(1, '\0') + "<junk");
  ExpectRefused(dir / "zero.xml", "bajty zerowe");

  WriteFile(dir / "empty.xml", "");
  ExpectRefused(dir / "empty.xml", "nie jest poprawnym dokumentem XML");

  EXPECT_THROW(LoadFaktura(dir / "missing.xml"), EFOpenError);
}

TEST(Fa3Load, RefusesOtherRoots) {
  TTempDir dir;
  WriteFile(dir / "invoice.xml", "<?xml version=\"1.0\"?><Invoice xmlns=\"urn:x\"/>");
  ExpectRefused(dir / "invoice.xml", "nie jest fakturą FA(3)");
  // FA(2) has the same root name in an earlier namespace.
  WriteFile(dir / "fa2.xml",
            "<?xml version=\"1.0\"?><Faktura xmlns=\"http://crd.gov.pl/wzor/2023/06/29/12648/\"/>");
  ExpectRefused(dir / "fa2.xml", "nie jest fakturą FA(3)");
  WriteFile(dir / "nons.xml", "<?xml version=\"1.0\"?><Faktura/>");
  ExpectRefused(dir / "nons.xml", "nie jest fakturą FA(3)");
}

TEST(Fa3Load, RefusesFilesOverTheSizeLimit) {
  TTempDir dir;
  std::string path = dir / "big.xml";
  WriteFile(path, Faktura(""));
  std::filesystem::resize_file(path, MaxFa3FileBytes + 1);
  ExpectRefused(path, "5 MB");
  // Exactly at the limit the size is accepted (and the padding is not XML).
  std::filesystem::resize_file(path, MaxFa3FileBytes);
  ExpectRefused(path, "nie jest poprawnym dokumentem XML");
}

// The parser's time grows with the square of an element's attributes: more
// than 64 are refused before it starts; "=" outside start tags is no attribute.
TEST(Fa3Load, RefusesElementsWithTooManyAttributes) {
  auto attributes = [](int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += " a" + std::to_string(i) + "=\"x=" + std::to_string(i) + "\"";
    return s;
  };
  const std::string many(100, '=');
  struct TRow {
    const char* Name;
    std::string Text;
    bool Refused;
  } rows[] = {
      {"64", Faktura("<Fa" + attributes(64) + "><P_2>A</P_2></Fa>"), false},
      {"65", Faktura("<Fa" + attributes(65) + "/>"), true},
      {"200000", Faktura("<Fa" + attributes(200000) + "/>"), true},
      {"outside tags",
       Faktura("<!--" + many + "--><Fa><P_2>A</P_2><P_1><![CDATA[" + many + "]]></P_1><?pi " +
               many + "?></Fa>"),
       false},
      {"UTF-16",
       [&] {
         std::string wide = "\xFF\xFE";
         for (char c :
              "<?xml version=\"1.0\" encoding=\"UTF-16\"?><Faktura" + attributes(65) + "/>")
           wide += std::string{c, '\0'};
         return wide;
       }(),
       true},
  };
  TTempDir dir;
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.Name);
    const std::string path = dir / (std::string(row.Name) + ".xml");
    WriteFile(path, row.Text);
    if (row.Refused)
      ExpectRefused(path, "ma więcej niż 64 atrybutów");
    else
      EXPECT_EQ(LoadFaktura(path)->Fa()->P_2(), "A");
  }
}

TEST(Fa3Load, AcceptsPrefixedNamespacesAndOtherDeclaredEncodings) {
  TTempDir dir;
  WriteFile(dir / "prefixed.xml", std::string("<?xml version=\"1.0\"?><tns:Faktura xmlns:tns=\"") +
                                      Fa3Namespace +
                                      "\"><tns:Fa><tns:P_2>A</tns:P_2></tns:Fa></tns:Faktura>");
  IXMLFaktura f = LoadFaktura(dir / "prefixed.xml");
  EXPECT_EQ(f->Fa()->P_2(), "A");
  f->Fa()->SetP_15(5);  // new children take the parent's namespace
  EXPECT_NE(f->OwnerDocument()->XML().find("<tns:P_15>5</tns:P_15>"), std::string::npos);

  WriteFile(dir / "latin2.xml",
            std::string("<?xml version=\"1.0\" encoding=\"ISO-8859-2\"?><Faktura xmlns=\"") +
                Fa3Namespace + "\"><Fa><P_2>Pozna\xB1</P_2></Fa></Faktura>");
  EXPECT_EQ(LoadFaktura(dir / "latin2.xml")->Fa()->P_2(), "Pozna\xC4\x85");  // "Poznaą"
}

TEST(Fa3Load, AcceptsUtf16) {
  TTempDir dir;
  std::string text = std::string("<?xml version=\"1.0\" encoding=\"UTF-16\"?><Faktura xmlns=\"") +
                     Fa3Namespace + "\"><Fa><P_2>A</P_2></Fa></Faktura>";
  std::string utf16 = "\xFF\xFE";
  for (char c : text) utf16 += std::string{c, '\0'};
  WriteFile(dir / "utf16.xml", utf16);
  EXPECT_EQ(LoadFaktura(dir / "utf16.xml")->Fa()->P_2(), "A");
}

TEST(Fa3Load, SamplesSurviveSaveAndLoadUnchanged) {
  std::string samples = Fa3SamplesDir();
  TTempDir dir;
  for (const auto& entry : std::filesystem::directory_iterator(samples)) {
    if (entry.path().extension() != ".xml") continue;
    SCOPED_TRACE(entry.path().string());
    IXMLFaktura f = LoadFaktura(entry.path().string());
    std::string copy = dir / entry.path().filename().string();
    f->OwnerDocument()->SaveToFile(copy);
    IXMLFaktura g = LoadFaktura(copy);
    EXPECT_EQ(g->OwnerDocument()->XML(), f->OwnerDocument()->XML());
    EXPECT_EQ(g->Fa()->P_15(), f->Fa()->P_15());
    EXPECT_EQ(g->Fa()->FaWiersz()->Count(), f->Fa()->FaWiersz()->Count());
  }
}
