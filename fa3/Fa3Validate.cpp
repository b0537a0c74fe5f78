#include "fa3/Fa3Validate.h"

#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/xmlschemas.h>

#include <memory>

#include "fa3/XmlSafeParse.h"
#include "support/Errors.h"
#include "support/Paths.h"
#include "support/TextCodec.h"

namespace brenvik {

namespace {

// Schema folder of the validation in progress (the loader hook is global).
thread_local const std::string* CurrentSchemaDir = nullptr;

// Maps every resource the schema parser asks for (an import by URL or a
// relative location) to the file of the same name in the schema folder;
// anything else is refused, so nothing is ever fetched from the network.
xmlParserInputPtr LocalSchemaLoader(const char* url, const char*, xmlParserCtxtPtr ctxt) {
  if (!url || !CurrentSchemaDir) return nullptr;
  std::string name = url;
  auto slash = name.find_last_of("/\\");
  if (slash != std::string::npos) name = name.substr(slash + 1);
  std::string local = PathJoin(*CurrentSchemaDir, name);
  if (name.empty() || !FileExists(local)) return nullptr;
  return xmlNewInputFromFile(ctxt, local.c_str());
}

class TLoaderScope {
public:
  explicit TLoaderScope(const std::string& dir) : FPrevious(xmlGetExternalEntityLoader()) {
    CurrentSchemaDir = &dir;
    xmlSetExternalEntityLoader(LocalSchemaLoader);
  }
  ~TLoaderScope() {
    xmlSetExternalEntityLoader(FPrevious);
    CurrentSchemaDir = nullptr;
  }

private:
  xmlExternalEntityLoader FPrevious;
};

void CollectError(void* userData, xmlErrorPtr error) {
  auto errors = static_cast<std::vector<std::string>*>(userData);
  if (!error || !error->message) return;
  std::string text = Trim(error->message);
  if (error->line > 0) text = "wiersz " + std::to_string(error->line) + ": " + text;
  errors->push_back(text);
}

struct TSchemaDeleter {
  void operator()(xmlSchemaPtr s) const { xmlSchemaFree(s); }
  void operator()(xmlSchemaParserCtxtPtr c) const { xmlSchemaFreeParserCtxt(c); }
  void operator()(xmlSchemaValidCtxtPtr c) const { xmlSchemaFreeValidCtxt(c); }
  void operator()(xmlDocPtr d) const { xmlFreeDoc(d); }
};

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string out;
  for (const auto& l : lines) out += (out.empty() ? "" : "; ") + l;
  return out;
}

}  // namespace

std::vector<std::string> ValidateFa3File(const std::string& path, const std::string& schemaDir) {
  std::string schemaFile = PathJoin(schemaDir, Fa3SchemaFileName);
  if (!FileExists(schemaFile)) throw EFOpenError("Brak schematu FA(3) \"" + schemaFile + "\"");

  std::vector<std::string> schemaErrors;
  std::unique_ptr<xmlSchema, TSchemaDeleter> schema;
  {
    TLoaderScope loader(schemaDir);
    std::unique_ptr<xmlSchemaParserCtxt, TSchemaDeleter> parser(
        xmlSchemaNewParserCtxt(schemaFile.c_str()));
    if (!parser) throw EXMLDocError("Nie można odczytać schematu \"" + schemaFile + "\"");
    xmlSchemaSetParserStructuredErrors(parser.get(), CollectError, &schemaErrors);
    schema.reset(xmlSchemaParse(parser.get()));
  }
  if (!schema)
    throw EXMLDocError("Nie można wczytać schematu FA(3) \"" + schemaFile +
                       "\": " + JoinLines(schemaErrors));

  std::unique_ptr<xmlDoc, TSchemaDeleter> doc;
  try {
    doc.reset(ParseXmlFileSafely(path));
  } catch (const Exception& e) {
    return {e.Message()};
  }
  std::vector<std::string> errors;
  std::unique_ptr<xmlSchemaValidCtxt, TSchemaDeleter> validator(
      xmlSchemaNewValidCtxt(schema.get()));
  if (!validator) throw EXMLDocError("Brak pamięci na walidację pliku \"" + path + "\"");
  xmlSchemaSetValidStructuredErrors(validator.get(), CollectError, &errors);
  int result = xmlSchemaValidateDoc(validator.get(), doc.get());
  if (result != 0 && errors.empty())
    errors.push_back("Walidacja pliku \"" + path + "\" nie powiodła się (kod " +
                     std::to_string(result) + ")");
  return errors;
}

}  // namespace brenvik
