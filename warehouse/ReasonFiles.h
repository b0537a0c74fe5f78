#pragma once
// The reason files of the Errors folder: written with a heading that names
// why the file (or document) is there, read back by the invoice list. Files
// written before the headings existed are recognised by their wording.
#include <string>

namespace brenvik {

enum class TReasonKind {
#define REASON_KIND(Id, Heading) Id,
#include "warehouse/ReasonKinds.def"
#undef REASON_KIND
  Unknown,  // a reason file of another program (the connector's), or none
};

const char* ReasonHeading(TReasonKind kind);

// The document a held-back reason file stands for, as the list shows it.
struct TReasonDocument {
  std::string Number;     // "FV 122/2026"
  std::string IssueDate;  // yyyy-mm-dd
  std::string Party;      // the buyer's name
};

struct TReasonText {
  TReasonKind Kind = TReasonKind::Unknown;
  std::string Cause;      // the short cause, first thing the operator reads
  std::string Whole;      // the whole file, lines joined by "\n"
  TReasonDocument Document;  // held-back files only
};

// The file's text: heading, short cause, the document's fields when given,
// then the details.
std::string ReasonFileText(TReasonKind kind, const std::string& cause, const std::string& details,
                           const TReasonDocument& document = {});
// Writes it durably as PATH (a ".txt").
void WriteReasonFile(const std::string& path, TReasonKind kind, const std::string& cause,
                     const std::string& details, const TReasonDocument& document = {});
// The kind, short cause and document of a reason file's text.
TReasonText ParseReasonText(const std::string& text);
// The same of a file; empty (Unknown) when it is missing or unreadable.
TReasonText ReadReasonFile(const std::string& path);

}  // namespace brenvik
