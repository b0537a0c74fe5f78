#include "fa3/Fa3Validate.h"

#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/xmlschemas.h>

#include <atomic>
#include <memory>

#include "fa3/XmlSafeParse.h"
#include "support/Errors.h"
#include "support/Paths.h"
#include "support/TextCodec.h"

namespace brenvik {

namespace {

std::atomic<int> SchemaLoads{0};

// Schema folder of the load in progress (the loader hook is global).
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

struct TSchemaDeleter {
  void operator()(xmlSchemaPtr s) const { xmlSchemaFree(s); }
  void operator()(xmlSchemaParserCtxtPtr c) const { xmlSchemaFreeParserCtxt(c); }
  void operator()(xmlSchemaValidCtxtPtr c) const { xmlSchemaFreeValidCtxt(c); }
  void operator()(xmlDocPtr d) const { xmlFreeDoc(d); }
};

void CollectLoadError(void* userData, xmlErrorPtr error) {
  auto errors = static_cast<std::vector<std::string>*>(userData);
  if (!error || !error->message) return;
  std::string text = Trim(error->message);
  if (error->line > 0) text = "wiersz " + std::to_string(error->line) + ": " + text;
  errors->push_back(text);
}

// "{namespace}Name" becomes "Name" everywhere in the text.
std::string WithoutNamespaces(std::string text) {
  for (std::size_t open; (open = text.find('{')) != std::string::npos;) {
    const std::size_t close = text.find('}', open);
    if (close == std::string::npos) break;
    // A set of values "{'23', '22'}" is no namespace.
    if (close > open + 1 && text[open + 1] == '\'') {
      std::string rest = WithoutNamespaces(text.substr(close + 1));
      return text.substr(0, close + 1) + rest;
    }
    text.erase(open, close - open + 1);
  }
  return text;
}

// The texts between single quotes, in order.
std::vector<std::string> Quoted(const std::string& text) {
  std::vector<std::string> parts;
  for (std::size_t a = text.find('\''); a != std::string::npos; a = text.find('\'', a)) {
    const std::size_t b = text.find('\'', a + 1);
    if (b == std::string::npos) break;
    parts.push_back(text.substr(a + 1, b - a - 1));
    a = b + 1;
  }
  return parts;
}

std::string Between(const std::string& text, const std::string& open, const std::string& close) {
  const std::size_t a = text.find(open);
  if (a == std::string::npos) return {};
  const std::size_t b = text.find(close, a + open.size());
  if (b == std::string::npos) return {};
  return Trim(text.substr(a + open.size(), b - a - open.size()));
}

std::string Last(const std::vector<std::string>& parts) {
  return parts.empty() ? std::string() : parts.back();
}

// libxml2's message without the element named in front of it.
std::string Detail(const std::string& message) {
  std::string text = WithoutNamespaces(Trim(message));
  if (text.rfind("Element '", 0) == 0) {
    const std::size_t end = text.find("': ");
    if (end != std::string::npos) text = text.substr(end + 3);
  }
  return text;
}

// The Polish wording of the kinds of errors an invoice shows.
std::string PolishMessage(int code, const std::string& message) {
  const std::string detail = Detail(message);
  const std::vector<std::string> q = Quoted(detail);
  switch (code) {
    case XML_SCHEMAV_CVC_ENUMERATION_VALID: {
      std::string set = Between(detail, "{", "}");
      std::string list;
      for (const std::string& v : Quoted(set)) list += (list.empty() ? "" : ", ") + v;
      return "wartość spoza listy dozwolonych (" + list + ")";
    }
    case XML_SCHEMAV_CVC_PATTERN_VALID: return "wartość nie pasuje do wzorca " + Last(q);
    case XML_SCHEMAV_CVC_MAXLENGTH_VALID:
      return "za długa wartość: dozwolone najwyżej " + Last(q) + " znaków";
    case XML_SCHEMAV_CVC_MINLENGTH_VALID:
      return "za krótka wartość: wymagane co najmniej " + Last(q) + " znaków";
    case XML_SCHEMAV_CVC_LENGTH_VALID: return "wartość musi mieć dokładnie " + Last(q) + " znaków";
    case XML_SCHEMAV_CVC_MININCLUSIVE_VALID:
      return "wartość mniejsza niż najmniejsza dozwolona (" + Last(q) + ")";
    case XML_SCHEMAV_CVC_MAXINCLUSIVE_VALID:
      return "wartość większa niż największa dozwolona (" + Last(q) + ")";
    case XML_SCHEMAV_CVC_MINEXCLUSIVE_VALID: return "wartość musi być większa niż " + Last(q);
    case XML_SCHEMAV_CVC_MAXEXCLUSIVE_VALID: return "wartość musi być mniejsza niż " + Last(q);
    case XML_SCHEMAV_CVC_TOTALDIGITS_VALID: return "za dużo cyfr: dozwolone najwyżej " + Last(q);
    case XML_SCHEMAV_CVC_FRACTIONDIGITS_VALID:
      return "za dużo cyfr po przecinku: dozwolone najwyżej " + Last(q);
    case XML_SCHEMAV_CVC_DATATYPE_VALID_1_2_1: return "wartość niezgodna z typem " + Last(q);
    case XML_SCHEMAV_CVC_ELT_1: return "element główny nie jest elementem Faktura schematu FA(3)";
    case XML_SCHEMAV_ELEMENT_CONTENT: {
      const std::string expected = Between(detail, "( ", " )");
      if (detail.find("not expected") != std::string::npos)
        return "element nie jest dozwolony w tym miejscu" +
               (expected.empty() ? std::string() : "; oczekiwano: " + expected);
      if (detail.find("Missing child") != std::string::npos)
        return "brak wymaganego elementu: " + expected;
      break;
    }
    default: break;
  }
  return detail;
}

// The text of an element that holds only text (and of an attribute).
std::string LeafValue(const xmlNode* node) {
  if (!node) return {};
  if (node->type == XML_ELEMENT_NODE)
    for (const xmlNode* c = node->children; c; c = c->next)
      if (c->type == XML_ELEMENT_NODE) return {};
  if (node->type != XML_ELEMENT_NODE && node->type != XML_ATTRIBUTE_NODE) return {};
  xmlChar* content = xmlNodeGetContent(node);
  std::string value = content ? reinterpret_cast<const char*>(content) : "";
  xmlFree(content);
  return value;
}

struct TValidation {
  std::vector<TFa3SchemaError> Errors;
  const void* LastNode = nullptr;
};

void CollectValidationError(void* userData, xmlErrorPtr error) {
  auto v = static_cast<TValidation*>(userData);
  if (!error || !error->message) return;
  const auto node = static_cast<const xmlNode*>(error->node);
  // The type error that follows a facet error of the same element says nothing new.
  if (error->code == XML_SCHEMAV_CVC_DATATYPE_VALID_1_2_1 && node && node == v->LastNode) return;
  v->LastNode = node;
  TFa3SchemaError e;
  e.Line = error->line;
  if (node && (node->type == XML_ELEMENT_NODE || node->type == XML_ATTRIBUTE_NODE)) {
    e.Path = XmlNodePath(node);
    e.Value = LeafValue(node);
  }
  e.Message = PolishMessage(error->code, error->message);
  v->Errors.push_back(std::move(e));
}

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string out;
  for (const auto& l : lines) out += (out.empty() ? "" : "; ") + l;
  return out;
}

}  // namespace

