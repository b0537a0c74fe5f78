#pragma once
// A compiled PCRE2 pattern with one owner. Patterns are compiled with
// PCRE2_DOLLAR_ENDONLY so that "$" never accepts a trailing line break.
#include <cstdint>
#include <string>
#include <string_view>

namespace brenvik {

class TRegex {
public:
  // Throws EArgumentException with PCRE2's message for a bad pattern.
  explicit TRegex(const std::string& pattern, std::uint32_t options = 0);
  ~TRegex();
  TRegex(const TRegex&) = delete;
  TRegex& operator=(const TRegex&) = delete;

  // Whether the pattern matches somewhere in the text.
  bool Matches(std::string_view text) const;
  // Every match replaced by the replacement text ($1 etc. refer to groups).
  std::string ReplaceAll(std::string_view text, const std::string& replacement) const;

private:
  void* FCode = nullptr;  // pcre2_code_8
};

}  // namespace brenvik
