#include "render/NodeReader.h"

#include <cstring>

namespace brenvik {
namespace {

xmlNodePtr FirstChildNamed(xmlNodePtr node, const std::string& name) {
  if (!node) return nullptr;
  for (xmlNodePtr c = node->children; c; c = c->next)
    if (c->type == XML_ELEMENT_NODE && name == reinterpret_cast<const char*>(c->name)) return c;
  return nullptr;
}

}  // namespace

xmlNodePtr ChildAt(xmlNodePtr node, const std::string& path) {
  size_t start = 0;
  while (node && start <= path.size()) {
    const size_t slash = path.find('/', start);
    node = FirstChildNamed(
        node, path.substr(start, slash == std::string::npos ? std::string::npos : slash - start));
    if (slash == std::string::npos) break;
    start = slash + 1;
  }
  return node;
}

std::vector<xmlNodePtr> ChildrenNamed(xmlNodePtr node, const char* name) {
  std::vector<xmlNodePtr> found;
  if (!node) return found;
  for (xmlNodePtr c = node->children; c; c = c->next)
    if (c->type == XML_ELEMENT_NODE &&
        std::strcmp(reinterpret_cast<const char*>(c->name), name) == 0)
      found.push_back(c);
  return found;
}

std::string TextAt(xmlNodePtr node, const std::string& path) {
  xmlNodePtr element = path.empty() ? node : ChildAt(node, path);
  if (!element) return {};
  xmlChar* content = xmlNodeGetContent(element);
  std::string text = content ? reinterpret_cast<const char*>(content) : "";
  xmlFree(content);
  const size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

}  // namespace brenvik
