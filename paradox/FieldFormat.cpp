#include "paradox/FieldFormat.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "support/Errors.h"
#include "support/TextCodec.h"

namespace brenvik {

std::string PxFieldTypeName(TPxFieldType type) {
  switch (type) {
    case TPxFieldType::Alpha: return "alfanumeryczne";
    case TPxFieldType::Date: return "data";
    case TPxFieldType::Short: return "liczba krótka";
    case TPxFieldType::Long: return "liczba długa";
    case TPxFieldType::Currency: return "kwota";
    case TPxFieldType::Number: return "liczba";
    case TPxFieldType::Logical: return "logiczne";
    case TPxFieldType::Memo: return "notatka";
    case TPxFieldType::Blob: return "dane binarne";
    case TPxFieldType::FmtMemo: return "notatka formatowana";
    case TPxFieldType::Ole: return "obiekt OLE";
    case TPxFieldType::Graphic: return "grafika";
    case TPxFieldType::Time: return "czas";
    case TPxFieldType::Timestamp: return "data i czas";
    case TPxFieldType::AutoInc: return "licznik";
    case TPxFieldType::BCD: return "BCD";
    case TPxFieldType::Bytes: return "bajty";
  }
  return "nieznany typ";
}

bool IsKnownPxFieldType(int code) {
  switch (code) {
    case 0x01:
    case 0x02:
    case 0x03:
    case 0x04:
    case 0x05:
    case 0x06:
    case 0x09:
    case 0x0C:
    case 0x0D:
    case 0x0E:
    case 0x0F:
    case 0x10:
    case 0x14:
    case 0x15:
    case 0x16:
    case 0x17:
    case 0x18: return true;
    default: return false;
  }
}

bool IsPxBlobType(TPxFieldType type) {
  return type == TPxFieldType::Memo || type == TPxFieldType::Blob ||
         type == TPxFieldType::FmtMemo || type == TPxFieldType::Ole ||
         type == TPxFieldType::Graphic;
}

bool IsPxNumericType(TPxFieldType type) {
  switch (type) {
    case TPxFieldType::Date:
    case TPxFieldType::Short:
    case TPxFieldType::Long:
    case TPxFieldType::Currency:
    case TPxFieldType::Number:
    case TPxFieldType::Logical:
    case TPxFieldType::Time:
    case TPxFieldType::Timestamp:
    case TPxFieldType::AutoInc:
    case TPxFieldType::BCD: return true;
    default: return false;
  }
}

namespace {

std::uint64_t ReadBE(const unsigned char* p, int n) {
  std::uint64_t v = 0;
  for (int i = 0; i < n; ++i) v = (v << 8) | p[i];
  return v;
}

void WriteBE(unsigned char* p, int n, std::uint64_t v) {
  for (int i = n - 1; i >= 0; --i) {
    p[i] = static_cast<unsigned char>(v & 0xFF);
    v >>= 8;
  }
}

bool AllZero(const unsigned char* p, int n) {
  for (int i = 0; i < n; ++i)
    if (p[i] != 0) return false;
  return true;
}

// Nibble I of the 32 digits that follow the BCD sign byte.
int Nibble(const unsigned char* p, int i) {
  const unsigned char b = p[1 + i / 2];
  return (i % 2 == 0) ? (b >> 4) : (b & 0x0F);
}

}  // namespace

// Integers are big-endian with the sign bit flipped, so that bytes sort as numbers.
std::optional<std::int16_t> PxDecodeShort(const unsigned char* p) {
  const auto u = static_cast<std::uint16_t>(ReadBE(p, 2));
  if (u == 0) return std::nullopt;
  return static_cast<std::int16_t>(u ^ 0x8000u);
}

std::optional<std::int32_t> PxDecodeLong(const unsigned char* p) {
  const auto u = static_cast<std::uint32_t>(ReadBE(p, 4));
  if (u == 0) return std::nullopt;
  return static_cast<std::int32_t>(u ^ 0x80000000u);
}

// Doubles: positive values have the sign bit set, negative ones all bits inverted.
std::optional<double> PxDecodeDouble(const unsigned char* p) {
  std::uint64_t u = ReadBE(p, 8);
  if (u == 0) return std::nullopt;
  if (u & 0x8000000000000000ull)
    u ^= 0x8000000000000000ull;
  else
    u = ~u;
  double d;
  std::memcpy(&d, &u, sizeof d);
  return d;
}

std::optional<bool> PxDecodeLogical(const unsigned char* p) {
  if (p[0] == 0) return std::nullopt;
  return (p[0] & 0x7F) != 0;
}

std::optional<std::string> PxDecodeBCD(const unsigned char* p, int decimals) {
  if (AllZero(p, 17)) return std::nullopt;
  if (decimals < 0 || decimals > 32) decimals = p[0] & 0x3F;
  if (decimals > 32) decimals = 32;
  const bool negative = (p[0] & 0x80) == 0;
  std::string digits(32, '0');
  for (int i = 0; i < 32; ++i) {
    int n = Nibble(p, i);
    if (negative) n = 0x0F - n;
    if (n > 9) break;
    digits[static_cast<size_t>(i)] = static_cast<char>('0' + n);
  }
  std::string whole = digits.substr(0, static_cast<size_t>(32 - decimals));
  const size_t nz = whole.find_first_not_of('0');
  whole = (nz == std::string::npos) ? "0" : whole.substr(nz);
  std::string text = whole;
  if (decimals > 0) text += "." + digits.substr(static_cast<size_t>(32 - decimals));
  if (negative && text.find_first_not_of("0.") != std::string::npos) text = "-" + text;
  return text;
}

std::string_view PxAlphaBytes(const unsigned char* p, int len) {
  int n = 0;
  while (n < len && p[n] != 0) ++n;
  return {reinterpret_cast<const char*>(p), static_cast<size_t>(n)};
}

void PxEncodeShort(unsigned char* p, std::int16_t v) {
  WriteBE(p, 2, static_cast<std::uint16_t>(v) ^ 0x8000u);
}

void PxEncodeLong(unsigned char* p, std::int32_t v) {
  WriteBE(p, 4, static_cast<std::uint32_t>(v) ^ 0x80000000u);
}

void PxEncodeDouble(unsigned char* p, double v) {
  std::uint64_t u;
  if (v == 0.0) v = 0.0;  // no negative zero: it would store as a null-looking pattern
  std::memcpy(&u, &v, sizeof u);
  if (u & 0x8000000000000000ull)
    u = ~u;
  else
    u ^= 0x8000000000000000ull;
  WriteBE(p, 8, u);
}

void PxEncodeLogical(unsigned char* p, bool v) { p[0] = v ? 0x81 : 0x80; }

void PxEncodeBCD(unsigned char* p, int decimals, double v) {
  if (decimals < 0 || decimals > 32)
    throw EConvertError("Niedozwolona liczba miejsc po przecinku BCD: " + std::to_string(decimals));
  char buf[128];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, std::fabs(v));
  std::string text(buf);
  const size_t dot = text.find('.');
  std::string whole = dot == std::string::npos ? text : text.substr(0, dot);
  std::string frac = dot == std::string::npos ? "" : text.substr(dot + 1);
  if (static_cast<int>(whole.size()) > 32 - decimals)
    throw EConvertError("Wartość " + FloatToText(v) + " nie mieści się w polu BCD");
  const std::string digits =
      std::string(static_cast<size_t>(32 - decimals) - whole.size(), '0') + whole + frac;
  const bool negative = v < 0 && digits.find_first_not_of('0') != std::string::npos;
  std::memset(p, 0, 17);
  p[0] = static_cast<unsigned char>((negative ? 0x00 : 0x80) | 0x40 | decimals);
  for (int i = 0; i < 32; ++i) {
    int n = digits[static_cast<size_t>(i)] - '0';
    if (negative) n = 0x0F - n;
    unsigned char& b = p[1 + i / 2];
    b = static_cast<unsigned char>(i % 2 == 0 ? (b & 0x0F) | (n << 4) : (b & 0xF0) | n);
  }
}

