#pragma once
// A pass over the bytes of an XML text before the parser builds its tree:
// markup whose parsing time grows faster than its size is refused first.
#include <optional>
#include <string>

namespace brenvik {

// Most attributes (namespace declarations included) one element may carry;
// an FA(3) element carries a handful.
inline constexpr int MaxXmlAttributesPerElement = 64;

// The Polish reason why the text is refused, or nothing. Counts the
// attributes of each start tag, skipping comments, character data sections,
// processing instructions and declarations; reads UTF-8 and single-byte
// texts as well as UTF-16 and UTF-32 (told by their first bytes).
std::optional<std::string> XmlMarkupLimitBreach(const std::string& bytes,
                                                int maxAttributes = MaxXmlAttributesPerElement);

}  // namespace brenvik
