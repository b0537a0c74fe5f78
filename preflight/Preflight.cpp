#include "preflight/Preflight.h"
#include "support/SystemErrors.h"

#include <libxml/tree.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

#include "fa3/XmlSafeParse.h"
#include "support/Errors.h"
#include "support/Nip.h"
#include "support/Paths.h"
#include "support/Platform.h"
#include "support/TextCodec.h"

namespace fs = std::filesystem;

namespace brenvik {

namespace {

constexpr TPreflightRule Rules[] = {
#define BRENVIK_PREFLIGHT_RULE(Id, Check, Path, Limit, Once, Reason) \
  {TPreflightRuleId::Id, TPreflightCheck::Check, Path, Limit, Once, Reason},
#define BRENVIK_PREFLIGHT_DISCOURAGED(First, Last)
#include "preflight/PreflightRules.def"
#undef BRENVIK_PREFLIGHT_RULE
#undef BRENVIK_PREFLIGHT_DISCOURAGED
};

constexpr TCharRange Discouraged[] = {
#define BRENVIK_PREFLIGHT_RULE(Id, Check, Path, Limit, Once, Reason)
#define BRENVIK_PREFLIGHT_DISCOURAGED(First, Last) {First, Last},
#include "preflight/PreflightRules.def"
#undef BRENVIK_PREFLIGHT_RULE
#undef BRENVIK_PREFLIGHT_DISCOURAGED
};

constexpr char FilePath[] = "(plik)";
constexpr char PrologPath[] = "(prolog)";
constexpr char Bom[] = "\xEF\xBB\xBF";

struct TDocDeleter {
  void operator()(xmlDocPtr d) const { xmlFreeDoc(d); }
};

// The code point at pos (which moves past it); false for a byte sequence
// that is no UTF-8 (overlong forms and surrogates included) and for a zero byte.
bool NextCodePoint(const std::string& s, std::size_t& pos, char32_t& cp) {
  const auto b = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
  const unsigned char c = b(pos);
  int extra;
  if (c == 0) return false;
  if (c < 0x80) {
    cp = c;
    extra = 0;
  } else if ((c & 0xE0) == 0xC0) {
    cp = c & 0x1F;
    extra = 1;
  } else if ((c & 0xF0) == 0xE0) {
    cp = c & 0x0F;
    extra = 2;
  } else if ((c & 0xF8) == 0xF0) {
    cp = c & 0x07;
    extra = 3;
  } else {
    return false;
  }
  if (pos + extra >= s.size()) return false;
  for (int i = 1; i <= extra; ++i) {
    if ((b(pos + i) & 0xC0) != 0x80) return false;
    cp = (cp << 6) | (b(pos + i) & 0x3F);
  }
  static const char32_t least[] = {0, 0x80, 0x800, 0x10000};
  if (cp < least[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
  pos += 1 + extra;
  return true;
}

bool IsDiscouraged(char32_t cp) {
  for (const TCharRange& r : Discouraged)
    if (cp >= r.First && cp <= r.Last) return true;
  return false;
}

std::string CodePointName(char32_t cp) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "U+%04X", static_cast<unsigned>(cp));
  return buf;
}

// The text with every discouraged character written as [U+XXXX], cut to a readable length.
std::string Shown(const std::string& text) {
  std::string out;
  std::size_t pos = 0;
  int chars = 0;
  while (pos < text.size() && chars < 80) {
    const std::size_t start = pos;
    char32_t cp;
    if (!NextCodePoint(text, pos, cp)) {
      out += "?";
      pos = start + 1;
    } else if (IsDiscouraged(cp) || cp < 0x20) {
      out += cp < 0x20 && (cp == '\t' || cp == '\n' || cp == '\r') ? std::string(" ")
                                                                   : "[" + CodePointName(cp) + "]";
    } else {
      out += text.substr(start, pos - start);
    }
    ++chars;
  }
  if (pos < text.size()) out += "…";
  return out;
}

std::string Text(const xmlChar* s) { return s ? reinterpret_cast<const char*>(s) : ""; }

std::string Content(const xmlNode* node) {
  xmlChar* c = xmlNodeGetContent(node);
  std::string text = Text(c);
  xmlFree(c);
  return text;
}

std::vector<std::string> Split(const std::string& text, char delimiter) {
  std::vector<std::string> parts(1);
  for (char c : text) {
    if (c == delimiter)
      parts.emplace_back();
    else
      parts.back() += c;
  }
  return parts;
}

// Every element at the "/"-separated path of local names below the root.
std::vector<const xmlNode*> ElementsAt(xmlDocPtr doc, const std::string& path) {
  std::vector<const xmlNode*> level;
  if (const xmlNode* root = xmlDocGetRootElement(doc)) level.push_back(root);
  for (const std::string& name : Split(path, '/')) {
    std::vector<const xmlNode*> next;
    for (const xmlNode* parent : level)
      for (const xmlNode* c = parent->children; c; c = c->next)
        if (c->type == XML_ELEMENT_NODE && Text(c->name) == name) next.push_back(c);
    level = std::move(next);
  }
  return level;
}

const TPreflightRule& RuleOf(TPreflightCheck check) {
  for (const TPreflightRule& r : Rules)
    if (r.Check == check) return r;
  throw Exception("Brak reguły kontroli przed wysyłką");
}

class TRun {
public:
  TRun(const std::string& bytes, const TPreflightContext& context)
      : FBytes(bytes), FContext(context) {}

