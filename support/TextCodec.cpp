#include "support/TextCodec.h"

#include <iconv.h>

#include <cerrno>
#include <memory>

#include "support/Errors.h"

namespace brenvik {
namespace {

std::string IconvName(int codePage) {
  if (codePage == 65001) return "UTF-8";
  if (codePage >= 1250 && codePage <= 1258) return "CP" + std::to_string(codePage);
  return "CP" + std::to_string(codePage);  // 852, 437, 850, 866 ... are CPnnn in glibc
}

std::optional<std::string> Convert(std::string_view in, const std::string& from,
                                   const std::string& to) {
  iconv_t cd = iconv_open(to.c_str(), from.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::unique_ptr<void, int (*)(iconv_t)> guard(cd, iconv_close);
  std::string out;
  out.resize(in.size() * 4 + 16);
  char* inPtr = const_cast<char*>(in.data());
  size_t inLeft = in.size();
  char* outPtr = out.data();
  size_t outLeft = out.size();
  while (inLeft > 0) {
    if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1)) {
      if (errno == E2BIG) {
        const size_t used = static_cast<size_t>(outPtr - out.data());
        out.resize(out.size() * 2);
        outPtr = out.data() + used;
        outLeft = out.size() - used;
        continue;
      }
      return std::nullopt;  // EILSEQ or EINVAL: a character the target cannot hold
    }
  }
  out.resize(static_cast<size_t>(outPtr - out.data()));
  return out;
}

}  // namespace

std::optional<std::string> TryConvertText(std::string_view bytes, const std::string& from,
                                          const std::string& to) {
  return Convert(bytes, from, to);
}

namespace {

// The length of the valid UTF-8 sequence that starts at i, 0 when none does.
size_t Utf8SequenceAt(std::string_view s, size_t i) {
  const unsigned char c = static_cast<unsigned char>(s[i]);
  if (c < 0x80) return 1;
  size_t n;
  unsigned cp;
  if ((c & 0xE0) == 0xC0) {
    n = 1;
    cp = c & 0x1F;
  } else if ((c & 0xF0) == 0xE0) {
    n = 2;
    cp = c & 0x0F;
  } else if ((c & 0xF8) == 0xF0) {
    n = 3;
    cp = c & 0x07;
  } else
    return 0;
  if (i + n >= s.size()) return 0;
  for (size_t k = 1; k <= n; ++k) {
    const unsigned char cc = static_cast<unsigned char>(s[i + k]);
    if ((cc & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (cc & 0x3F);
  }
  if ((n == 1 && cp < 0x80) || (n == 2 && cp < 0x800) || (n == 3 && cp < 0x10000) ||
      cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
    return 0;
  return n + 1;
}

}  // namespace

bool IsValidUtf8(std::string_view s) {
  for (size_t i = 0; i < s.size();) {
    const size_t n = Utf8SequenceAt(s, i);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

TUtf8Scan ScanUtf8(std::string_view s) {
  TUtf8Scan scan;
  for (size_t i = 0; i < s.size();) {
    const size_t n = Utf8SequenceAt(s, i);
    if (n == 0) {
      if (!scan.FirstInvalid) scan.FirstInvalid = i;
      ++i;
      continue;
    }
    if (n > 1) scan.HasMultiByte = true;
    i += n;
  }
  return scan;
}

TTextPosition PositionOf(std::string_view s, size_t offset) {
  TTextPosition pos;
  size_t lineStart = 0;
  for (size_t i = 0; i < offset && i < s.size(); ++i) {
    if (s[i] == '\r' || s[i] == '\n') {
      if (s[i] == '\r' && i + 1 < offset && s[i + 1] == '\n') ++i;
      ++pos.Line;
      lineStart = i + 1;
    }
  }
  pos.Column = offset - lineStart + 1;
  return pos;
}

namespace {

// The code pages whose first 128 characters are ASCII's: text of those alone
// is the same bytes in them and in UTF-8.
bool KeepsAscii(int codePage) {
  return codePage == 65001 || codePage == 437 || codePage == 850 || codePage == 852 ||
         codePage == 866 || (codePage >= 1250 && codePage <= 1258);
}

bool IsAsciiText(std::string_view s) {
  for (unsigned char c : s)
    if (c >= 0x80) return false;
  return true;
}

}  // namespace

std::optional<std::string> TryCodePageToUtf8(std::string_view bytes, int codePage) {
  if (KeepsAscii(codePage) && IsAsciiText(bytes)) return std::string(bytes);
  return Convert(bytes, IconvName(codePage), "UTF-8");
}

std::optional<std::string> TryUtf8ToCodePage(std::string_view utf8, int codePage) {
  if (KeepsAscii(codePage) && IsAsciiText(utf8)) return std::string(utf8);
  return Convert(utf8, "UTF-8", IconvName(codePage));
}

std::string CodePageToUtf8(std::string_view bytes, int codePage) {
  auto r = TryCodePageToUtf8(bytes, codePage);
  if (!r)
    throw EConvertError("Nie można odczytać tekstu w stronie kodowej " + std::to_string(codePage));
  return *r;
}

std::string Utf8ToCodePage(std::string_view utf8, int codePage) {
  auto r = TryUtf8ToCodePage(utf8, codePage);
  if (!r)
    throw EConvertError("Tekstu \"" + std::string(utf8) +
                        "\" nie można zapisać w stronie kodowej " + std::to_string(codePage));
  return *r;
}

std::string Trim(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && s[b] == ' ') ++b;
  while (e > b && s[e - 1] == ' ') --e;
  return std::string(s.substr(b, e - b));
}

std::string TrimControls(std::string_view s) {
  size_t b = 0, e = s.size();
  auto low = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
  while (b < e && low(s[b])) ++b;
  while (e > b && low(s[e - 1])) --e;
  return std::string(s.substr(b, e - b));
}

std::string AsciiUpper(std::string_view s) {
  std::string r(s);
  for (char& c : r)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return r;
}

std::string AsciiLower(std::string_view s) {
  std::string r(s);
  for (char& c : r)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return r;
}

bool SameTextAscii(std::string_view a, std::string_view b) {
  return a.size() == b.size() && AsciiUpper(a) == AsciiUpper(b);
}

}  // namespace brenvik
