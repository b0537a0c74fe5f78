#include "fa3/XmlSafeParse.h"

#include <libxml/parser.h>
#include <libxml/xmlerror.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <system_error>

#include "fa3/XmlMarkupLimits.h"
#include "support/Errors.h"
#include "support/TextCodec.h"

namespace brenvik {

namespace {

struct TParseState {
  bool SawDoctype = false;
};

// Called as soon as <!DOCTYPE is read, before any of its declarations: the
// parse ends there, so no entity is ever declared, expanded or fetched.
void StopAtDoctype(void* userData, const xmlChar*, const xmlChar*, const xmlChar*) {
  auto ctxt = static_cast<xmlParserCtxtPtr>(userData);
  if (auto state = static_cast<TParseState*>(ctxt->_private)) state->SawDoctype = true;
  xmlStopParser(ctxt);
}

// UTF-16 and UTF-32 texts are full of zero bytes; any other has none.
bool IsWideText(const std::string& bytes) {
  if (bytes.size() < 2) return false;
  auto b0 = static_cast<unsigned char>(bytes[0]), b1 = static_cast<unsigned char>(bytes[1]);
  return (b0 == 0xFE && b1 == 0xFF) || (b0 == 0xFF && b1 == 0xFE) || b0 == 0 || b1 == 0;
}

struct TCtxtDeleter {
  void operator()(xmlParserCtxtPtr c) const { xmlFreeParserCtxt(c); }
};

std::string ErrorText(const xmlError* error) {
  if (!error || !error->message) return "nieznany błąd";
  std::string text = Trim(error->message);
  if (error->line > 0) text = "wiersz " + std::to_string(error->line) + ": " + text;
  return text;
}

}  // namespace

xmlDocPtr ParseXmlBytesSafely(const std::string& bytes, const std::string& name) {
  if (bytes.size() > static_cast<size_t>(INT_MAX))
    throw EXMLDocError("Plik \"" + name + "\" jest za duży, by go wczytać");
  // libxml2 takes a zero byte for the end of the text, so whatever follows
  // one would go unread.
  if (!IsWideText(bytes) && bytes.find('\0') != std::string::npos)
    throw EXMLDocError("Plik \"" + name +
                       "\" nie jest poprawnym dokumentem XML (zawiera bajty zerowe)");
  // The parser checks the attributes of an element against each other, in a
  // time that grows with the square of their count: refused before it starts.
  if (const auto why = XmlMarkupLimitBreach(bytes))
    throw EXMLDocError("Plik \"" + name + "\" nie jest fakturą do wczytania (" + *why + ")");
  std::unique_ptr<xmlParserCtxt, TCtxtDeleter> ctxt(xmlNewParserCtxt());
  if (!ctxt) throw EXMLDocError("Brak pamięci na odczyt pliku \"" + name + "\"");
  TParseState state;
  ctxt->_private = &state;
  ctxt->sax->internalSubset = StopAtDoctype;
  // No entity substitution, no DTD loading or validation, no network; the
  // parser's own limits (no XML_PARSE_HUGE) stay on.
  const int options = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;
  xmlDocPtr doc = xmlCtxtReadMemory(ctxt.get(), bytes.data(), static_cast<int>(bytes.size()),
                                    nullptr, nullptr, options);
  if (state.SawDoctype) {
    xmlFreeDoc(doc);
    throw EXMLDocError("Plik \"" + name +
                       "\" zawiera deklarację typu dokumentu (DOCTYPE), niedozwoloną w "
                       "fakturze FA(3)");
  }
  if (!doc || !ctxt->wellFormed) {
    std::string why = ErrorText(xmlCtxtGetLastError(ctxt.get()));
    xmlFreeDoc(doc);
    throw EXMLDocError("Plik \"" + name + "\" nie jest poprawnym dokumentem XML (" + why + ")");
  }
  return doc;
}

void PrepareXmlParsing() {
  static std::once_flag once;
  std::call_once(once, [] { xmlInitParser(); });
}

xmlDocPtr ParseXmlFileSafely(const std::string& path, std::uintmax_t maxBytes) {
  std::error_code ec;
  auto size = std::filesystem::file_size(path, ec);
  if (ec) throw EFOpenError("Nie można otworzyć pliku \"" + path + "\"");
  if (size > maxBytes)
    throw EXMLDocError("Plik \"" + path + "\" jest za duży (" + std::to_string(size) +
                       " bajtów); plik faktury może mieć najwyżej " +
                       std::to_string(maxBytes / (1024 * 1024)) + " MB");
  std::ifstream in(path, std::ios::binary);
  if (!in) throw EFOpenError("Nie można otworzyć pliku \"" + path + "\"");
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) throw EInOutError("Błąd odczytu pliku \"" + path + "\"");
  return ParseXmlBytesSafely(bytes, path);
}

}  // namespace brenvik
