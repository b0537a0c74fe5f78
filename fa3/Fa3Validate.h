#pragma once
// Validation of an FA(3) file against the official schema with libxml2.
#include <string>
#include <vector>

namespace brenvik {

inline constexpr char Fa3SchemaFileName[] = "schemat_FA3_v1-0E.xsd";

// The error texts of the file's validation against schemaDir/schemat_FA3_v1-0E.xsd
// ("wiersz N: ..."); empty when the file is valid. A file that cannot be read
// or parsed gives its error as the only entry. The schemas it imports are
// taken from schemaDir by file name, never from the network. A schema that
// cannot be loaded raises EFOpenError or EXMLDocError.
std::vector<std::string> ValidateFa3File(const std::string& path, const std::string& schemaDir);

}  // namespace brenvik
