#pragma once
// Validation of an FA(3) file against the official schema with libxml2.
#include <libxml/tree.h>

#include <memory>
#include <string>
#include <vector>

namespace brenvik {

inline constexpr char Fa3SchemaFileName[] = "schemat_FA3_v1-0E.xsd";

// One disagreement with the schema: where, the element's value, and what is
// wrong in Polish (libxml2's own text, names without their namespace, where
// the kind of error has no Polish wording here).
struct TFa3SchemaError {
  int Line = 0;
  std::string Path;   // "/Faktura/Fa/FaWiersz[2]/P_12"; empty when the error names no node
  std::string Value;  // the text of an element that holds only text
  std::string Message;
};

// The schema, loaded once and used for any number of documents. The schemas
// it imports are taken from schemaDir by file name, never from the network.
// A schema that cannot be loaded raises EFOpenError or EXMLDocError.
class TFa3Schema {
public:
  explicit TFa3Schema(const std::string& schemaDir);
  ~TFa3Schema();
  TFa3Schema(const TFa3Schema&) = delete;
  TFa3Schema& operator=(const TFa3Schema&) = delete;

  // Empty when the document is valid. One problem reported by libxml2 as a
  // facet error and then as a type error of the same element gives one entry.
  std::vector<TFa3SchemaError> Validate(xmlDocPtr doc) const;
  const std::string& Dir() const { return FDir; }
  // How many schemas were loaded by this process (a run loads one).
  static int LoadCount();

private:
  std::string FDir;
  struct TImpl;
  std::unique_ptr<TImpl> F;
};

// The node's place by local names from the root; a name that several
// siblings share carries its position ("Podmiot3[2]"), an attribute "/@name".
std::string XmlNodePath(const xmlNode* node);

// The error texts of the file's validation against schemaDir/schemat_FA3_v1-0E.xsd
// ("wiersz N: ..."); empty when the file is valid. A file that cannot be read
// or parsed gives its error as the only entry. Loads the schema each call.
std::vector<std::string> ValidateFa3File(const std::string& path, const std::string& schemaDir);

}  // namespace brenvik
