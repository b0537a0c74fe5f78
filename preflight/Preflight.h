#pragma once
// The check of an FA(3) file before it leaves for KSeF: what KSeF verifies
// when an invoice arrives (preflight/PreflightRules.def), each failure with
// the element's path and value in Polish. Used by the export run before a
// file enters the export folder, by "brenvik-cli check-file" and by the
// connector stand-in.
#include <compare>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "fa3/Fa3Validate.h"
#include "support/DateTime.h"

namespace brenvik {

enum class TPreflightCheck {
  MaxBytes,
  NoByteOrderMark,
  Utf8Text,
  DeclaredUtf8,
  WellFormed,
  NoProcessingInstruction,
  NoDiscouragedChars,
  MatchesSchema,
  NipCheckDigit,
  NipInInternalId,
  NotAfterToday,
  UniqueInvoice,
};

enum class TPreflightRuleId {
#define BRENVIK_PREFLIGHT_RULE(Id, Check, Path, Limit, Once, Reason) Id,
#define BRENVIK_PREFLIGHT_DISCOURAGED(First, Last)
#include "preflight/PreflightRules.def"
#undef BRENVIK_PREFLIGHT_RULE
#undef BRENVIK_PREFLIGHT_DISCOURAGED
};

struct TPreflightRule {
  TPreflightRuleId Id;
  TPreflightCheck Check;
  const char* Path;
  long long Limit;
  bool Once;
  const char* Reason;
};
std::span<const TPreflightRule> PreflightRules();

struct TCharRange {
  char32_t First, Last;
};
std::span<const TCharRange> DiscouragedChars();

// What KSeF tells invoices apart by: seller NIP, RodzajFaktury, P_2.
struct TInvoiceIdentity {
  std::string SellerNip, Kind, P2;
  auto operator<=>(const TInvoiceIdentity&) const = default;
  bool Complete() const { return !SellerNip.empty() && !Kind.empty() && !P2.empty(); }
};

// Invoices already on their way or accepted, and where each one is.
class TKnownInvoices {
public:
  void Add(const TInvoiceIdentity& id, const std::string& where);
  // Where an invoice of that identity is; nullptr when none.
  const std::string* Find(const TInvoiceIdentity& id) const;
  std::size_t Size() const { return FKnown.size(); }
  // Every "*.xml" file of the folder (with recursive, of its sub-folders
  // too), receipts "*.upo.xml" and the file `except` left out; a file whose
  // identity cannot be read is passed over. A missing folder adds nothing.
  void AddFolder(const std::string& folder, bool recursive, const std::string& except = {});
  // The same invoices less those of the file at path (a file is no duplicate of itself).
  TKnownInvoices Without(const std::string& path) const;

private:
  std::multimap<TInvoiceIdentity, std::string> FKnown;
};

struct TPreflightContext {
  const TFa3Schema* Schema = nullptr;     // none: no schema check
  TDateTime Today;                        // the day the file would reach KSeF (0: no date check)
  const TKnownInvoices* Known = nullptr;  // none: no duplicate check
};

struct TPreflightFailure {
  const TPreflightRule* Rule = nullptr;
  std::string Path;  // "/Faktura/Podmiot2/DaneIdentyfikacyjne/NIP", "(plik)", "(prolog)"
  std::string Value;
  std::string Reason;
};

struct TPreflightResult {
  std::vector<TPreflightFailure> Failures;
  TInvoiceIdentity Identity;  // as far as it could be read
  bool Passed() const { return Failures.empty(); }
};

TPreflightResult PreflightBytes(const std::string& bytes, const TPreflightContext& context);
// A file that cannot be read gives one failure saying so.
TPreflightResult PreflightFile(const std::string& path, const TPreflightContext& context);
// The identity of a parsed invoice (the paths of the duplicate rule).
TInvoiceIdentity ReadInvoiceIdentity(xmlDocPtr doc);

// One failure in one line: "<path> = „<value>”: <reason>".
std::string PreflightFailureLine(const TPreflightFailure& failure);
// The failures numbered, one a line.
std::string PreflightFailureList(const TPreflightResult& result);

// The official schema's folder: $BRENVIK_FA3_SCHEMA_DIR when set, else
// "fa3-schema" beside the running program, else the copy in the checkout
// the program was built from (third_party/fa3-schema); empty when none of
// them holds schemat_FA3_v1-0E.xsd.
std::string FindFa3SchemaDir();

}  // namespace brenvik