TDateTime PxDateToDateTime(std::int32_t days) {
  return TDateTime(static_cast<double>(days - PxDateDelta));
}

std::int32_t PxDateTimeToDate(TDateTime dt) {
  return static_cast<std::int32_t>(std::floor(dt.Value) + PxDateDelta);
}

TDateTime PxTimeToDateTime(std::int32_t msecs) { return TDateTime(msecs / PxMSecsPerDay); }

std::int32_t PxDateTimeToTime(TDateTime dt) {
  const double frac = dt.Value - std::floor(dt.Value);
  return static_cast<std::int32_t>(std::llround(frac * PxMSecsPerDay));
}

TDateTime PxTimestampToDateTime(double msecs) {
  // Whole milliseconds: the stored value is exact, the division is not.
  const double days = std::floor(msecs / PxMSecsPerDay);
  const double rest = msecs - days * PxMSecsPerDay;
  return TDateTime(days - PxDateDelta + rest / PxMSecsPerDay);
}

double PxDateTimeToTimestamp(TDateTime dt) {
  const double days = std::floor(dt.Value);
  const double ms = std::llround((dt.Value - days) * PxMSecsPerDay);
  return (days + PxDateDelta) * PxMSecsPerDay + ms;
}

std::string FloatToText(double v) {
  if (v == 0.0) return "0";
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  std::string s(buf, r.ptr);
  // to_chars may choose exponent form for large or tiny values; plain digits read better.
  if (s.find('e') != std::string::npos && std::fabs(v) >= 1e-15 && std::fabs(v) < 1e21) {
    const auto r2 = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed);
    s.assign(buf, r2.ptr);
  }
  return s;
}