struct TFa3Schema::TImpl {
  std::unique_ptr<xmlSchema, TSchemaDeleter> Schema;
};

TFa3Schema::TFa3Schema(const std::string& schemaDir) : FDir(schemaDir), F(new TImpl) {
  std::string schemaFile = PathJoin(schemaDir, Fa3SchemaFileName);
  if (!FileExists(schemaFile)) throw EFOpenError("Brak schematu FA(3) \"" + schemaFile + "\"");
  std::vector<std::string> schemaErrors;
  {
    TLoaderScope loader(FDir);
    std::unique_ptr<xmlSchemaParserCtxt, TSchemaDeleter> parser(
        xmlSchemaNewParserCtxt(schemaFile.c_str()));
    if (!parser) throw EXMLDocError("Nie można odczytać schematu \"" + schemaFile + "\"");
    xmlSchemaSetParserStructuredErrors(parser.get(), CollectLoadError, &schemaErrors);
    F->Schema.reset(xmlSchemaParse(parser.get()));
  }
  if (!F->Schema)
    throw EXMLDocError("Nie można wczytać schematu FA(3) \"" + schemaFile +
                       "\": " + JoinLines(schemaErrors));
  ++SchemaLoads;
}

TFa3Schema::~TFa3Schema() = default;

int TFa3Schema::LoadCount() { return SchemaLoads.load(); }

std::vector<TFa3SchemaError> TFa3Schema::Validate(xmlDocPtr doc) const {
  TValidation v;
  std::unique_ptr<xmlSchemaValidCtxt, TSchemaDeleter> validator(
      xmlSchemaNewValidCtxt(F->Schema.get()));
  if (!validator) throw EXMLDocError("Brak pamięci na walidację pliku FA(3)");
  xmlSchemaSetValidStructuredErrors(validator.get(), CollectValidationError, &v);
  int result = xmlSchemaValidateDoc(validator.get(), doc);
  if (result != 0 && v.Errors.empty())
    v.Errors.push_back(
        {0, "", "", "walidacja nie powiodła się (kod " + std::to_string(result) + ")"});
  return v.Errors;
}

std::string XmlNodePath(const xmlNode* node) {
  std::string path;
  for (const xmlNode* n = node; n && n->type != XML_DOCUMENT_NODE; n = n->parent) {
    const std::string name = n->name ? reinterpret_cast<const char*>(n->name) : "";
    if (n->type == XML_ATTRIBUTE_NODE) {
      path = "/@" + name + path;
      continue;
    }
    if (n->type != XML_ELEMENT_NODE) continue;
    int position = 0, same = 0;
    if (n->parent && n->parent->type == XML_ELEMENT_NODE)
      for (const xmlNode* s = n->parent->children; s; s = s->next)
        if (s->type == XML_ELEMENT_NODE && xmlStrEqual(s->name, n->name)) {
          ++same;
          if (s == n) position = same;
        }
    path = "/" + name + (same > 1 ? "[" + std::to_string(position) + "]" : "") + path;
  }
  return path;
}

std::vector<std::string> ValidateFa3File(const std::string& path, const std::string& schemaDir) {
  TFa3Schema schema(schemaDir);
  std::unique_ptr<xmlDoc, TSchemaDeleter> doc;
  try {
    doc.reset(ParseXmlFileSafely(path));
  } catch (const Exception& e) {
    return {e.Message()};
  }
  std::vector<std::string> errors;
  for (const TFa3SchemaError& e : schema.Validate(doc.get())) {
    std::string text = e.Line > 0 ? "wiersz " + std::to_string(e.Line) + ": " : "";
    if (!e.Path.empty()) text += e.Path + (e.Value.empty() ? "" : " = \"" + e.Value + "\"") + ": ";
    errors.push_back(text + e.Message);
  }
  return errors;
}

}  // namespace brenvik
