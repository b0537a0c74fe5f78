#pragma once
// The typed FA(3) invoice tree. Every node class, list class and accessor
// comes from the table in Fa3Classes.def (one block per class, members in
// schema order), expanded here by the FA3_* macros. Classes appear by their
// stem: Faktura_Fa stands for the class TXMLFaktura_Fa and its handle
// IXMLFaktura_Fa (a shared pointer that keeps the document alive).
//   FA3_CLASS(Cls, Base) ... FA3_END(Cls)        node class
//   FA3_COLLECTION(Cls, Item, ItemCls)           element that is a list of Item
//   FA3_TEXT_COLLECTION(Cls, Item)               element that is a list of text Item
//   FA3_LIST_CLASS(ListCls, ItemCls)             list class of a repeated child
// members: FA3_TEXT, FA3_DECIMAL, FA3_INT, FA3_FLAG, FA3_DATE, FA3_DATETIME
// (simple children: Name() / SetName(value)), FA3_CHILD (Name() returns the
// child, created when absent), FA3_LIST and FA3_TEXTLIST (Name() returns the
// list), FA3_ATTR (attribute: Name() / SetName(value)).
//
// New children and items are appended as the last child of their element;
// the binding never reorders, so callers create elements in schema order.
// Where an element may come into being late, EnsureChildInSchemaOrder
// creates it at its schema place (each node class knows its member order).
#include <memory>
#include <string>
#include <vector>

#include "fa3/XmlNode.h"
#include "support/DateTime.h"

namespace brenvik {

// Each pass defines the macros it needs; Fa3ClassesDefaults.h makes the rest
// expand to nothing and Fa3ClassesReset.h forgets them all afterwards.

// ---- pass 1: names and handles of every class
#define FA3_NAMESPACE(ns) inline constexpr char Fa3Namespace[] = ns;
#define FA3_LIST_CLASS(ListCls, ItemCls) \
  class TXML##ListCls;                   \
  using IXML##ListCls = std::shared_ptr<TXML##ListCls>;
#define FA3_CLASS(Cls, Base) \
  class TXML##Cls;           \
  using IXML##Cls = std::shared_ptr<TXML##Cls>;
#define FA3_COLLECTION(Cls, ItemName, ItemCls) FA3_CLASS(Cls, _)
#define FA3_TEXT_COLLECTION(Cls, ItemName) FA3_CLASS(Cls, _)
#include "fa3/Fa3ClassesDefaults.h"
#include "fa3/Fa3Classes.def"
#include "fa3/Fa3ClassesReset.h"

// ---- pass 2: list classes
#define FA3_LIST_CLASS(ListCls, ItemCls)                       \
  class TXML##ListCls : public TXMLNodeListOf<TXML##ItemCls> { \
  public:                                                      \
    using TXMLNodeListOf<TXML##ItemCls>::TXMLNodeListOf;       \
  };
#include "fa3/Fa3ClassesDefaults.h"
#include "fa3/Fa3Classes.def"
#include "fa3/Fa3ClassesReset.h"

// ---- pass 3: node classes with their accessors
#define FA3_CLASS(Cls, Base)                         \
  class TXML##Cls : public TXML##Base {              \
  public:                                            \
    TXML##Cls(TXMLDocument& owner, xmlNodePtr node); \
    const std::vector<std::string>& SchemaChildOrder() const override;
#define FA3_COLLECTION(Cls, ItemName, ItemCls)             \
  class TXML##Cls : public TXMLNodeListOf<TXML##ItemCls> { \
  public:                                                  \
    TXML##Cls(TXMLDocument& owner, xmlNodePtr node);
#define FA3_TEXT_COLLECTION(Cls, ItemName)    \
  class TXML##Cls : public TXMLTZnakowyList { \
  public:                                     \
    TXML##Cls(TXMLDocument& owner, xmlNodePtr node);
// clang-format off
#define FA3_END(Cls) };
// clang-format on
#define FA3_TEXT(Cls, Name) \
  std::string Name();       \
  void Set##Name(const std::string& value);
#define FA3_ATTR(Cls, Name) FA3_TEXT(Cls, Name)
#define FA3_DECIMAL(Cls, Name) \
  double Name();               \
  void Set##Name(double value);
#define FA3_INT(Cls, Name) \
  int Name();              \
  void Set##Name(int value);
#define FA3_FLAG(Cls, Name) FA3_INT(Cls, Name)
#define FA3_DATE(Cls, Name) \
  TDateTime Name();         \
  void Set##Name(TDateTime value);
#define FA3_DATETIME(Cls, Name) FA3_DATE(Cls, Name)
#define FA3_CHILD(Cls, Name, ChildCls) IXML##ChildCls Name();
#define FA3_LIST(Cls, Name, ListCls, ItemCls) \
  IXML##ListCls Name();                       \
                                              \
private:                                      \
  std::unique_ptr<TXML##ListCls> F##Name;     \
                                              \
public:
#define FA3_TEXTLIST(Cls, Name)              \
  IXMLTZnakowyList Name();                   \
                                             \
private:                                     \
  std::unique_ptr<TXMLTZnakowyList> F##Name; \
                                             \
public:
#include "fa3/Fa3ClassesDefaults.h"
#include "fa3/Fa3Classes.def"
#include "fa3/Fa3ClassesReset.h"

// A new document of version "1.0" holding only the root Faktura element in
// the FA(3) namespace (declared as the default namespace).
IXMLFaktura NewFaktura();
// Reads an FA(3) file (see XmlSafeParse.h for what is refused). A file whose
// root is not Faktura in the FA(3) namespace raises EXMLDocError naming it.
IXMLFaktura LoadFaktura(const std::string& fileName);

}  // namespace brenvik
