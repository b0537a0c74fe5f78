#include "support/Nip.h"

#include "support/Countries.h"
#include "support/Dialogs.h"
#include "support/Errors.h"
#include "support/Regex.h"
#include "support/TextCodec.h"

namespace brenvik {
namespace {

const TRegex& Nip10Pattern() {
  static const TRegex r("^\\d{10}$");
  return r;
}
const TRegex& NipWithBranchPattern() {
  static const TRegex r("^\\d{10}-\\d{5}$");
  return r;
}
const TRegex& NipOptBranchPattern() {
  static const TRegex r("^\\d{10}(-\\d{5})?$");
  return r;
}

bool IsAsciiLetter(char c) { return c >= 'A' && c <= 'Z'; }

// The two layouts of a 13-character number: 123-456-78-90 and 123-45-67-890.
bool HasUsualDashes(const std::string& s) {
  auto dashesAt = [&](int a, int b, int c) { return s[a] == '-' && s[b] == '-' && s[c] == '-'; };
  return dashesAt(3, 7, 10) || dashesAt(3, 6, 9);
}

}  // namespace

bool IsNip10(std::string_view text) { return Nip10Pattern().Matches(text); }

bool IsNipWithBranch(std::string_view text) { return NipWithBranchPattern().Matches(text); }

bool IsNipOptBranch(std::string_view text, bool& hasBranch) {
  const bool ok = NipOptBranchPattern().Matches(text);
  hasBranch = ok && text.find('-') != std::string_view::npos;
  return ok;
}

int NipCheckDigit(std::string_view nip) {
  static const char weights[] = "657234567";
  if (nip.size() < 9) return -1;
  int sum = 0;
  for (int i = 0; i < 9; ++i) {
    const char c = nip[static_cast<std::size_t>(i)];
    if (c < '0' || c > '9') return -1;
    sum += (c - '0') * (weights[i] - '0');
  }
  const int r = sum % 11;
  return r == 10 ? -1 : r;
}

bool HasValidNipCheckDigit(std::string_view nip) {
  return IsNip10(nip) && NipCheckDigit(nip) == nip[9] - '0';
}

void CheckNip(bool& hasBranch, std::string& countryPrefix, std::string& nip,
              const TNipProblemHandler& onProblem, const std::string& name,
              const std::string& docText) {
  countryPrefix.clear();
  hasBranch = false;
  std::string s;
  for (char c : nip)
    if (c != ' ') s += c;
  if (s.empty()) s = "BRAK";
  nip = AsciiUpper(s);
  if (nip == "BRAK") return;

  auto report = [&](const char* message) {
    if (onProblem) onProblem(message, nip, name, docText);
  };

  if (nip.size() >= 3 && IsAsciiLetter(nip[0]) && IsAsciiLetter(nip[1])) {
    const std::string pair = nip.substr(0, 2);
    if (IsEuVatCode(pair)) {
      countryPrefix = pair;
      nip.erase(0, 2);
    }
    // Foreign numbers (and letters that are no EU code) have no rule here.
    if (countryPrefix != "PL") return;
  }

  if (nip.size() == 13) {
    if (!HasUsualDashes(nip)) {
      report("Zły format numeru. Kreski w złych miejscach");
      return;
    }
    std::erase(nip, '-');
  }

  if (!IsNipOptBranch(nip, hasBranch)) {
    report("Zły format numeru");
    return;
  }

  for (int i = 0; i < 10; ++i) {
    const char c = nip[static_cast<std::size_t>(i)];
    if (c < '0' || c > '9') throw EConvertError(std::string("Niedozwolony znak: ") + c);
  }
  const int r = NipCheckDigit(nip);
  if (r < 0 || nip[9] - '0' != r) report("Zła suma kontrolna numeru");
}

void ConfirmNipProblem(const std::string& message, const std::string& nip, const std::string& name,
                       const std::string& docText) {
  const std::string text =
      message + " NIP: " + nip + "\r" + name + "\r" + docText + "\rKontynuować?";
  // "No" is the default: Enter must not let a faulty number through.
  const TModalResult answer =
      MessageDlg(text, TMsgDlgType::mtError, {TMsgDlgBtn::mbYes, TMsgDlgBtn::mbNo},
                 TMsgDlgBtn::mbNo, TQuestionKind::qkDataWarning);
  if (answer != TModalResult::mrYes) throw EAbort(LoadAbortedAt(docText));
}

}  // namespace brenvik
