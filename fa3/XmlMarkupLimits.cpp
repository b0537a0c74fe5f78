#include "fa3/XmlMarkupLimits.h"

#include <cstddef>

namespace brenvik {

namespace {

// The text as a row of code units of one, two or four bytes; only the ASCII
// marks of markup are looked at, so no unit needs decoding beyond its value.
class TUnits {
public:
  explicit TUnits(const std::string& bytes) : FBytes(bytes) {
    auto b = [&](size_t i) { return i < bytes.size() ? static_cast<unsigned char>(bytes[i]) : -1; };
    if (b(0) == 0 && b(1) == 0) {
      FWidth = 4;
      FBig = true;
    } else if (b(2) == 0 && b(3) == 0 && (b(0) == 0x3C || (b(0) == 0xFF && b(1) == 0xFE))) {
      FWidth = 4;
    } else if (b(0) == 0 || (b(0) == 0xFE && b(1) == 0xFF)) {
      FWidth = 2;
      FBig = true;
    } else if (b(1) == 0 || (b(0) == 0xFF && b(1) == 0xFE)) {
      FWidth = 2;
    }
  }
  size_t Count() const { return FBytes.size() / FWidth; }
  unsigned long At(size_t i) const {
    unsigned long v = 0;
    for (size_t k = 0; k < FWidth; ++k) {
      const auto byte =
          static_cast<unsigned char>(FBytes[i * FWidth + (FBig ? k : FWidth - 1 - k)]);
      v = (v << 8) | byte;
    }
    return v;
  }
  bool Is(size_t i, char c) const { return i < Count() && At(i) == static_cast<unsigned char>(c); }
  bool StartsWith(size_t i, const char* text) const {
    for (; *text; ++text, ++i)
      if (!Is(i, *text)) return false;
    return true;
  }
  // The position just after the next TEXT from I, or the end.
  size_t After(size_t i, const char* text) const {
    for (; i < Count(); ++i)
      if (StartsWith(i, text)) {
        while (*text++) ++i;
        return i;
      }
    return Count();
  }

private:
  const std::string& FBytes;
  size_t FWidth = 1;
  bool FBig = false;
};

// A declaration ("<!DOCTYPE ...>" with its bracketed part) ends at the first
// ">" outside quotes and brackets.
size_t AfterDeclaration(const TUnits& u, size_t i) {
  int depth = 0;
  unsigned long quote = 0;
  for (; i < u.Count(); ++i) {
    const unsigned long c = u.At(i);
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == '[') {
      ++depth;
    } else if (c == ']') {
      --depth;
    } else if (c == '>' && depth <= 0) {
      return i + 1;
    }
  }
  return i;
}

int LineOf(const TUnits& u, size_t position) {
  int line = 1;
  for (size_t i = 0; i < position; ++i) line += u.At(i) == '\n';
  return line;
}

std::string ElementName(const TUnits& u, size_t i) {
  std::string name;
  for (; i < u.Count() && name.size() < 80; ++i) {
    const unsigned long c = u.At(i);
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '/' || c == '>') break;
    name += c < 0x80 ? static_cast<char>(c) : '?';
  }
  return name;
}

}  // namespace

std::optional<std::string> XmlMarkupLimitBreach(const std::string& bytes, int maxAttributes) {
  const TUnits u(bytes);
  for (size_t i = 0; i < u.Count();) {
    if (u.At(i) != '<') {
      ++i;
      continue;
    }
    if (u.StartsWith(i, "<!--")) {
      i = u.After(i + 4, "-->");
    } else if (u.StartsWith(i, "<![CDATA[")) {
      i = u.After(i + 9, "]]>");
    } else if (u.StartsWith(i, "<?")) {
      i = u.After(i + 2, "?>");
    } else if (u.StartsWith(i, "<!")) {
      i = AfterDeclaration(u, i + 2);
    } else if (u.StartsWith(i, "</")) {
      i = u.After(i + 2, ">");
    } else {
      // A start tag: each attribute has one "=" outside the quoted values.
      const size_t start = i;
      int attributes = 0;
      unsigned long quote = 0;
      for (++i; i < u.Count(); ++i) {
        const unsigned long t = u.At(i);
        if (quote) {
          if (t == quote) quote = 0;
        } else if (t == '"' || t == '\'') {
          quote = t;
        } else if (t == '=') {
          if (++attributes > maxAttributes)
            return "wiersz " + std::to_string(LineOf(u, start)) + ": element " +
                   ElementName(u, start + 1) + " ma więcej niż " + std::to_string(maxAttributes) +
                   " atrybutów; element faktury FA(3) ma ich najwyżej kilka";
        } else if (t == '>') {
          break;
        }
      }
      ++i;
    }
  }
  return std::nullopt;
}

}  // namespace brenvik
