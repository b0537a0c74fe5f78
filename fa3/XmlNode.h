#pragma once
// The typed tree over libxml2: the owner document, the element-node base that
// every node class derives from, and the collection bases of the lists.
//
// Handles (IXML...) are shared pointers that keep the whole document alive:
// the document owns the xmlDoc and every node wrapper; a handle shares that
// ownership and points at one wrapper. Elements removed from the tree stay
// owned by the document until it goes, so no handle ever dangles.
#include <libxml/tree.h>

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "support/DateTime.h"
#include "support/Errors.h"

namespace brenvik {

class TXMLNode;

// Document options.
enum TXMLDocOption : unsigned { doNodeAutoIndent = 1u };
// Parse options carried by the document. libxml2 keeps white space unless
// told otherwise, and there is no DTD or schema attached to validate with on
// parse, so neither option changes how a file is read.
enum TXMLParseOption : unsigned { poValidateOnParse = 1u, poPreserveWhiteSpace = 2u };

class TXMLDocument : public std::enable_shared_from_this<TXMLDocument> {
public:
  // Takes ownership of doc; fileName is where it was read from (may be empty).
  explicit TXMLDocument(xmlDocPtr doc, std::string fileName = {});
  ~TXMLDocument();
  TXMLDocument(const TXMLDocument&) = delete;
  TXMLDocument& operator=(const TXMLDocument&) = delete;

  xmlDocPtr Doc() const { return FDoc; }
  const std::string& FileName() const { return FFileName; }
  std::string Version() const;
  std::string Encoding() const;  // declared encoding, empty when none
  void SetEncoding(const std::string& encoding);
  unsigned Options() const { return FOptions; }
  void SetOptions(unsigned options) { FOptions = options; }
  unsigned ParseOptions() const { return FParseOptions; }
  void SetParseOptions(unsigned options) { FParseOptions = options; }
  const std::string& NodeIndentStr() const { return FIndent; }
  void SetNodeIndentStr(const std::string& indent) { FIndent = indent; }

  // The document as text in its declared encoding; indented by
  // NodeIndentStr when doNodeAutoIndent is on.
  std::string XML() const;
  // Writes XML() to path, replacing the file; EInOutError when it cannot.
  void SaveToFile(const std::string& path) const;

  // The wrapper of an element, created on first use; one per element.
  template <class T>
  std::shared_ptr<T> Wrap(xmlNodePtr node);
  // A handle to an object that lives as long as this document.
  template <class T>
  std::shared_ptr<T> Handle(T* object) {
    return std::shared_ptr<T>(shared_from_this(), object);
  }
  // Takes an element (or text) out of the tree; it stays owned here.
  void Discard(xmlNodePtr node);

private:
  xmlDocPtr FDoc;
  std::string FFileName;
  unsigned FOptions = 0;
  unsigned FParseOptions = 0;
  std::string FIndent = "  ";
  std::unordered_map<xmlNodePtr, std::unique_ptr<TXMLNode>> FWrappers;
  std::vector<xmlNodePtr> FDiscarded;
};
using IXMLDocument = std::shared_ptr<TXMLDocument>;

// Element-node base: one element, its text, attributes and named children.
class TXMLNode {
public:
  TXMLNode(TXMLDocument& owner, xmlNodePtr node);
  virtual ~TXMLNode() = default;
  TXMLNode(const TXMLNode&) = delete;
  TXMLNode& operator=(const TXMLNode&) = delete;

  xmlNodePtr Node() const { return FNode; }
  IXMLDocument OwnerDocument() const { return FOwner.shared_from_this(); }
  std::string NodeName() const;      // local name
  std::string NamespaceURI() const;  // empty when none
  // The element's text; setting it replaces all content.
  std::string Text() const;
  void SetText(const std::string& value);
  // Attributes without a namespace; absent reads as empty.
  bool HasAttribute(const std::string& name) const;
  std::string Attribute(const std::string& name) const;
  void SetAttribute(const std::string& name, const std::string& value);
  // Whether a child element of that name exists (does not create it).
  bool HasChild(const std::string& name) const;
  // The element's own markup, as the document would write it unindented.
  std::string XML() const;

