#include "warehouse/ReasonFiles.h"

#include <fstream>
#include <iterator>
#include <vector>

#include "support/DurableFile.h"
#include "support/TextCodec.h"

namespace brenvik {
namespace {

struct TReasonRow {
  TReasonKind Kind;
  const char* Heading;
};

constexpr TReasonRow ReasonRows[] = {
#define REASON_KIND(Id, Heading) {TReasonKind::Id, Heading},
#include "warehouse/ReasonKinds.def"
#undef REASON_KIND
};

// The document's fields, one "label: value" line each.
struct TDocumentField {
  const char* Label;
  std::string TReasonDocument::*Field;
};

constexpr TDocumentField DocumentFields[] = {
    {"Dokument", &TReasonDocument::Number},
    {"Data wystawienia", &TReasonDocument::IssueDate},
    {"Nabywca", &TReasonDocument::Party},
};

bool StartsWith(const std::string& s, const std::string& prefix) {
  return s.compare(0, prefix.size(), prefix) == 0;
}

// Reason files written before they had headings, by the words that only
// their writer used, and the line that then holds the cause.
struct TOlderWording {
  TReasonKind Kind;
  const char* Words;
  const char* CauseLineStart;  // the first line beginning so; empty: the line after the first
};

constexpr TOlderWording OlderWordings[] = {
    {TReasonKind::Withdrawn, "z listy faktur przez użytkownika", ""},
    {TReasonKind::Preflight, "nie został przekazany do wysyłki do KSeF", "1. "},
    {TReasonKind::NotFiled, "nie został przetworzony", ""},
};

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t pos = StartsWith(text, "\xEF\xBB\xBF") ? 3 : 0;
  while (pos < text.size()) {
    size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(pos, end - pos));
    pos = end + (end + 1 < text.size() && text[end] == '\r' && text[end + 1] == '\n' ? 2 : 1);
  }
  return lines;
}

}  // namespace

const char* ReasonHeading(TReasonKind kind) {
  for (const TReasonRow& row : ReasonRows)
    if (row.Kind == kind) return row.Heading;
  return "";
}

std::string ReasonFileText(TReasonKind kind, const std::string& cause, const std::string& details,
                           const TReasonDocument& document) {
  std::string text = std::string(ReasonHeading(kind)) + ": " + cause + "\n";
  for (const TDocumentField& f : DocumentFields)
    if (!(document.*f.Field).empty()) text += std::string(f.Label) + ": " + document.*f.Field + "\n";
  if (!details.empty()) text += "\n" + details + (details.back() == '\n' ? "" : "\n");
  return text;
}

void WriteReasonFile(const std::string& path, TReasonKind kind, const std::string& cause,
                     const std::string& details, const TReasonDocument& document) {
  WriteFileDurably(path, ReasonFileText(kind, cause, details, document));
}

TReasonText ParseReasonText(const std::string& text) {
  TReasonText r;
  const std::vector<std::string> lines = SplitLines(text);
  for (const std::string& line : lines) r.Whole += (r.Whole.empty() ? "" : "\n") + line;
  if (lines.empty()) return r;
  for (const TReasonRow& row : ReasonRows) {
    const std::string opening = std::string(row.Heading) + ":";
    if (!StartsWith(lines[0], opening)) continue;
    r.Kind = row.Kind;
    r.Cause = Trim(lines[0].substr(opening.size()));
    for (size_t i = 1; i < lines.size() && !Trim(lines[i]).empty(); ++i)
      for (const TDocumentField& f : DocumentFields)
        if (StartsWith(lines[i], std::string(f.Label) + ": "))
          r.Document.*f.Field = Trim(lines[i].substr(std::string(f.Label).size() + 2));
    return r;
  }
  for (const TOlderWording& older : OlderWordings) {
    if (r.Whole.find(older.Words) == std::string::npos) continue;
    r.Kind = older.Kind;
    for (size_t i = 1; i < lines.size() && r.Cause.empty(); ++i)
      if (*older.CauseLineStart ? StartsWith(lines[i], older.CauseLineStart)
                                : !Trim(lines[i]).empty())
        r.Cause = Trim(lines[i].substr(std::string(older.CauseLineStart).size()));
    break;
  }
  for (size_t i = 0; i < lines.size() && r.Cause.empty(); ++i) r.Cause = Trim(lines[i]);
  return r;
}

TReasonText ReadReasonFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return {};
  return ParseReasonText(text);
}

}  // namespace brenvik
