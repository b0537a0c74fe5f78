// Preparing, saving, reformatting and validating FA(3) files.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "fa3/Fa3Files.h"
#include "fa3/Fa3Validate.h"
#include "common/TestFiles.h"
#include "support/Errors.h"

using namespace brenvik;
using brenvik::testing::Fa3SamplesDir;
using brenvik::testing::Fa3SchemaDir;
using brenvik::testing::ReadFile;
using brenvik::testing::TTempDir;
using brenvik::testing::WriteFile;

namespace {

// A clock that gives the listed readings one after another.
TClock Readings(std::vector<TDateTime> values) {
  auto next = std::make_shared<size_t>(0);
  return [values, next] { return values.at((*next)++); };
}

TClock Fixed(TDateTime value) {
  return [value] { return value; };
}

// An invoice with every part an export fills: header, seller, buyer, Fa with
// totals, two lines, payment and footer, in schema order.
IXMLFaktura BuildInvoice() {
  IXMLFaktura f = NewFaktura();
  InitFakturaDocument(f);
  FillNaglowekAndPodmiot1(
      f,
      [](const IXMLFaktura& doc) {
        auto p1 = doc->Podmiot1();
        p1->DaneIdentyfikacyjne()->SetNIP("9999999999");
        p1->DaneIdentyfikacyjne()->SetNazwa("Hurtownia \"Zbyszko\" & Syn sp. z o.o.");
        p1->Adres()->SetKodKraju("PL");
        p1->Adres()->SetAdresL1("ul. Kwiatowa 1, 00-001 Warszawa");
        p1->DaneKontaktowe()->Add()->SetEmail("biuro@zbyszko.pl");
      },
      "Kompletor KSEF 1.0.0.1", Fixed(EncodeDateTime(2026, 4, 1, 9, 7, 3)));
  auto p2 = f->Podmiot2();
  p2->DaneIdentyfikacyjne()->SetNIP("1111111111");
  p2->DaneIdentyfikacyjne()->SetNazwa("F.H.U. Jan Kowalski");
  p2->Adres()->SetKodKraju("PL");
  p2->Adres()->SetAdresL1("ul. Polna 1, 00-001 Warszawa");
  p2->SetJST(2);
  p2->SetGV(2);
  auto fa = f->Fa();
  fa->SetKodWaluty("PLN");
  fa->SetP_1(EncodeDate(2026, 4, 1));
  fa->SetP_2("FV 12/04/2026");
  fa->SetP_6(EncodeDate(2026, 3, 31));
  fa->SetP_13_1(110);
  fa->SetP_14_1(25.3);
  fa->SetP_15(135.3);
  auto adn = fa->Adnotacje();
  adn->SetP_16(2);
  adn->SetP_17(2);
  adn->SetP_18(2);
  adn->SetP_18A(2);
  adn->Zwolnienie()->SetP_19N(1);
  adn->NoweSrodkiTransportu()->SetP_22N("1");
  adn->SetP_23(2);
  adn->PMarzy()->SetP_PMarzyN(1);
  fa->SetRodzajFaktury("VAT");
  const struct {
    const char* Name;
    double Qty, Price, Net;
  } lines[] = {{"Śruba M8", 100, 0.6, 60}, {"Nakrętka M8", 200, 0.25, 50}};
  int nr = 0;
  for (const auto& l : lines) {
    auto w = fa->FaWiersz()->Add();
    w->SetNrWierszaFa(++nr);
    w->SetP_7(l.Name);
    w->SetP_8A("szt.");
    w->SetP_8B(l.Qty);
    w->SetP_9A(l.Price);
    w->SetP_11(l.Net);
    w->SetP_12("23");
  }
  auto pl = fa->Platnosc();
  pl->TerminPlatnosci()->Add()->SetTermin(EncodeDate(2026, 4, 15));
  pl->SetFormaPlatnosci(6);
  pl->RachunekBankowy()->Add()->SetNrRB("73111111111111111111111111");
  auto stopka = f->Stopka();
  stopka->Informacje()->Add()->SetStopkaFaktury("Kapitał zakładowy 5 000 000 zł");
  stopka->Rejestry()->Add()->SetKRS("0000099999");
  return f;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

// Each element on its own line, indented by one tab per nesting level.
void ExpectDeliveredLayout(const std::string& text) {
  auto lines = Lines(text);
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[0], "<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
  EXPECT_EQ(lines[1].rfind("<Faktura ", 0), 0u) << lines[1];
  int depth = 0;
  for (size_t i = 1; i < lines.size(); ++i) {
    const std::string& l = lines[i];
    size_t tabs = l.find_first_not_of('\t');
    ASSERT_NE(tabs, std::string::npos) << "line " << i;
    bool closing = l.compare(tabs, 2, "</") == 0;
    if (closing) --depth;
    EXPECT_EQ(tabs, static_cast<size_t>(depth)) << "line " << i << ": " << l;
    EXPECT_EQ(l[tabs], '<') << "line " << i << ": " << l;
    bool opening = !closing && l.find("</") == std::string::npos && l.back() != '/' &&
                   l.compare(l.size() - 2, 2, "/>") != 0;
    if (opening) ++depth;
  }
  EXPECT_EQ(depth, 0);
}

}  // namespace

TEST(Fa3Files, InitPreparesTheDocument) {
  IXMLFaktura f = NewFaktura();
  IXMLDocument doc = f->OwnerDocument();
  EXPECT_EQ(doc->Encoding(), "");
  InitFakturaDocument(f);
  EXPECT_EQ(doc->Encoding(), "UTF-8");
  EXPECT_EQ(doc->NodeIndentStr(), "\t");
  EXPECT_TRUE(doc->Options() & doNodeAutoIndent);
  EXPECT_EQ(doc->ParseOptions(), poValidateOnParse | poPreserveWhiteSpace);
  doc->SetEncoding("windows-1250");
  InitFakturaDocument(f);  // a second call declares nothing twice
  EXPECT_EQ(doc->Encoding(), "UTF-8");
  std::string xml = doc->XML();
  EXPECT_NE(xml.find(std::string("<Faktura xmlns=\"") + Fa3Namespace + "\" xmlns:xsi=\"" +
                     XsiNamespace + "\" xmlns:xsd=\"" + XsdNamespace + "\"/>"),
            std::string::npos)
      << xml;
}

TEST(Fa3Files, HeaderValues) {
  IXMLFaktura f = NewFaktura();
  FillNaglowek(f, "", Fixed(EncodeDateTime(2025, 3, 5, 9, 7, 3)));
  auto n = f->Naglowek();
  EXPECT_EQ(n->KodFormularza()->Text(), "FA");
  EXPECT_EQ(n->KodFormularza()->kodSystemowy(), "FA (3)");
  EXPECT_EQ(n->KodFormularza()->wersjaSchemy(), "1-0E");
  EXPECT_EQ(n->WariantFormularza(), 3);
  EXPECT_EQ(n->DataWytworzeniaFa(), "2025-03-05T09:07:03");
  EXPECT_EQ(n->SystemInfo(), "ORVA - ");
  std::string xml = f->OwnerDocument()->XML();
  EXPECT_NE(xml.find("<Naglowek><KodFormularza kodSystemowy=\"FA (3)\" wersjaSchemy=\"1-0E\">FA"
                     "</KodFormularza><WariantFormularza>3</WariantFormularza><DataWytworzeniaFa>"),
            std::string::npos)
      << xml;

  // Date and time are two readings of the clock.
  IXMLFaktura g = NewFaktura();
  FillNaglowek(g, "Kompletor KSEF 1.0",
               Readings({EncodeDateTime(2025, 3, 5, 23, 59, 59), EncodeDateTime(2025, 3, 6)}));
  EXPECT_EQ(g->Naglowek()->DataWytworzeniaFa(), "2025-03-05T00:00:00");
  EXPECT_EQ(g->Naglowek()->SystemInfo(), "ORVA - Kompletor KSEF 1.0");
}

TEST(Fa3Files, SellerFollowsTheHeader) {
  IXMLFaktura f = NewFaktura();
  bool called = false;
  FillNaglowekAndPodmiot1(
      f,
      [&](const IXMLFaktura& doc) {
        called = true;
        EXPECT_EQ(doc.get(), f.get());
        EXPECT_TRUE(doc->HasChild("Naglowek"));
        doc->Podmiot1()->DaneIdentyfikacyjne()->SetNIP("9999999999");
      },
      "X", Fixed(EncodeDate(2026, 1, 1)));
  EXPECT_TRUE(called);
  std::string xml = f->OwnerDocument()->XML();
  EXPECT_LT(xml.find("<Naglowek>"), xml.find("<Podmiot1>"));
}

TEST(Fa3Files, CompleteInvoiceIsValidAfterReformat) {
  std::string schema = Fa3SchemaDir();
  TTempDir dir;
  std::string path = dir / "1-2026-3-17.xml";
  IXMLFaktura f = BuildInvoice();
  TXMLFaktura* before = f.get();
  SaveFaktura(f, path);
  ReformatFakturaFile(f, path);
  ASSERT_TRUE(f);
  EXPECT_NE(f.get(), before);
  std::string text = ReadFile(path);
  ExpectDeliveredLayout(text);
  EXPECT_EQ(f->OwnerDocument()->FileName(), path);
  EXPECT_EQ(f->Fa()->FaWiersz()->Count(), 2);
  EXPECT_EQ(f->Fa()->P_15(), 135.3);
  EXPECT_EQ(f->Podmiot1()->DaneIdentyfikacyjne()->Nazwa(),
            "Hurtownia \"Zbyszko\" & Syn sp. z o.o.");
  auto errors = ValidateFa3File(path, schema);
  EXPECT_TRUE(errors.empty()) << errors.front() << "\n" << text;
}

TEST(Fa3Files, ReformatRewritesAnyLayout) {
  TTempDir dir;
  std::string path = dir / "f.xml";
  WriteFile(path, std::string("<?xml version='1.0' encoding='utf-8'?>\n<Faktura xmlns=\"") +
                      Fa3Namespace +
                      "\">\n    <Fa>  <P_2> spacje zostają </P_2>\n<P_15>1</P_15></Fa>"
                      "<Stopka/></Faktura>");
  IXMLFaktura f = LoadFaktura(path);
  InitFakturaDocument(f);
  ReformatFakturaFile(f, path);
  std::string text = ReadFile(path);
  ExpectDeliveredLayout(text);
  EXPECT_NE(text.find("\t\t<P_2> spacje zostają </P_2>\n"), std::string::npos) << text;
  EXPECT_EQ(f->Fa()->P_2(), " spacje zostają ");
}

TEST(Fa3Files, ReformatArgumentsAndFailures) {
  IXMLFaktura none;
  try {
    ReformatFakturaFile(none, "x.xml");
    ADD_FAILURE();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Błąd formatowania pliku FA3");
  }
  IXMLFaktura f = NewFaktura();
  EXPECT_THROW(ReformatFakturaFile(f, ""), Exception);
  EXPECT_TRUE(f);  // nothing happened to it

  TTempDir dir;
  // Nothing on disk: the rewrite and the reload fail; the reload's error
  // reaches the caller and the old document is gone.
  EXPECT_THROW(ReformatFakturaFile(f, dir / "missing.xml"), EFOpenError);
  EXPECT_FALSE(f);

  // A saved file that is no invoice is rewritten, then refused on reload.
  f = NewFaktura();
  InitFakturaDocument(f);
  WriteFile(dir / "other.xml", "<?xml version=\"1.0\"?><Other><a/></Other>");
  EXPECT_THROW(ReformatFakturaFile(f, dir / "other.xml"), EXMLDocError);
  EXPECT_FALSE(f);
  EXPECT_EQ(ReadFile(dir / "other.xml"),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Other>\n\t<a/>\n</Other>\n");
}

TEST(Fa3Files, SaveFailsLoudly) {
  TTempDir dir;
  IXMLFaktura f = NewFaktura();
  EXPECT_THROW(SaveFaktura(f, dir / "no/such/folder/f.xml"), EInOutError);
  // A target that cannot be replaced keeps what it was; no partial file stays.
  brenvik::testing::MakeDirs(dir / "taken.xml");
  EXPECT_THROW(SaveFaktura(f, dir / "taken.xml"), EInOutError);
  EXPECT_TRUE(std::filesystem::is_directory(dir / "taken.xml"));
  EXPECT_FALSE(std::filesystem::exists(dir / "taken.xml.part"));
  // An existing file is replaced whole.
  WriteFile(dir / "old.xml", std::string(10000, 'x'));
  SaveFaktura(f, dir / "old.xml");
  EXPECT_EQ(ReadFile(dir / "old.xml"), f->OwnerDocument()->XML());
}

TEST(Fa3Validate, ReportsSchemaErrorsWithLines) {
  std::string schema = Fa3SchemaDir();
  TTempDir dir;
  std::string path = dir / "bad.xml";
  IXMLFaktura f = BuildInvoice();
  f->Fa()->FaWiersz()->Items(0)->SetP_12("24");  // no such VAT rate
  f->OwnerDocument()->SaveToFile(path);
  auto errors = ValidateFa3File(path, schema);
  ASSERT_FALSE(errors.empty());
  EXPECT_NE(errors[0].find("wiersz "), std::string::npos) << errors[0];
  EXPECT_NE(errors[0].find("P_12"), std::string::npos) << errors[0];

  WriteFile(dir / "broken.xml", "<Faktura");
  errors = ValidateFa3File(dir / "broken.xml", schema);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_NE(errors[0].find("broken.xml"), std::string::npos);

  EXPECT_THROW(ValidateFa3File(path, dir.Path()), EFOpenError);
}

TEST(Fa3Validate, MinistrySamplesAreValid) {
  std::string schema = Fa3SchemaDir();
  std::string samples = Fa3SamplesDir();
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(samples)) {
    if (entry.path().extension() != ".xml") continue;
    ++files;
    auto errors = ValidateFa3File(entry.path().string(), schema);
    EXPECT_TRUE(errors.empty()) << entry.path() << ": " << errors.front();
  }
  EXPECT_GE(files, 20);
}

TEST(Fa3Validate, ImportsByAddressResolveToTheLocalFolder) {
  std::string schema = Fa3SchemaDir();
  // The published schema imports its types by URL; a copy that does so must
  // validate from the local files alone.
  TTempDir dir;
  for (const auto& entry : std::filesystem::directory_iterator(schema))
    std::filesystem::copy_file(entry.path(), dir / entry.path().filename().string());
  std::string main = ReadFile(dir / Fa3SchemaFileName);
  const std::string local = "schemaLocation=\"StrukturyDanych_v10-0E.xsd\"";
  auto pos = main.find(local);
  ASSERT_NE(pos, std::string::npos);
  main.replace(pos, local.size(),
               "schemaLocation=\"http://crd.gov.pl/xml/schematy/dziedzinowe/mf/2022/01/05/"
               "eD/DefinicjeTypy/StrukturyDanych_v10-0E.xsd\"");
  std::filesystem::remove(dir / Fa3SchemaFileName);
  WriteFile(dir / Fa3SchemaFileName, main);
  std::string invoice = dir / "f.xml";
  SaveFaktura(BuildInvoice(), invoice);
  auto errors = ValidateFa3File(invoice, dir.Path());
  EXPECT_TRUE(errors.empty()) << errors.front();
}

TEST(Fa3Validate, NamespaceIsTheSchemasTargetNamespace) {
  std::string schema = Fa3SchemaDir();
  std::string text = ReadFile(schema + "/" + Fa3SchemaFileName);
  EXPECT_NE(text.find(std::string("targetNamespace=\"") + Fa3Namespace + "\""), std::string::npos);
}
