#pragma once
// Parsing of XML files that come from other firms: no network, no DTD, no
// entities, a size limit, and errors that name the file.
#include <libxml/tree.h>

#include <cstdint>
#include <string>

namespace brenvik {

// Largest FA(3) file that is read at all: KSeF takes at most 3 MB with
// attachments.
inline constexpr std::uintmax_t MaxFa3FileBytes = 5u * 1024u * 1024u;

// Reads and parses a file. Raises EFOpenError when it cannot be read and
// EXMLDocError (naming the file) when it is too large, has an element with
// more attributes than MaxXmlAttributesPerElement (XmlMarkupLimits.h), is
// not well-formed, not in its declared encoding, or carries a document type
// declaration. The caller owns the result (xmlFreeDoc).
// Sets the XML library up once; to be called on the main thread before files
// are parsed on other threads.
void PrepareXmlParsing();
xmlDocPtr ParseXmlFileSafely(const std::string& path, std::uintmax_t maxBytes = MaxFa3FileBytes);
// The same for bytes already in memory; name is used in messages.
xmlDocPtr ParseXmlBytesSafely(const std::string& bytes, const std::string& name);

}  // namespace brenvik
