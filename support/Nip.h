#pragma once
// Polish tax identifiers (NIP): the patterns, the normalisation of a typed
// number, its checksum, and the operator's question about a faulty one.
#include <functional>
#include <string>
#include <string_view>

namespace brenvik {

bool IsNip10(std::string_view text);          // ten digits
bool IsNipWithBranch(std::string_view text);  // ten digits, "-", five digits
// Ten digits with an optional "-" and five digits; HasBranch tells which.
bool IsNipOptBranch(std::string_view text, bool& hasBranch);
// The check digit of a NIP: the first nine digits weighed 6, 5, 7, 2, 3, 4,
// 5, 6, 7, the sum modulo 11; -1 when that is 10 (no NIP has these nine
// digits) or when the text does not begin with nine digits.
int NipCheckDigit(std::string_view nip);
// Ten digits whose last one is the check digit of the first nine.
bool HasValidNipCheckDigit(std::string_view nip);

// Told about a faulty number: the message, the number as normalised so far,
// the contractor's name and the document. Returning means: go on.
using TNipProblemHandler = std::function<void(const std::string& message, const std::string& nip,
                                              const std::string& name, const std::string& docText)>;

// Normalises Nip in place (no blanks, upper case, "BRAK" when empty, an EU
// country prefix moved to CountryPrefix, the dashes of the two usual layouts
// removed) and checks format and checksum of a Polish number. Problems go to
// OnProblem, never raised; a character that is no digit in a number that
// passed the pattern raises EConvertError.
void CheckNip(bool& hasBranch, std::string& countryPrefix, std::string& nip,
              const TNipProblemHandler& onProblem, const std::string& name,
              const std::string& docText);

// Asks the operator whether to go on despite the problem (error box, Yes and
// No, No the default); any answer but Yes raises EAbort "Wczytywanie przerwano".
void ConfirmNipProblem(const std::string& message, const std::string& nip, const std::string& name,
                       const std::string& docText);

inline const char* const LoadAbortedText = "Wczytywanie przerwano";
// The operator's stop at a document, for the warning line that ends the run.
inline std::string LoadAbortedAt(const std::string& docText) {
  return std::string(LoadAbortedText) + " na dokumencie " + docText;
}

}  // namespace brenvik
