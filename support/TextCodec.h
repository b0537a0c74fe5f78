#pragma once
// Conversions between UTF-8 (the program's text) and the Windows and DOS code
// pages that Stelmar's files use.
#include <optional>
#include <string>
#include <string_view>

namespace brenvik {

bool IsValidUtf8(std::string_view bytes);

// Any conversion iconv knows ("UTF-16LE", "CP1250", ...); nothing on failure.
std::optional<std::string> TryConvertText(std::string_view bytes, const std::string& from,
                                          const std::string& to);

// Code page numbers as Windows names them: 1250, 852, 1252, 437 ...
// Nothing when a character cannot be converted.
std::optional<std::string> TryCodePageToUtf8(std::string_view bytes, int codePage);
std::optional<std::string> TryUtf8ToCodePage(std::string_view utf8, int codePage);
// Throws EConvertError naming the code page.
std::string CodePageToUtf8(std::string_view bytes, int codePage);
std::string Utf8ToCodePage(std::string_view utf8, int codePage);

// Trims blanks (and with controls also control characters) at both ends.
std::string Trim(std::string_view s);
std::string TrimControls(std::string_view s);
// ASCII-only upper and lower case: letters a-z only.
std::string AsciiUpper(std::string_view s);
std::string AsciiLower(std::string_view s);
bool SameTextAscii(std::string_view a, std::string_view b);

}  // namespace brenvik
