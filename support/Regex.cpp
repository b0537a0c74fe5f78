#include "support/Regex.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <memory>

#include "support/Errors.h"

namespace brenvik {
namespace {

pcre2_code* Code(void* p) { return static_cast<pcre2_code*>(p); }

std::string ErrorText(int code) {
  PCRE2_UCHAR buffer[256];
  const int n = pcre2_get_error_message(code, buffer, sizeof buffer);
  if (n < 0) return "błąd PCRE2 " + std::to_string(code);
  return std::string(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(n));
}

struct TMatchDataDeleter {
  void operator()(pcre2_match_data* d) const { pcre2_match_data_free(d); }
};

}  // namespace

TRegex::TRegex(const std::string& pattern, std::uint32_t options) {
  int error = 0;
  PCRE2_SIZE offset = 0;
  FCode = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(),
                        options | PCRE2_DOLLAR_ENDONLY, &error, &offset, nullptr);
  if (!FCode)
    throw EArgumentException("Błędny wzorzec \"" + pattern + "\": " + ErrorText(error) +
                             " (pozycja " + std::to_string(offset) + ")");
}

TRegex::~TRegex() { pcre2_code_free(Code(FCode)); }

bool TRegex::Matches(std::string_view text) const {
  std::unique_ptr<pcre2_match_data, TMatchDataDeleter> data(
      pcre2_match_data_create_from_pattern(Code(FCode), nullptr));
  if (!data) throw Exception("Brak pamięci na dopasowanie wzorca");
  const int rc = pcre2_match(Code(FCode), reinterpret_cast<PCRE2_SPTR>(text.data()), text.size(), 0,
                             0, data.get(), nullptr);
  if (rc >= 0) return true;
  if (rc == PCRE2_ERROR_NOMATCH) return false;
  throw Exception("Błąd dopasowania wzorca: " + ErrorText(rc));
}

std::string TRegex::ReplaceAll(std::string_view text, const std::string& replacement) const {
  std::string out(text.size() + 64, '\0');
  for (;;) {
    PCRE2_SIZE length = out.size();
    const int rc =
        pcre2_substitute(Code(FCode), reinterpret_cast<PCRE2_SPTR>(text.data()), text.size(), 0,
                         PCRE2_SUBSTITUTE_GLOBAL | PCRE2_SUBSTITUTE_OVERFLOW_LENGTH, nullptr,
                         nullptr, reinterpret_cast<PCRE2_SPTR>(replacement.data()),
                         replacement.size(), reinterpret_cast<PCRE2_UCHAR*>(out.data()), &length);
    if (rc == PCRE2_ERROR_NOMEMORY) {
      out.resize(length + 1);  // the needed length, then try again
      continue;
    }
    if (rc < 0) throw Exception("Błąd zamiany według wzorca: " + ErrorText(rc));
    out.resize(length);
    return out;
  }
}

}  // namespace brenvik
