#include "fa3/Schemat_FA3.h"

#include "fa3/XmlSafeParse.h"
#include "support/Errors.h"

namespace brenvik {

// ---- constructors: each creates the list objects of its repeated children
#define FA3_CLASS(Cls, Base) \
  TXML##Cls::TXML##Cls(TXMLDocument& owner, xmlNodePtr node) : TXML##Base(owner, node) {
#define FA3_COLLECTION(Cls, ItemName, ItemCls)               \
  TXML##Cls::TXML##Cls(TXMLDocument& owner, xmlNodePtr node) \
      : TXMLNodeListOf<TXML##ItemCls>(owner, node, #ItemName) {
#define FA3_TEXT_COLLECTION(Cls, ItemName)                   \
  TXML##Cls::TXML##Cls(TXMLDocument& owner, xmlNodePtr node) \
      : TXMLTZnakowyList(owner, node, #ItemName) {
#define FA3_END(Cls) }
#define FA3_LIST(Cls, Name, ListCls, ItemCls) \
  F##Name = std::make_unique<TXML##ListCls>(owner, node, #Name);
#define FA3_TEXTLIST(Cls, Name) F##Name = std::make_unique<TXMLTZnakowyList>(owner, node, #Name);
#include "fa3/Fa3ClassesDefaults.h"
#include "fa3/Fa3Classes.def"
#include "fa3/Fa3ClassesReset.h"

// ---- accessors
#define FA3_TEXT(Cls, Name)                                  \
  std::string TXML##Cls::Name() { return ChildText(#Name); } \
  void TXML##Cls::Set##Name(const std::string& value) { SetChildText(#Name, value); }
#define FA3_ATTR(Cls, Name)                                  \
  std::string TXML##Cls::Name() { return Attribute(#Name); } \
  void TXML##Cls::Set##Name(const std::string& value) { SetAttribute(#Name, value); }
#define FA3_DECIMAL(Cls, Name)                             \
  double TXML##Cls::Name() { return ChildDecimal(#Name); } \
  void TXML##Cls::Set##Name(double value) { SetChildDecimal(#Name, value); }
#define FA3_INT(Cls, Name)                              \
  int TXML##Cls::Name() { return ChildInteger(#Name); } \
  void TXML##Cls::Set##Name(int value) { SetChildInteger(#Name, value); }
#define FA3_FLAG(Cls, Name) FA3_INT(Cls, Name)
#define FA3_DATE(Cls, Name)                                \
  TDateTime TXML##Cls::Name() { return ChildDate(#Name); } \
  void TXML##Cls::Set##Name(TDateTime value) { SetChildDate(#Name, value); }
#define FA3_DATETIME(Cls, Name)                                \
  TDateTime TXML##Cls::Name() { return ChildDateTime(#Name); } \
  void TXML##Cls::Set##Name(TDateTime value) { SetChildDateTime(#Name, value); }
#define FA3_CHILD(Cls, Name, ChildCls) \
  IXML##ChildCls TXML##Cls::Name() { return Child<TXML##ChildCls>(#Name); }
#define FA3_LIST(Cls, Name, ListCls, ItemCls) \
  IXML##ListCls TXML##Cls::Name() { return Handle(F##Name.get()); }
#define FA3_TEXTLIST(Cls, Name) \
  IXMLTZnakowyList TXML##Cls::Name() { return Handle(F##Name.get()); }
#include "fa3/Fa3ClassesDefaults.h"
#include "fa3/Fa3Classes.def"
#include "fa3/Fa3ClassesReset.h"

// ---- member order of each node class: its base class's members, then its own
namespace {
std::vector<std::string> JoinOrder(const std::vector<std::string>& base,
                                   std::initializer_list<const char*> own) {
  std::vector<std::string> order = base;
  order.insert(order.end(), own.begin(), own.end());
  return order;
}
}  // namespace

#define FA3_CLASS(Cls, Base)                                            \
  const std::vector<std::string>& TXML##Cls::SchemaChildOrder() const { \
    static const std::vector<std::string> order = JoinOrder(TXML##Base::SchemaChildOrder(), {
// Collections hold only their items; their blocks expand to unused helpers.
#define FA3_COLLECTION(Cls, ItemName, ItemCls)                                     \
  [[maybe_unused]] static const std::vector<std::string>& CollectionOrder##Cls() { \
    static const std::vector<std::string> order = JoinOrder({}, {
#define FA3_TEXT_COLLECTION(Cls, ItemName) FA3_COLLECTION(Cls, ItemName, _)
#define FA3_END(Cls)     \
  }); \
  return order;          \
  }
#define FA3_TEXT(Cls, Name) #Name,
#define FA3_DECIMAL(Cls, Name) #Name,
#define FA3_INT(Cls, Name) #Name,
#define FA3_FLAG(Cls, Name) #Name,
#define FA3_DATE(Cls, Name) #Name,
#define FA3_DATETIME(Cls, Name) #Name,
#define FA3_CHILD(Cls, Name, ChildCls) #Name,
#define FA3_LIST(Cls, Name, ListCls, ItemCls) #Name,
#define FA3_TEXTLIST(Cls, Name) #Name,
#include "fa3/Fa3ClassesDefaults.h"
#include "fa3/Fa3Classes.def"
#include "fa3/Fa3ClassesReset.h"

namespace {

const xmlChar* X(const char* s) { return reinterpret_cast<const xmlChar*>(s); }

struct TDocDeleter {
  void operator()(xmlDocPtr d) const { xmlFreeDoc(d); }
};

}  // namespace

IXMLFaktura NewFaktura() {
  std::unique_ptr<xmlDoc, TDocDeleter> doc(xmlNewDoc(X("1.0")));
  if (!doc) throw EXMLDocError("Nie można utworzyć dokumentu faktury");
  xmlNodePtr root = xmlNewDocNode(doc.get(), nullptr, X("Faktura"), nullptr);
  if (!root) throw EXMLDocError("Nie można utworzyć elementu Faktura");
  xmlDocSetRootElement(doc.get(), root);
  xmlNsPtr ns = xmlNewNs(root, X(Fa3Namespace), nullptr);
  if (!ns) throw EXMLDocError("Nie można zadeklarować przestrzeni nazw FA(3)");
  xmlSetNs(root, ns);
  auto owner = std::make_shared<TXMLDocument>(doc.release());
  return owner->Wrap<TXMLFaktura>(root);
}

IXMLFaktura LoadFaktura(const std::string& fileName) {
  auto owner = std::make_shared<TXMLDocument>(ParseXmlFileSafely(fileName), fileName);
  xmlNodePtr root = xmlDocGetRootElement(owner->Doc());
  bool isFaktura = root && xmlStrEqual(root->name, X("Faktura")) && root->ns &&
                   xmlStrEqual(root->ns->href, X(Fa3Namespace));
  if (!isFaktura) {
    std::string found = root ? reinterpret_cast<const char*>(root->name) : "";
    if (root && root->ns && root->ns->href)
      found = "{" + std::string(reinterpret_cast<const char*>(root->ns->href)) + "}" + found;
    throw EXMLDocError("Plik \"" + fileName + "\" nie jest fakturą FA(3): element główny \"" +
                       found + "\" zamiast \"Faktura\" w przestrzeni nazw " + Fa3Namespace);
  }
  return owner->Wrap<TXMLFaktura>(root);
}

}  // namespace brenvik
