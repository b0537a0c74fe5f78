#include "render/AmountInWords.h"

#include <cctype>
#include <cstdio>

#include "support/Errors.h"

namespace brenvik {
namespace {

struct TWordForms {
  const char* One;
  const char* Few;
  const char* Many;
};

const char* NumberWord(int value) {
  switch (value) {
#define RENDER_NUMBER_WORD(v, word) \
  case v:                           \
    return word;
#define RENDER_SCALE_WORD(power, one, few, many)
#define RENDER_CURRENCY_WORD(code, one, few, many)
#include "render/AmountWords.def"
#undef RENDER_NUMBER_WORD
#undef RENDER_SCALE_WORD
#undef RENDER_CURRENCY_WORD
  }
  return "";
}

TWordForms ScaleWords(int power) {
  switch (power) {
#define RENDER_NUMBER_WORD(v, word)
#define RENDER_SCALE_WORD(p, one, few, many) \
  case p:                                    \
    return {one, few, many};
#define RENDER_CURRENCY_WORD(code, one, few, many)
#include "render/AmountWords.def"
#undef RENDER_NUMBER_WORD
#undef RENDER_SCALE_WORD
#undef RENDER_CURRENCY_WORD
  }
  throw EConvertError("Kwota jest zbyt duża, by zapisać ją słownie");
}

TWordForms CurrencyWords(const std::string& currency) {
#define RENDER_NUMBER_WORD(v, word)
#define RENDER_SCALE_WORD(p, one, few, many)
#define RENDER_CURRENCY_WORD(code, one, few, many) \
  if (currency == code) return {one, few, many};
#include "render/AmountWords.def"
#undef RENDER_NUMBER_WORD
#undef RENDER_SCALE_WORD
#undef RENDER_CURRENCY_WORD
  return {nullptr, nullptr, nullptr};
}

// The form a counted noun takes after n: 1, 2-4 (not 12-14), or the rest.
const char* FormAfter(std::int64_t n, const TWordForms& forms) {
  if (n == 1) return forms.One;
  const std::int64_t tens = n % 100, ones = n % 10;
  if (ones >= 2 && ones <= 4 && (tens < 12 || tens > 14)) return forms.Few;
  return forms.Many;
}

void Append(std::string& text, const std::string& word) {
  if (word.empty()) return;
  if (!text.empty()) text += ' ';
  text += word;
}

// 1-999 in words.
std::string GroupInWords(int n) {
  std::string text;
  Append(text, NumberWord(n / 100 * 100));
  const int rest = n % 100;
  if (rest < 20) {
    Append(text, NumberWord(rest));
  } else {
    Append(text, NumberWord(rest / 10 * 10));
    Append(text, NumberWord(rest % 10));
  }
  return text;
}

std::string WholeInWords(std::int64_t n) {
  if (n == 0) return "zero";
  int groups[8] = {};
  int count = 0;
  for (; n > 0; n /= 1000) groups[count++] = static_cast<int>(n % 1000);
  std::string text;
  for (int power = count - 1; power >= 0; --power) {
    const int g = groups[power];
    if (g == 0) continue;
    if (power == 0) {
      Append(text, GroupInWords(g));
    } else {
      const TWordForms scale = ScaleWords(power);
      // "tysiąc", not "jeden tysiąc".
      if (g != 1) Append(text, GroupInWords(g));
      Append(text, FormAfter(g, scale));
    }
  }
  return text;
}

}  // namespace

std::string AmountInWords(std::int64_t hundredths, const std::string& currency) {
  std::string text = hundredths < 0 ? "minus " : "";
  const std::int64_t amount = hundredths < 0 ? -hundredths : hundredths;
  const std::int64_t whole = amount / 100;
  text += WholeInWords(whole);
  const TWordForms forms = CurrencyWords(currency);
  text += ' ';
  text += forms.One ? FormAfter(whole, forms) : currency.c_str();
  char cents[16];
  std::snprintf(cents, sizeof cents, " %02d/100", static_cast<int>(amount % 100));
  return text + cents;
}

std::int64_t ParseHundredths(const std::string& decimal) {
  size_t i = 0;
  const bool negative = !decimal.empty() && decimal[0] == '-';
  if (negative || (!decimal.empty() && decimal[0] == '+')) ++i;
  std::int64_t whole = 0;
  int digits = 0;
  for (; i < decimal.size() && std::isdigit(static_cast<unsigned char>(decimal[i]));
       ++i, ++digits) {
    if (whole > 99'999'999'999'999) throw EConvertError("Kwota jest zbyt duża: " + decimal);
    whole = whole * 10 + (decimal[i] - '0');
  }
  int fraction[3] = {};
  if (i < decimal.size() && decimal[i] == '.') {
    ++i;
    for (int k = 0; i < decimal.size() && std::isdigit(static_cast<unsigned char>(decimal[i]));
         ++i, ++k, ++digits)
      if (k < 3) fraction[k] = decimal[i] - '0';
  }
  if (digits == 0 || i != decimal.size()) throw EConvertError("\"" + decimal + "\" nie jest kwotą");
  std::int64_t value = whole * 100 + fraction[0] * 10 + fraction[1] + (fraction[2] >= 5 ? 1 : 0);
  return negative ? -value : value;
}

std::string DecimalText(const std::string& decimal, int minDecimals) {
  size_t start = (!decimal.empty() && (decimal[0] == '-' || decimal[0] == '+')) ? 1 : 0;
  const size_t point = decimal.find('.');
  const std::string whole =
      decimal.substr(start, point == std::string::npos ? std::string::npos : point - start);
  std::string fraction = point == std::string::npos ? "" : decimal.substr(point + 1);
  auto allDigits = [](const std::string& s) {
    for (char c : s)
      if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    return true;
  };
  if (whole.empty() || !allDigits(whole) || !allDigits(fraction)) return decimal;
  while (fraction.size() < static_cast<size_t>(minDecimals)) fraction += '0';
  std::string text = decimal[0] == '-' ? "-" : "";
  for (size_t i = 0; i < whole.size(); ++i) {
    if (i > 0 && (whole.size() - i) % 3 == 0) text += ' ';
    text += whole[i];
  }
  return fraction.empty() ? text : text + "," + fraction;
}

}  // namespace brenvik
