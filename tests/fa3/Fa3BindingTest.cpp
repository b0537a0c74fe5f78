#include <gtest/gtest.h>

#include <string>

#include "fa3/Schemat_FA3.h"
#include "common/TestFiles.h"
#include "support/Errors.h"

using namespace brenvik;
using brenvik::testing::ReadFile;
using brenvik::testing::TTempDir;
using brenvik::testing::WriteFile;

namespace {

std::string Xml(const IXMLFaktura& f) { return f->OwnerDocument()->XML(); }

// Position of a text in the document, failing the test when it is absent.
size_t At(const std::string& xml, const std::string& what) {
  size_t pos = xml.find(what);
  EXPECT_NE(pos, std::string::npos) << what << " not in:\n" << xml;
  return pos;
}

std::string FakturaFile(const std::string& body) {
  return std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Faktura xmlns=\"") +
         Fa3Namespace + "\">" + body + "</Faktura>\n";
}

}  // namespace

TEST(Fa3Binding, NewDocumentHoldsOnlyTheRoot) {
  IXMLFaktura f = NewFaktura();
  EXPECT_EQ(f->OwnerDocument()->Version(), "1.0");
  EXPECT_EQ(f->NodeName(), "Faktura");
  EXPECT_EQ(f->NamespaceURI(), Fa3Namespace);
  EXPECT_EQ(f->Node()->children, nullptr);
  std::string xml = Xml(f);
  At(xml, std::string("<Faktura xmlns=\"") + Fa3Namespace + "\"/>");
}

TEST(Fa3Binding, ValuesAreWrittenInTheirTextForms) {
  IXMLFaktura f = NewFaktura();
  auto fa = f->Fa();
  fa->SetP_1(EncodeDate(2026, 4, 1));
  auto wiersze = fa->FaWiersz();
  wiersze->Add()->SetP_8B(12.5);
  wiersze->Add()->SetP_8B(100);
  fa->Adnotacje()->SetP_16(2);
  fa->SetP_2("A&B <1>");
  std::string xml = Xml(f);
  At(xml, "<P_1>2026-04-01</P_1>");
  At(xml, "<P_8B>12.5</P_8B>");
  At(xml, "<P_8B>100</P_8B>");
  At(xml, "<P_16>2</P_16>");
  At(xml, "<P_2>A&amp;B &lt;1&gt;</P_2>");
  EXPECT_EQ(fa->P_2(), "A&B <1>");
  EXPECT_EQ(wiersze->Items(1)->P_8B(), 100);
  EXPECT_EQ(wiersze->Items(0)->XML(), "<FaWiersz><P_8B>12.5</P_8B></FaWiersz>");
}

TEST(Fa3Binding, CreationOrderWinsAndChildrenInheritTheNamespace) {
  IXMLFaktura f = NewFaktura();
  f->Fa();
  f->Naglowek();
  std::string xml = Xml(f);
  EXPECT_LT(At(xml, "<Fa/>"), At(xml, "<Naglowek/>"));
  EXPECT_EQ(f->Fa()->NamespaceURI(), Fa3Namespace);
  // Asking again finds the same element and the same wrapper.
  EXPECT_EQ(f->Fa().get(), f->Fa().get());
}

TEST(Fa3Binding, P15AfterTheLinesAndKeptInPlaceWhenChanged) {
  IXMLFaktura f = NewFaktura();
  auto fa = f->Fa();
  fa->FaWiersz()->Add()->SetNrWierszaFa(1);
  fa->FaWiersz()->Add()->SetNrWierszaFa(2);
  fa->SetP_15(123.45);
  fa->SetKodWaluty("PLN");
  fa->SetP_15(99);
  std::string xml = Xml(f);
  size_t p15 = At(xml, "<P_15>99</P_15>");
  EXPECT_GT(p15, At(xml, "<NrWierszaFa>2</NrWierszaFa>"));
  EXPECT_LT(p15, At(xml, "<KodWaluty>"));
  EXPECT_EQ(xml.find("123.45"), std::string::npos);
}

TEST(Fa3Binding, AbsentValues) {
  IXMLFaktura f = NewFaktura();
  auto fa = f->Fa();
  EXPECT_EQ(fa->P_13_1(), 0);
  EXPECT_EQ(fa->P_2(), "");
  EXPECT_THROW(fa->TypKorekty(), EConvertError);
  EXPECT_THROW(fa->FP(), EConvertError);
  EXPECT_THROW(fa->P_1(), EConvertError);
  // Every getter above left its element, empty.
  std::string xml = Xml(f);
  for (const char* e : {"<P_13_1/>", "<P_2/>", "<TypKorekty/>", "<FP/>", "<P_1/>"}) At(xml, e);
}

TEST(Fa3Binding, LoadedDocumentKeepsOrderAndFindsTheFirstChild) {
  TTempDir dir;
  WriteFile(dir / "f.xml",
            FakturaFile("<Podmiot3><NrKlienta>A</NrKlienta></Podmiot3>"
                        "<Podmiot3><NrKlienta>B</NrKlienta></Podmiot3>"
                        "<Podmiot3><NrKlienta>C</NrKlienta></Podmiot3>"
                        "<Fa><P_2>first</P_2><P_2>second</P_2><P_15>10</P_15></Fa>"));
  IXMLFaktura f = LoadFaktura(dir / "f.xml");
  auto p3 = f->Podmiot3();
  ASSERT_EQ(p3->Count(), 3);
  EXPECT_EQ(p3->Items(0)->NrKlienta(), "A");
  EXPECT_EQ(p3->Items(1)->NrKlienta(), "B");
  EXPECT_EQ(p3->Items(2)->NrKlienta(), "C");
  EXPECT_EQ(f->Fa()->P_2(), "first");
  EXPECT_EQ(f->Fa()->P_13_1(), 0);
  std::string xml = Xml(f);
  EXPECT_GT(At(xml, "<P_13_1/>"), At(xml, "<P_15>10</P_15>"));
}

