#include "fa3/XmlNode.h"
#include "support/SystemErrors.h"

#include <libxml/xmlsave.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "fa3/Fa3Values.h"
#include "support/TextCodec.h"

namespace brenvik {

namespace {

const char* Str(const xmlChar* s) { return reinterpret_cast<const char*>(s); }
const xmlChar* X(const char* s) { return reinterpret_cast<const xmlChar*>(s); }
const xmlChar* X(const std::string& s) { return X(s.c_str()); }

std::string TakeString(xmlChar* s) {
  std::string out = s ? Str(s) : "";
  xmlFree(s);
  return out;
}

// XML 1.0 allows no control characters but tab and line ends, and not the
// two non-characters U+FFFE and U+FFFF; such text would make the file
// unreadable, so it is refused before it enters the tree.
bool IsXmlText(const std::string& s) {
  for (size_t i = 0; i < s.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') return false;
    if (c == 0xEF && i + 2 < s.size() && static_cast<unsigned char>(s[i + 1]) == 0xBF &&
        (static_cast<unsigned char>(s[i + 2]) & 0xFE) == 0xBE)
      return false;
  }
  return true;
}

void CheckText(const std::string& value, const std::string& where) {
  if (!IsValidUtf8(value)) throw EConvertError(where + ": tekst nie jest poprawnym tekstem UTF-8");
  if (!IsXmlText(value))
    throw EConvertError(where + ": tekst zawiera znaki sterujące niedozwolone w XML");
}

bool SameNamespace(xmlNsPtr a, xmlNsPtr b) {
  const xmlChar* ha = a ? a->href : nullptr;
  const xmlChar* hb = b ? b->href : nullptr;
  if (!ha || !hb) return ha == hb;
  return xmlStrEqual(ha, hb) != 0;
}

}  // namespace

// ---------------------------------------------------------------- document

TXMLDocument::TXMLDocument(xmlDocPtr doc, std::string fileName)
    : FDoc(doc), FFileName(std::move(fileName)) {
  if (!FDoc) throw EXMLDocError("Brak dokumentu XML");
}

TXMLDocument::~TXMLDocument() {
  FWrappers.clear();
  for (xmlNodePtr node : FDiscarded) xmlFreeNode(node);
  xmlFreeDoc(FDoc);
}

std::string TXMLDocument::Version() const { return FDoc->version ? Str(FDoc->version) : ""; }

std::string TXMLDocument::Encoding() const { return FDoc->encoding ? Str(FDoc->encoding) : ""; }

void TXMLDocument::SetEncoding(const std::string& encoding) {
  if (FDoc->encoding) xmlFree(const_cast<xmlChar*>(FDoc->encoding));
  FDoc->encoding = encoding.empty() ? nullptr : xmlStrdup(X(encoding));
}

std::string TXMLDocument::XML() const {
  xmlBufferPtr buffer = xmlBufferCreate();
  if (!buffer) throw EXMLDocError("Brak pamięci na tekst dokumentu XML");
  int options = (FOptions & doNodeAutoIndent) ? XML_SAVE_FORMAT : 0;
  // libxml2 takes the indentation from a per-thread setting when the save
  // context is created; an empty string would leave it nothing to repeat.
  const char* previousIndent = xmlTreeIndentString;
  xmlTreeIndentString = FIndent.empty() ? "  " : FIndent.c_str();
  xmlSaveCtxtPtr ctxt =
      xmlSaveToBuffer(buffer, FDoc->encoding ? Str(FDoc->encoding) : nullptr, options);
  xmlTreeIndentString = previousIndent;
  if (!ctxt) {
    xmlBufferFree(buffer);
    throw EXMLDocError("Nie można zapisać dokumentu XML w kodowaniu \"" + Encoding() + "\"");
  }
  long written = xmlSaveDoc(ctxt, FDoc);
  int closed = xmlSaveClose(ctxt);
  std::string text(Str(xmlBufferContent(buffer)), static_cast<size_t>(xmlBufferLength(buffer)));
  xmlBufferFree(buffer);
  if (written < 0 || closed < 0) throw EXMLDocError("Błąd zapisu dokumentu XML");
  return text;
}

void TXMLDocument::SaveToFile(const std::string& path) const {
  std::string text = XML();
  // Written beside the target and renamed over it, so that a failed write
  // never leaves a cut-off invoice under the file's name.
  std::string partial = path + ".part";
  {
    std::ofstream out(partial, std::ios::binary | std::ios::trunc);
    if (!out) throw EFOpenError("Nie można utworzyć pliku \"" + path + "\"");
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.close();
    if (!out) {
      std::error_code ignored;
      std::filesystem::remove(partial, ignored);
      throw EInOutError("Błąd zapisu pliku \"" + path + "\"");
    }
  }
  std::error_code ec;
  std::filesystem::rename(partial, path, ec);
  if (ec) {
    std::error_code ignored;
    std::filesystem::remove(partial, ignored);
    throw EInOutError("Nie można zapisać pliku \"" + path + "\": " + SystemErrorText(ec));
  }
}

void TXMLDocument::Discard(xmlNodePtr node) {
  xmlUnlinkNode(node);
  FDiscarded.push_back(node);
}

// ---------------------------------------------------------------- node

TXMLNode::TXMLNode(TXMLDocument& owner, xmlNodePtr node) : FOwner(owner), FNode(node) {}

std::string TXMLNode::NodeName() const { return Str(FNode->name); }

std::string TXMLNode::NamespaceURI() const {
  return (FNode->ns && FNode->ns->href) ? Str(FNode->ns->href) : "";
}

std::string TXMLNode::Text() const { return TakeString(xmlNodeGetContent(FNode)); }

void TXMLNode::SetText(const std::string& value) { ReplaceContent(FNode, value); }

bool TXMLNode::HasAttribute(const std::string& name) const {
  return xmlHasNsProp(FNode, X(name), nullptr) != nullptr;
}

std::string TXMLNode::Attribute(const std::string& name) const {
  return TakeString(xmlGetNoNsProp(FNode, X(name)));
}

void TXMLNode::SetAttribute(const std::string& name, const std::string& value) {
  CheckText(value, "Atrybut " + name);
  if (!xmlSetProp(FNode, X(name), X(value)))
    throw EXMLDocError("Nie można ustawić atrybutu " + name);
}

bool TXMLNode::HasChild(const std::string& name) const { return FindChild(name.c_str()); }

std::string TXMLNode::XML() const {
  xmlBufferPtr buffer = xmlBufferCreate();
  if (!buffer) throw EXMLDocError("Brak pamięci na tekst elementu XML");
  int written = xmlNodeDump(buffer, FOwner.Doc(), FNode, 0, 0);
  std::string text = written >= 0 ? std::string(Str(xmlBufferContent(buffer)),
                                                static_cast<size_t>(xmlBufferLength(buffer)))
                                  : std::string();
  xmlBufferFree(buffer);
  if (written < 0) throw EXMLDocError("Błąd zapisu elementu " + NodeName());
  return text;
}

const std::vector<std::string>& TXMLNode::SchemaChildOrder() const {
  static const std::vector<std::string> none;
  return none;
}

bool TXMLNode::EnsureChildInSchemaOrder(const std::string& name) {
  if (FindChild(name.c_str())) return false;
  const std::vector<std::string>& order = SchemaChildOrder();
  auto rank = [&order](const xmlChar* childName) -> std::ptrdiff_t {
    for (size_t i = 0; i < order.size(); ++i)
      if (xmlStrEqual(X(order[i]), childName)) return static_cast<std::ptrdiff_t>(i);
    return -1;
  };
  std::ptrdiff_t own = rank(X(name));
  if (own < 0) throw EXMLDocError("Element " + name + " nie należy do elementu " + NodeName());
  xmlNodePtr before = nullptr;
  for (xmlNodePtr child = FNode->children; child && !before; child = child->next)
    if (child->type == XML_ELEMENT_NODE && SameNamespace(child->ns, FNode->ns) &&
        rank(child->name) > own)
      before = child;
  NewElement(name.c_str(), before);
  return true;
}

bool TXMLNode::IsElementNamed(xmlNodePtr node, const char* name) const {
  return node->type == XML_ELEMENT_NODE && xmlStrEqual(node->name, X(name)) &&
         SameNamespace(node->ns, FNode->ns);
}

xmlNodePtr TXMLNode::FindChild(const char* name) const {
  for (xmlNodePtr child = FNode->children; child; child = child->next)
    if (IsElementNamed(child, name)) return child;
  return nullptr;
}

xmlNodePtr TXMLNode::ChildElement(const char* name) {
  if (xmlNodePtr found = FindChild(name)) return found;
  return NewElement(name);
}

xmlNodePtr TXMLNode::NewElement(const char* name, xmlNodePtr before, xmlNodePtr after) {
  xmlNodePtr element = xmlNewDocNode(FOwner.Doc(), FNode->ns, X(name), nullptr);
  if (!element) throw EXMLDocError(std::string("Nie można utworzyć elementu ") + name);
  xmlNodePtr placed = before  ? xmlAddPrevSibling(before, element)
                      : after ? xmlAddNextSibling(after, element)
                              : xmlAddChild(FNode, element);
  if (!placed) {
    xmlFreeNode(element);
    throw EXMLDocError(std::string("Nie można dodać elementu ") + name);
  }
  return element;
}

void TXMLNode::ReplaceContent(xmlNodePtr element, const std::string& value) {
  CheckText(value, std::string("Element ") + Str(element->name));
  // Former child elements leave the tree but stay owned by the document, so
  // that their wrappers never point at freed memory; text simply goes.
  while (xmlNodePtr child = element->children) {
    if (child->type == XML_ELEMENT_NODE) {
      FOwner.Discard(child);
    } else {
      xmlUnlinkNode(child);
      xmlFreeNode(child);
    }
  }
  if (value.empty()) return;
  xmlNodePtr text = xmlNewDocTextLen(FOwner.Doc(), X(value), static_cast<int>(value.size()));
  if (!text || !xmlAddChild(element, text)) {
    if (text) xmlFreeNode(text);
    throw EXMLDocError(std::string("Nie można ustawić tekstu elementu ") + Str(element->name));
  }
}

std::string TXMLNode::ChildText(const char* name) {
  return TakeString(xmlNodeGetContent(ChildElement(name)));
}

void TXMLNode::SetChildText(const char* name, const std::string& value) {
  ReplaceContent(ChildElement(name), value);
}

double TXMLNode::ChildDecimal(const char* name) { return ParseFa3Decimal(ChildText(name), name); }

void TXMLNode::SetChildDecimal(const char* name, double value) {
  SetChildText(name, FormatFa3Decimal(value));
}

int TXMLNode::ChildInteger(const char* name) { return ParseFa3Integer(ChildText(name), name); }

void TXMLNode::SetChildInteger(const char* name, int value) {
  SetChildText(name, FormatFa3Integer(value));
}

TDateTime TXMLNode::ChildDate(const char* name) { return ParseFa3Date(ChildText(name), name); }

void TXMLNode::SetChildDate(const char* name, TDateTime value) {
  SetChildText(name, FormatFa3Date(value));
}

TDateTime TXMLNode::ChildDateTime(const char* name) {
  return ParseFa3DateTime(ChildText(name), name);
}

void TXMLNode::SetChildDateTime(const char* name, TDateTime value) {
  SetChildText(name, FormatFa3DateTime(value));
}

// ---------------------------------------------------------------- collections

TXMLNodeCollection::TXMLNodeCollection(TXMLDocument& owner, xmlNodePtr node, std::string itemName)
    : TXMLNode(owner, node), FItemName(std::move(itemName)) {}

int TXMLNodeCollection::Count() const {
  int count = 0;
  for (xmlNodePtr child = FNode->children; child; child = child->next)
    if (IsElementNamed(child, FItemName.c_str())) ++count;
  return count;
}

xmlNodePtr TXMLNodeCollection::ItemNode(int index) const {
  int i = 0;
  if (index >= 0)
    for (xmlNodePtr child = FNode->children; child; child = child->next)
      if (IsElementNamed(child, FItemName.c_str()) && i++ == index) return child;
  throw EListError("Indeks listy " + FItemName + " poza zakresem (" + std::to_string(index) + ")");
}

xmlNodePtr TXMLNodeCollection::NewItem(int index) {
  int count = Count();
  if (index < 0 || index > count)
    throw EListError("Indeks listy " + FItemName + " poza zakresem (" + std::to_string(index) +
                     ")");
  const char* name = FItemName.c_str();
  // Inside the list an item goes before the one at its index; at the end it
  // becomes the last child of the element, as every new child does.
  return index < count ? NewElement(name, ItemNode(index)) : NewElement(name);
}

void TXMLNodeCollection::Delete(int index) { FOwner.Discard(ItemNode(index)); }

int TXMLNodeCollection::Remove(const IXMLNode& item) {
  if (!item) return -1;
  int i = 0;
  for (xmlNodePtr child = FNode->children; child; child = child->next) {
    if (!IsElementNamed(child, FItemName.c_str())) continue;
    if (child == item->Node()) {
      FOwner.Discard(child);
      return i;
    }
    ++i;
  }
  return -1;
}

void TXMLNodeCollection::Clear() {
  while (Count() > 0) Delete(0);
}

void TXMLTZnakowyList::Add(const std::string& value) { Insert(Count(), value); }

void TXMLTZnakowyList::Insert(int index, const std::string& value) {
  CheckText(value, "Element " + ItemName());
  ReplaceContent(NewItem(index), value);
}

std::string TXMLTZnakowyList::Items(int index) const {
  return TakeString(xmlNodeGetContent(ItemNode(index)));
}

}  // namespace brenvik