  TPreflightResult Result() {
    for (const TPreflightRule& rule : Rules) {
      FRule = &rule;
      Check(rule);
    }
    if (FDoc) FResult.Identity = ReadInvoiceIdentity(FDoc.get());
    return std::move(FResult);
  }

private:
  void Fail(const std::string& path, const std::string& value, const std::string& detail = {}) {
    FResult.Failures.push_back(
        {FRule, path, value, std::string(FRule->Reason) + (detail.empty() ? "" : ": " + detail)});
  }

  std::string Body() const { return FBytes.rfind(Bom, 0) == 0 ? FBytes.substr(3) : FBytes; }

  void Check(const TPreflightRule& rule) {
    switch (rule.Check) {
      case TPreflightCheck::MaxBytes:
        if (static_cast<long long>(FBytes.size()) > rule.Limit)
          Fail(FilePath, std::to_string(FBytes.size()) + " bajtów");
        return;
      case TPreflightCheck::NoByteOrderMark:
        if (FBytes.rfind(Bom, 0) == 0) Fail(FilePath, "EF BB BF");
        return;
      case TPreflightCheck::Utf8Text: return CheckUtf8();
      case TPreflightCheck::DeclaredUtf8: return CheckDeclaration();
      case TPreflightCheck::WellFormed: try { FDoc.reset(ParseXmlBytesSafely(FBytes, "faktury"));
        } catch (const Exception& e) {
          Fail(FilePath, "", e.Message());
        }
        return;
      default: break;
    }
    if (!FDoc) return;
    switch (rule.Check) {
      case TPreflightCheck::NoProcessingInstruction:
      case TPreflightCheck::NoDiscouragedChars: return Walk(reinterpret_cast<xmlNode*>(FDoc.get()));
      case TPreflightCheck::MatchesSchema:
        if (!FContext.Schema) return;
        for (const TFa3SchemaError& e : FContext.Schema->Validate(FDoc.get()))
          Fail(e.Path.empty() ? "(wiersz " + std::to_string(e.Line) + ")" : e.Path, e.Value,
               e.Message);
        return;
      case TPreflightCheck::UniqueInvoice: return CheckUnique();
      default: break;
    }
    for (const xmlNode* element : ElementsAt(FDoc.get(), rule.Path)) {
      const std::string value = Trim(Content(element));
      const std::string path = XmlNodePath(element);
      switch (rule.Check) {
        case TPreflightCheck::NipCheckDigit: CheckNip(path, value, value); break;
        case TPreflightCheck::NipInInternalId:
          CheckNip(path, value, value.substr(0, value.find('-')));
          break;
        case TPreflightCheck::NotAfterToday: {
          if (FContext.Today == TDateTime() || value.size() != 10 || !TryStrToDate(value)) break;
          const std::string today = FormatDateTime("yyyy-mm-dd", FContext.Today);
          if (value > today) Fail(path, value, "dziś jest " + today);
          break;
        }
        default: break;
      }
    }
  }