std::optional<double> TextToFloat(std::string_view text) {
  const std::string t = Trim(text);
  if (t.empty()) return std::nullopt;
  const char* b = t.data();
  const char* e = b + t.size();
  if (*b == '+') ++b;
  double v = 0;
  const auto r = std::from_chars(b, e, v);
  if (r.ec != std::errc() || r.ptr != e) return std::nullopt;
  return v;
}

std::optional<std::int64_t> TextToInteger(std::string_view text) {
  const std::string t = Trim(text);
  if (t.empty()) return std::nullopt;
  const char* b = t.data();
  const char* e = b + t.size();
  if (*b == '+') ++b;
  std::int64_t v = 0;
  const auto r = std::from_chars(b, e, v);
  if (r.ec != std::errc() || r.ptr != e) return std::nullopt;
  return v;
}

std::string DateTimeToText(TDateTime dt) {
  if (dt.Value == std::floor(dt.Value)) return FormatDateTime("yyyy-MM-dd", dt);
  return FormatDateTime("yyyy-MM-dd hh:nn:ss", dt);
}

TPxBlobRef PxDecodeBlobRef(const unsigned char* p) {
  TPxBlobRef r;
  r.Offset = static_cast<std::uint32_t>(p[0] | (p[1] << 8) | (p[2] << 16)) |
             (static_cast<std::uint32_t>(p[3]) << 24);
  r.Length = static_cast<std::uint32_t>(p[4] | (p[5] << 8) | (p[6] << 16)) |
             (static_cast<std::uint32_t>(p[7]) << 24);
  r.ModNr = static_cast<std::uint16_t>(p[8] | (p[9] << 8));
  return r;
}

void PxEncodeBlobRef(unsigned char* p, const TPxBlobRef& ref) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(ref.Offset >> (8 * i));
  for (int i = 0; i < 4; ++i) p[4 + i] = static_cast<unsigned char>(ref.Length >> (8 * i));
  p[8] = static_cast<unsigned char>(ref.ModNr);
  p[9] = static_cast<unsigned char>(ref.ModNr >> 8);
}

}  // namespace brenvik
