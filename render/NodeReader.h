#pragma once
// Read-only steps through a loaded FA(3) tree by element names: nothing is
// created where the file has no element.
#include <libxml/tree.h>

#include <string>
#include <vector>

namespace brenvik {

// The first child element of node at the path "A/B/C"; null when absent.
xmlNodePtr ChildAt(xmlNodePtr node, const std::string& path);
// Every child element of node named name.
std::vector<xmlNodePtr> ChildrenNamed(xmlNodePtr node, const char* name);
// The trimmed text of the element at the path; empty when absent.
std::string TextAt(xmlNodePtr node, const std::string& path);

}  // namespace brenvik