  void CheckUtf8() {
    std::size_t pos = FBytes.rfind(Bom, 0) == 0 ? 3 : 0;
    char32_t cp;
    while (pos < FBytes.size())
      if (!NextCodePoint(FBytes, pos, cp)) {
        char buf[8];
        std::snprintf(buf, sizeof buf, "%02X", static_cast<unsigned char>(FBytes[pos]));
        return Fail(FilePath, std::string("bajt ") + buf,
                    "niepoprawny bajt na pozycji " + std::to_string(pos + 1));
      }
  }

  void CheckDeclaration() {
    const std::string body = Body();
    if (body.rfind("<?xml", 0) != 0) return;
    const std::string prolog = body.substr(0, body.find("?>"));
    const std::size_t at = prolog.find("encoding");
    if (at == std::string::npos) return;
    const std::size_t open = prolog.find_first_of("\"'", at);
    if (open == std::string::npos) return;
    const std::size_t close = prolog.find(prolog[open], open + 1);
    const std::string encoding = prolog.substr(open + 1, close - open - 1);
    if (!SameTextAscii(encoding, "UTF-8")) Fail(PrologPath, encoding);
  }

  void CheckNip(const std::string& path, const std::string& shown, const std::string& nip) {
    if (!IsNip10(nip)) return Fail(path, shown, "NIP musi mieć 10 cyfr");
    const int digit = NipCheckDigit(nip);
    if (digit < 0)
      return Fail(path, shown,
                  "suma kontrolna pierwszych dziewięciu cyfr daje 10, taki NIP nie istnieje");
    if (nip[9] - '0' != digit)
      Fail(path, shown,
           "ostatnia cyfra to " + nip.substr(9, 1) + ", a powinna być " + std::to_string(digit));
  }

  void CheckUnique() {
    if (!FContext.Known) return;
    const TInvoiceIdentity id = ReadInvoiceIdentity(FDoc.get());
    if (!id.Complete()) return;
    if (const std::string* where = FContext.Known->Find(id))
      Fail("/Faktura/Fa/P_2", id.P2,
           "NIP " + id.SellerNip + ", " + id.Kind + " – taka faktura jest już w " + *where);
  }

  // The processing instructions and the discouraged characters, node by node.
  void Walk(const xmlNode* node) {
    for (const xmlNode* n = node->children; n; n = n->next) {
      const bool atTop = n->parent && n->parent->type == XML_DOCUMENT_NODE;
      const std::string where = atTop ? std::string(PrologPath) : XmlNodePath(n->parent);
      if (FRule->Check == TPreflightCheck::NoProcessingInstruction) {
        if (n->type == XML_PI_NODE)
          Fail(where, "<?" + Text(n->name) + (n->content ? " " + Text(n->content) : "") + "?>");
      } else {
        if (n->type == XML_TEXT_NODE || n->type == XML_CDATA_SECTION_NODE ||
            n->type == XML_COMMENT_NODE || n->type == XML_PI_NODE)
          CheckChars(where, Text(n->content));
        if (n->type == XML_ELEMENT_NODE)
          for (const xmlAttr* a = n->properties; a; a = a->next)
            CheckChars(XmlNodePath(reinterpret_cast<const xmlNode*>(a)),
                       Content(reinterpret_cast<const xmlNode*>(a)));
      }
      if (n->type == XML_ELEMENT_NODE) Walk(n);
    }
  }

  void CheckChars(const std::string& path, const std::string& text) {
    std::size_t pos = 0;
    char32_t cp;
    while (pos < text.size()) {
      if (!NextCodePoint(text, pos, cp)) return;  // the UTF-8 rule has said it
      if (IsDiscouraged(cp)) return Fail(path, Shown(text), "znak " + CodePointName(cp));
    }
  }

  const std::string& FBytes;
  const TPreflightContext& FContext;
  const TPreflightRule* FRule = nullptr;
  std::unique_ptr<xmlDoc, TDocDeleter> FDoc;
  TPreflightResult FResult;
};

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw EFOpenError("Nie można otworzyć pliku \"" + path + "\"");
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) throw EInOutError("Błąd odczytu pliku \"" + path + "\"");
  return bytes;
}

}  // namespace

