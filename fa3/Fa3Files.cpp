#include "fa3/Fa3Files.h"

#include <exception>

#include "fa3/XmlSafeParse.h"
#include "support/Errors.h"

namespace brenvik {

namespace {

const xmlChar* X(const char* s) { return reinterpret_cast<const xmlChar*>(s); }

void DeclareNamespace(xmlNodePtr root, const char* prefix, const char* href) {
  for (xmlNsPtr ns = root->nsDef; ns; ns = ns->next)
    if (ns->prefix && xmlStrEqual(ns->prefix, X(prefix))) return;
  if (!xmlNewNs(root, X(href), X(prefix)))
    throw EXMLDocError(std::string("Nie można zadeklarować przestrzeni nazw ") + prefix);
}

// White space between elements would keep libxml2 from indenting anew, so
// it goes; text of elements that hold text stays untouched.
void DropLayoutBlanks(xmlNodePtr element) {
  bool hasElements = false;
  for (xmlNodePtr c = element->children; c; c = c->next)
    if (c->type == XML_ELEMENT_NODE) hasElements = true;
  for (xmlNodePtr c = element->children; c;) {
    xmlNodePtr next = c->next;
    if (c->type == XML_ELEMENT_NODE) {
      DropLayoutBlanks(c);
    } else if (hasElements && c->type == XML_TEXT_NODE && xmlIsBlankNode(c)) {
      xmlUnlinkNode(c);
      xmlFreeNode(c);
    }
    c = next;
  }
}

}  // namespace

void InitFakturaDocument(const IXMLFaktura& faktura) {
  IXMLDocument doc = faktura->OwnerDocument();
  if (doc->Encoding() != "UTF-8") doc->SetEncoding("UTF-8");
  doc->SetOptions(doc->Options() | doNodeAutoIndent);
  doc->SetParseOptions(doc->ParseOptions() | poValidateOnParse | poPreserveWhiteSpace);
  doc->SetNodeIndentStr("\t");
  DeclareNamespace(faktura->Node(), "xsi", XsiNamespace);
  DeclareNamespace(faktura->Node(), "xsd", XsdNamespace);
}

void FillNaglowek(const IXMLFaktura& faktura, const std::string& mainCaption, const TClock& clock) {
  IXMLTNaglowek naglowek = faktura->Naglowek();
  IXMLTNaglowek_KodFormularza kod = naglowek->KodFormularza();
  kod->SetText("FA");
  kod->SetkodSystemowy("FA (3)");
  kod->SetwersjaSchemy("1-0E");
  naglowek->SetWariantFormularza(3);
  // Date and time are two readings of the clock, as the header always had.
  std::string date = DateToStr(clock());
  std::string time = FormatDateTime("hh:nn:ss", clock());
  naglowek->SetDataWytworzeniaFa(date + "T" + time);
  naglowek->SetSystemInfo("ORVA - " + mainCaption);
}

void FillNaglowekAndPodmiot1(const IXMLFaktura& faktura, const TFillPodmiot1& fillPodmiot1,
                             const std::string& mainCaption, const TClock& clock) {
  FillNaglowek(faktura, mainCaption, clock);
  if (fillPodmiot1) fillPodmiot1(faktura);
}

void SaveFaktura(const IXMLFaktura& faktura, const std::string& path) {
  faktura->OwnerDocument()->SaveToFile(path);
}

void ReformatFakturaFile(IXMLFaktura& faktura, const std::string& path) {
  if (!faktura || path.empty()) throw Exception("Błąd formatowania pliku FA3");
  std::exception_ptr failure;
  try {
    std::string indent = faktura->OwnerDocument()->NodeIndentStr();
    TXMLDocument fresh(ParseXmlFileSafely(path), path);
    fresh.SetOptions(fresh.Options() | doNodeAutoIndent);
    fresh.SetNodeIndentStr(indent);
    if (xmlNodePtr root = xmlDocGetRootElement(fresh.Doc())) DropLayoutBlanks(root);
    fresh.SetEncoding("UTF-8");
    fresh.SaveToFile(path);
  } catch (...) {
    failure = std::current_exception();
  }
  faktura.reset();
  faktura = LoadFaktura(path);
  if (failure) std::rethrow_exception(failure);
}

}  // namespace brenvik
