#pragma once
// Conversions between UTF-8 (the program's text) and the Windows and DOS code
// pages that Stelmar's files use.
#include <optional>
#include <string>
#include <string_view>

namespace brenvik {

bool IsValidUtf8(std::string_view bytes);

// What a walk over the bytes finds: whether a valid multi-byte UTF-8 sequence
// occurs, and where the first byte lies that is not part of a valid sequence.
struct TUtf8Scan {
  bool HasMultiByte = false;
  std::optional<size_t> FirstInvalid;
};
TUtf8Scan ScanUtf8(std::string_view bytes);
// The line (from 1) and the byte within that line (from 1) of an offset,
// lines ending with CRLF, LF or CR.
struct TTextPosition {
  size_t Line = 1, Column = 1;
};
TTextPosition PositionOf(std::string_view bytes, size_t offset);

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