std::span<const TPreflightRule> PreflightRules() { return Rules; }
std::span<const TCharRange> DiscouragedChars() { return Discouraged; }

void TKnownInvoices::Add(const TInvoiceIdentity& id, const std::string& where) {
  FKnown.emplace(id, where);
}

TKnownInvoices TKnownInvoices::Without(const std::string& path) const {
  TKnownInvoices rest;
  for (const auto& [id, where] : FKnown) {
    std::error_code ec;
    if (!fs::equivalent(where, path, ec)) rest.Add(id, where);
  }
  return rest;
}

const std::string* TKnownInvoices::Find(const TInvoiceIdentity& id) const {
  auto it = FKnown.find(id);
  return it == FKnown.end() ? nullptr : &it->second;
}

void TKnownInvoices::AddFolder(const std::string& folder, bool recursive,
                               const std::string& except) {
  if (!FolderExists(folder)) return;
  std::vector<fs::path> files;
  std::error_code ec;
  auto take = [&](const fs::directory_entry& e) {
    std::error_code typeError;
    if (!e.is_regular_file(typeError)) return;
    const std::string name = AsciiLower(e.path().filename().string());
    if (!name.ends_with(".xml") || name.ends_with(".upo.xml")) return;
    std::error_code same;
    if (!except.empty() && fs::equivalent(e.path(), except, same)) return;
    files.push_back(e.path());
  };
  if (recursive)
    for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
      take(*it);
  else
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) take(*it);
  if (ec) throw EInOutError("Nie można odczytać folderu " + folder + ": " + SystemErrorText(ec));
  std::sort(files.begin(), files.end());
  for (const fs::path& file : files) {
    try {
      std::unique_ptr<xmlDoc, TDocDeleter> doc(ParseXmlFileSafely(file.string()));
      const TInvoiceIdentity id = ReadInvoiceIdentity(doc.get());
      if (id.Complete()) Add(id, file.string());
    } catch (const Exception&) {
      // Not an invoice KSeF could have taken: nothing to compare with.
    }
  }
}

TInvoiceIdentity ReadInvoiceIdentity(xmlDocPtr doc) {
  const std::vector<std::string> paths = Split(RuleOf(TPreflightCheck::UniqueInvoice).Path, ';');
  std::string values[3];
  for (std::size_t i = 0; i < paths.size() && i < 3; ++i) {
    const auto elements = ElementsAt(doc, paths[i]);
    if (!elements.empty()) values[i] = Trim(Content(elements.front()));
  }
  return {values[0], values[1], values[2]};
}

TPreflightResult PreflightBytes(const std::string& bytes, const TPreflightContext& context) {
  return TRun(bytes, context).Result();
}

TPreflightResult PreflightFile(const std::string& path, const TPreflightContext& context) {
  std::string bytes;
  try {
    bytes = ReadAll(path);
  } catch (const Exception& e) {
    TPreflightResult r;
    r.Failures.push_back({&RuleOf(TPreflightCheck::WellFormed), FilePath, "", e.Message()});
    return r;
  }
  return PreflightBytes(bytes, context);
}

std::string PreflightFailureLine(const TPreflightFailure& f) {
  return f.Path + (f.Value.empty() ? "" : " = „" + f.Value + "”") + ": " + f.Reason;
}

std::string PreflightFailureList(const TPreflightResult& result) {
  std::string text;
  int n = 0;
  for (const TPreflightFailure& f : result.Failures)
    text += std::to_string(++n) + ". " + PreflightFailureLine(f) + "\n";
  return text;
}

std::string FindFa3SchemaDir() {
  std::vector<std::string> candidates;
  if (const char* d = std::getenv("BRENVIK_FA3_SCHEMA_DIR"); d && *d) candidates.push_back(d);
  candidates.push_back(PathJoin(ExtractFilePath(ExecutablePath()), "fa3-schema"));
  candidates.push_back(BRENVIK_CHECKOUT_SCHEMA_DIR);
  for (const std::string& dir : candidates)
    if (FileExists(PathJoin(dir, Fa3SchemaFileName))) return dir;
  return {};
}

}  // namespace brenvik
