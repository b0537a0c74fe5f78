#include "fa3/Fa3Values.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <system_error>

#include "support/Errors.h"
#include "support/TextCodec.h"

namespace brenvik {

namespace {

// The element texts may carry XML white space around the value.
std::string StripXmlBlanks(const std::string& text) {
  const char* blanks = " \t\r\n";
  auto first = text.find_first_not_of(blanks);
  if (first == std::string::npos) return {};
  auto last = text.find_last_not_of(blanks);
  return text.substr(first, last - first + 1);
}

// from_chars takes no leading "+", which the schema's numbers allow.
std::string DropPlus(const std::string& s) {
  return (s.size() > 1 && s[0] == '+' && s[1] != '-' && s[1] != '+') ? s.substr(1) : s;
}

[[noreturn]] void BadValue(const std::string& text, const std::string& elementName,
                           const char* what) {
  throw EConvertError("Element " + elementName + ": \"" + text + "\" nie jest poprawną " + what);
}

// Significant digits (no trailing zeros) and the decimal exponent of the
// shortest form of at most 15 digits that reads back as the same value.
void ShortestDigits(double value, std::string& digits, int& exponent) {
  char buf[64];
  std::to_chars_result res{};
  for (int precision = 1; precision <= 15; ++precision) {
    res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, precision - 1);
    double back = 0;
    std::from_chars(buf, res.ptr, back);
    if (back == value) break;
  }
  std::string sci(buf, res.ptr);  // e.g. "-1.25e+01"
  auto e = sci.find('e');
  exponent = std::atoi(sci.c_str() + e + 1);
  digits.clear();
  for (size_t i = 0; i < e; ++i)
    if (sci[i] >= '0' && sci[i] <= '9') digits += sci[i];
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
}

}  // namespace

std::string FormatFa3Decimal(double value) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
  if (value == 0) return "0";
  std::string digits;
  int exponent = 0;
  ShortestDigits(value, digits, exponent);
  std::string out = value < 0 ? "-" : "";
  // The schema's decimals take no exponent: prices of 8 places and
  // exchange rates of 6 stay in plain digits; only amounts no invoice holds
  // (from 10^15, below 10^-20) take one.
  if (exponent < -20 || exponent >= 15) {
    out += digits[0];
    if (digits.size() > 1) out += "." + digits.substr(1);
    out += "E" + std::to_string(exponent);
    return out;
  }
  if (exponent < 0) return out + "0." + std::string(-exponent - 1, '0') + digits;
  size_t intLen = static_cast<size_t>(exponent) + 1;
  if (digits.size() <= intLen) return out + digits + std::string(intLen - digits.size(), '0');
  return out + digits.substr(0, intLen) + "." + digits.substr(intLen);
}

double ParseFa3Decimal(const std::string& text, const std::string& elementName) {
  std::string s = StripXmlBlanks(text);
  if (s.empty()) return 0;
  std::string upper = AsciiUpper(s);
  if (upper == "NAN") return std::numeric_limits<double>::quiet_NaN();
  if (upper == "INF" || upper == "+INF") return std::numeric_limits<double>::infinity();
  if (upper == "-INF") return -std::numeric_limits<double>::infinity();
  std::string number = DropPlus(s);
  // Only plain decimal notation with an optional exponent; no hex, no words.
  if (number.find_first_not_of("0123456789.-eE+") != std::string::npos)
    BadValue(text, elementName, "liczbą dziesiętną");
  double value = 0;
  auto res = std::from_chars(number.data(), number.data() + number.size(), value,
                             std::chars_format::general);
  if (res.ec != std::errc() || res.ptr != number.data() + number.size())
    BadValue(text, elementName, "liczbą dziesiętną");
  return value;
}

std::string FormatFa3Integer(int value) { return std::to_string(value); }

int ParseFa3Integer(const std::string& text, const std::string& elementName) {
  std::string s = StripXmlBlanks(text);
  if (s.empty())
    throw EConvertError("Element " + elementName + " jest pusty: brak liczby całkowitej");
  std::string number = DropPlus(s);
  int value = 0;
  auto res = std::from_chars(number.data(), number.data() + number.size(), value);
  if (res.ec != std::errc() || res.ptr != number.data() + number.size())
    BadValue(text, elementName, "liczbą całkowitą");
  return value;
}

std::string FormatFa3Date(TDateTime value) { return DateToStr(value); }

TDateTime ParseFa3Date(const std::string& text, const std::string& elementName) {
  std::string s = StripXmlBlanks(text);
  if (s.empty()) throw EConvertError("Element " + elementName + " jest pusty: brak daty");
  auto date = TryStrToDate(s);
  if (!date) BadValue(text, elementName, "datą (rrrr-mm-dd)");
  return *date;
}

std::string FormatFa3DateTime(TDateTime value) {
  return FormatDateTime("yyyy-mm-dd", value) + "T" + FormatDateTime("hh:nn:ss", value);
}

TDateTime ParseFa3DateTime(const std::string& text, const std::string& elementName) {
  std::string s = StripXmlBlanks(text);
  if (s.empty()) throw EConvertError("Element " + elementName + " jest pusty: brak daty i czasu");
  if (s.size() < 19 || s[10] != 'T') BadValue(text, elementName, "datą i czasem");
  size_t pos = 19;
  int msec = 0;
  if (pos < s.size() && s[pos] == '.') {
    size_t start = ++pos;
    while (pos < s.size() && s[pos] >= '0' && s[pos] <= '9') ++pos;
    if (pos == start) BadValue(text, elementName, "datą i czasem");
    std::string frac = (s.substr(start, pos - start) + "00").substr(0, 3);
    msec = std::atoi(frac.c_str());
  }
  std::string zone = s.substr(pos);
  bool zoneOk = zone.empty() || zone == "Z" ||
                (zone.size() == 6 && (zone[0] == '+' || zone[0] == '-') && zone[3] == ':' &&
                 TryStrToTime(zone.substr(1)).has_value());
  auto dt = TryStrToDateTime(s.substr(0, 10) + " " + s.substr(11, 8));
  if (!zoneOk || !dt) BadValue(text, elementName, "datą i czasem");
  return TDateTime(dt->Value + msec / 86400000.0);
}

}  // namespace brenvik