TEST(Fa3Binding, ListIndexesCountOnlyTheItems) {
  IXMLFaktura f = NewFaktura();
  auto fa = f->Fa();
  auto lines = fa->FaWiersz();
  lines->Add()->SetP_7("a");
  fa->SetP_15(1);  // another child between the items
  lines->Add()->SetP_7("c");
  EXPECT_EQ(lines->Count(), 2);
  lines->Insert(1)->SetP_7("b");
  lines->Insert(0)->SetP_7("start");
  ASSERT_EQ(lines->Count(), 4);
  EXPECT_EQ(lines->Items(0)->P_7(), "start");
  EXPECT_EQ(lines->Items(2)->P_7(), "b");
  EXPECT_EQ(lines->Items(3)->P_7(), "c");
  EXPECT_THROW(lines->Items(4), EListError);
  EXPECT_THROW(lines->Items(-1), EListError);
  EXPECT_THROW(lines->Insert(5), EListError);

  auto removed = lines->Items(2);
  EXPECT_EQ(lines->Remove(removed), 2);
  EXPECT_EQ(lines->Remove(removed), -1);
  EXPECT_EQ(removed->P_7(), "b");  // the handle stays usable outside the tree
  lines->Delete(0);
  ASSERT_EQ(lines->Count(), 2);
  EXPECT_EQ(lines->Items(0)->P_7(), "a");
  EXPECT_THROW(lines->Delete(2), EListError);
  lines->Clear();
  EXPECT_EQ(lines->Count(), 0);
  EXPECT_EQ(fa->P_15(), 1);
  EXPECT_EQ(Xml(f).find("FaWiersz"), std::string::npos);
}

TEST(Fa3Binding, TextListsAndElementCollections) {
  IXMLFaktura f = NewFaktura();
  auto wz = f->Fa()->WZ();
  wz->Add("WZ/2");
  wz->Insert(0, "WZ/1");
  wz->Add("WZ/3");
  ASSERT_EQ(wz->Count(), 3);
  EXPECT_EQ(wz->Items(0), "WZ/1");
  EXPECT_EQ(wz->Items(2), "WZ/3");
  EXPECT_THROW(wz->Items(3), EListError);

  auto zalacznik = f->Zalacznik();
  auto blok = zalacznik->Add();
  blok->SetZNaglowek("Blok");
  blok->Tekst()->Add("Akapit 1");
  auto tabela = blok->Tabela()->Add();
  auto kol = tabela->TNaglowek()->Add();
  kol->SetTyp("txt");
  kol->NKom()->SetText("Nazwa");
  tabela->Wiersz()->Add()->Add("komórka");
  EXPECT_EQ(zalacznik->Count(), 1);
  EXPECT_EQ(zalacznik->Items(0)->Tekst()->Items(0), "Akapit 1");
  EXPECT_EQ(tabela->TNaglowek()->Items(0)->Typ(), "txt");
  EXPECT_EQ(tabela->Wiersz()->Items(0)->Items(0), "komórka");
  At(Xml(f), "<Kol Typ=\"txt\"><NKom>Nazwa</NKom></Kol>");
}

TEST(Fa3Binding, RefusesTextThatXmlCannotCarry) {
  IXMLFaktura f = NewFaktura();
  EXPECT_THROW(f->Fa()->SetP_2(std::string("a\x01")), EConvertError);
  EXPECT_THROW(f->Fa()->SetP_2("\xC5"), EConvertError);
  EXPECT_THROW(f->Naglowek()->KodFormularza()->SetkodSystemowy("\x02"), EConvertError);
  f->Fa()->SetP_2("Zażółć\tgęślą\njaźń");
  EXPECT_EQ(f->Fa()->P_2(), "Zażółć\tgęślą\njaźń");
}

TEST(Fa3Binding, HandlesKeepTheDocumentAlive) {
  IXMLFaktura_Fa_FaWiersz line;
  {
    IXMLFaktura f = NewFaktura();
    line = f->Fa()->FaWiersz()->Add();
  }
  line->SetP_7("still here");
  EXPECT_EQ(line->P_7(), "still here");
  EXPECT_NE(line->OwnerDocument()->XML().find("still here"), std::string::npos);
}

TEST(Fa3Binding, ReplacingTextOfAnElementWithChildrenKeepsTheirHandlesSafe) {
  IXMLFaktura f = NewFaktura();
  auto adnotacje = f->Fa()->Adnotacje();
  auto zwolnienie = adnotacje->Zwolnienie();
  zwolnienie->SetP_19A("art. 43");
  adnotacje->SetText("");
  EXPECT_EQ(zwolnienie->P_19A(), "art. 43");
  EXPECT_EQ(Xml(f).find("P_19A"), std::string::npos);
}