  // Names of the child elements of this node's class in schema order
  // (attributes excluded); empty for a node without such a table.
  virtual const std::vector<std::string>& SchemaChildOrder() const;
  // Makes sure a child of that name exists. A missing one is created before
  // the first existing child that comes later in schema order, so that an
  // element written late still lands at its place; it is appended when no
  // later sibling exists. A name that is not a member of the class raises
  // EXMLDocError. Returns whether the child was created.
  bool EnsureChildInSchemaOrder(const std::string& name);

protected:
  // First child element of that name in this element's namespace.
  xmlNodePtr FindChild(const char* name) const;
  // The child found by name, or a new one appended as the last child.
  xmlNodePtr ChildElement(const char* name);
  // A new element in this element's namespace: before `before`, after
  // `after`, or as the last child when both are null.
  xmlNodePtr NewElement(const char* name, xmlNodePtr before = nullptr, xmlNodePtr after = nullptr);
  bool IsElementNamed(xmlNodePtr node, const char* name) const;
  void ReplaceContent(xmlNodePtr element, const std::string& value);

  template <class T>
  std::shared_ptr<T> Child(const char* name) {
    return FOwner.Wrap<T>(ChildElement(name));
  }
  template <class T>
  std::shared_ptr<T> Handle(T* object) {
    return FOwner.Handle(object);
  }

  // Simple children by value kind; a getter creates an absent child empty.
  std::string ChildText(const char* name);
  void SetChildText(const char* name, const std::string& value);
  double ChildDecimal(const char* name);
  void SetChildDecimal(const char* name, double value);
  int ChildInteger(const char* name);
  void SetChildInteger(const char* name, int value);
  TDateTime ChildDate(const char* name);
  void SetChildDate(const char* name, TDateTime value);
  TDateTime ChildDateTime(const char* name);
  void SetChildDateTime(const char* name, TDateTime value);

  TXMLDocument& FOwner;
  xmlNodePtr FNode;
};
using IXMLNode = std::shared_ptr<TXMLNode>;

// Collection base: the children of one element that carry the item name.
// Indexes count only those items.
class TXMLNodeCollection : public TXMLNode {
public:
  TXMLNodeCollection(TXMLDocument& owner, xmlNodePtr node, std::string itemName);
  const std::string& ItemName() const { return FItemName; }
  int Count() const;
  void Delete(int index);
  // Index the item had, -1 when it is not an item of this list.
  int Remove(const IXMLNode& item);
  void Clear();

protected:
  xmlNodePtr ItemNode(int index) const;  // EListError outside the list
  xmlNodePtr NewItem(int index);         // 0..Count(); Count() appends

private:
  std::string FItemName;
};
using IXMLNodeCollection = std::shared_ptr<TXMLNodeCollection>;

// A list of node items of one class.
template <class T>
class TXMLNodeListOf : public TXMLNodeCollection {
public:
  using TXMLNodeCollection::TXMLNodeCollection;
  std::shared_ptr<T> Add() { return FOwner.Wrap<T>(NewItem(Count())); }
  std::shared_ptr<T> Insert(int index) { return FOwner.Wrap<T>(NewItem(index)); }
  std::shared_ptr<T> Items(int index) { return FOwner.Wrap<T>(ItemNode(index)); }
};

// A list of simple text items.
class TXMLTZnakowyList : public TXMLNodeCollection {
public:
  using TXMLNodeCollection::TXMLNodeCollection;
  void Add(const std::string& value);
  void Insert(int index, const std::string& value);
  std::string Items(int index) const;
};
using IXMLTZnakowyList = std::shared_ptr<TXMLTZnakowyList>;

template <class T>
std::shared_ptr<T> TXMLDocument::Wrap(xmlNodePtr node) {
  auto it = FWrappers.find(node);
  if (it != FWrappers.end()) {
    if (auto* typed = dynamic_cast<T*>(it->second.get())) return Handle(typed);
    throw EXMLDocError("Element " + it->second->NodeName() +
                       " jest już powiązany z inną klasą węzła");
  }
  auto wrapper = std::make_unique<T>(*this, node);
  T* typed = wrapper.get();
  FWrappers.emplace(node, std::move(wrapper));
  return Handle(typed);
}

}  // namespace brenvik
