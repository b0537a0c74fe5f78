#pragma once
// What tests read back from FA(3) binding nodes: the element children of a
// node in document order, their names and their texts.
#include <libxml/tree.h>

#include <memory>
#include <string>
#include <vector>

#include "fa3/XmlNode.h"

namespace brenvik::testing {

inline std::vector<xmlNodePtr> ChildElements(const TXMLNode& node) {
  std::vector<xmlNodePtr> out;
  for (xmlNodePtr c = node.Node()->children; c; c = c->next)
    if (c->type == XML_ELEMENT_NODE) out.push_back(c);
  return out;
}

inline std::string ElementName(xmlNodePtr element) {
  return reinterpret_cast<const char*>(element->name);
}

// All text inside the element.
inline std::string ElementContent(xmlNodePtr element) {
  xmlChar* text = xmlNodeGetContent(element);
  std::string out = text ? reinterpret_cast<const char*>(text) : "";
  xmlFree(text);
  return out;
}

// Whether the element holds no element of its own.
inline bool IsLeafElement(xmlNodePtr element) {
  for (xmlNodePtr g = element->children; g; g = g->next)
    if (g->type == XML_ELEMENT_NODE) return false;
  return true;
}

inline std::vector<std::string> ChildNameList(const TXMLNode& node) {
  std::vector<std::string> names;
  for (xmlNodePtr c : ChildElements(node)) names.push_back(ElementName(c));
  return names;
}
template <class T>
std::vector<std::string> ChildNameList(const std::shared_ptr<T>& node) {
  return ChildNameList(*node);
}

// The child names separated by single spaces.
inline std::string JoinedChildNames(const TXMLNode& node) {
  std::string names;
  for (const std::string& n : ChildNameList(node)) names += (names.empty() ? "" : " ") + n;
  return names;
}

}  // namespace brenvik::testing
