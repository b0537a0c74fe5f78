#include "support/DateTime.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>

#include "support/Errors.h"

namespace brenvik {
namespace {

constexpr double kMSecPerDay = 86400000.0;
// Days from 0000-03-01 based civil calendar to 1899-12-30.
constexpr std::int64_t kDayZeroFrom1970 =
    -25569;  // day 0 of a TDateTime, 1899-12-30, counted from 1970-01-01

std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, int& y, int& m, int& d) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t yy = static_cast<std::int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(yy + (m <= 2));
}

int DaysInMonth(int y, int m) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (m == 2 && ((y % 4 == 0 && y % 100 != 0) || y % 400 == 0)) return 29;
  return kDays[m - 1];
}

bool ParseDigits(const std::string& s, size_t pos, size_t count, int& out) {
  if (pos + count > s.size()) return false;
  int v = 0;
  for (size_t i = pos; i < pos + count; ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
    v = v * 10 + (s[i] - '0');
  }
  out = v;
  return true;
}

}  // namespace

bool IsValidDate(int year, int month, int day) {
  return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
         day <= DaysInMonth(year, month);
}

TDateTime EncodeDate(int year, int month, int day) {
  if (!IsValidDate(year, month, day)) throw EConvertError("Niepoprawna data");
  return TDateTime(static_cast<double>(DaysFromCivil(year, month, day) - kDayZeroFrom1970));
}

TDateTime EncodeTime(int hour, int minute, int second, int msec) {
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || msec < 0 ||
      msec > 999)
    throw EConvertError("Niepoprawny czas");
  return TDateTime((((hour * 60.0 + minute) * 60.0 + second) * 1000.0 + msec) / kMSecPerDay);
}

TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second, int msec) {
  const double date = EncodeDate(year, month, day).Value;
  const double time = EncodeTime(hour, minute, second, msec).Value;
  // The date format keeps the time fraction positive also before 1899-12-30.
  return TDateTime(date >= 0 ? date + time : date - time);
}

TDateParts DecodeDateTime(TDateTime dt) {
  TDateParts p;
  // Round to whole milliseconds first so 23:59:59.9999 does not lose a day.
  double ms = std::round(std::fabs(dt.Value) * kMSecPerDay);
  double days = std::floor(ms / kMSecPerDay);
  std::int64_t msOfDay = static_cast<std::int64_t>(ms - days * kMSecPerDay);
  std::int64_t dayNumber = static_cast<std::int64_t>(dt.Value < 0 ? -days : days);
  CivilFromDays(dayNumber + kDayZeroFrom1970, p.Year, p.Month, p.Day);
  p.Hour = static_cast<int>(msOfDay / 3600000);
  p.Minute = static_cast<int>(msOfDay / 60000 % 60);
  p.Second = static_cast<int>(msOfDay / 1000 % 60);
  p.MSec = static_cast<int>(msOfDay % 1000);
  return p;
}

TDateTime Now() {
  using namespace std::chrono;
  const auto now = system_clock::now();
  const std::time_t t = system_clock::to_time_t(now);
  std::tm tm{};
  localtime_r(&t, &tm);
  const int ms =
      static_cast<int>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
  return EncodeDateTime(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min,
                        tm.tm_sec, ms < 0 ? 0 : ms);
}

TDateTime Today() { return DateOf(Now()); }

TDateTime DateOf(TDateTime dt) { return TDateTime(std::trunc(dt.Value)); }

TDateTime IncDay(TDateTime dt, int days) { return TDateTime(dt.Value + days); }

TDateTime IncMonth(TDateTime dt, int months) {
  TDateParts p = DecodeDateTime(dt);
  int total = p.Year * 12 + (p.Month - 1) + months;
  int y = total / 12, m = total % 12 + 1;
  int d = std::min(p.Day, DaysInMonth(y, m));
  return EncodeDateTime(y, m, d, p.Hour, p.Minute, p.Second, p.MSec);
}

TDateTime UnixToLocal(std::int64_t seconds) {
  std::time_t t = static_cast<std::time_t>(seconds);
  std::tm tm{};
  localtime_r(&t, &tm);
  return EncodeDateTime(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min,
                        tm.tm_sec);
}

std::string FormatDateTime(const std::string& pattern, TDateTime dt) {
  const TDateParts p = DecodeDateTime(dt);
  std::string out;
  char buf[16];
  for (size_t i = 0; i < pattern.size();) {
    const char c = pattern[i];
    const char lc = static_cast<char>(c | 0x20);
    size_t n = 1;
    while (
        i + n < pattern.size() && static_cast<char>(pattern[i + n] | 0x20) == lc &&
        (lc == 'y' || lc == 'm' || lc == 'd' || lc == 'h' || lc == 'n' || lc == 's' || lc == 'z'))
      ++n;
    switch (lc) {
      case 'y':
        if (n >= 3)
          std::snprintf(buf, sizeof buf, "%04d", p.Year);
        else
          std::snprintf(buf, sizeof buf, "%02d", p.Year % 100);
        break;
      case 'm': std::snprintf(buf, sizeof buf, n >= 2 ? "%02d" : "%d", p.Month); break;
      case 'd': std::snprintf(buf, sizeof buf, n >= 2 ? "%02d" : "%d", p.Day); break;
      case 'h': std::snprintf(buf, sizeof buf, n >= 2 ? "%02d" : "%d", p.Hour); break;
      case 'n': std::snprintf(buf, sizeof buf, n >= 2 ? "%02d" : "%d", p.Minute); break;
      case 's': std::snprintf(buf, sizeof buf, n >= 2 ? "%02d" : "%d", p.Second); break;
      case 'z': std::snprintf(buf, sizeof buf, n >= 3 ? "%03d" : "%d", p.MSec); break;
      default:
        out += c;
        ++i;
        continue;
    }
    out += buf;
    i += n;
  }
  return out;
}

std::string DateToStr(TDateTime dt) { return FormatDateTime("yyyy-MM-dd", dt); }

std::optional<TDateTime> TryStrToDate(const std::string& text) {
  int y, m, d;
  if (text.size() != 10 || text[4] != '-' || text[7] != '-' || !ParseDigits(text, 0, 4, y) ||
      !ParseDigits(text, 5, 2, m) || !ParseDigits(text, 8, 2, d) || !IsValidDate(y, m, d))
    return std::nullopt;
  return EncodeDate(y, m, d);
}

std::optional<TDateTime> TryStrToTime(const std::string& text) {
  int h = 0, n = 0, s = 0, z = 0;
  if (!ParseDigits(text, 0, 2, h) || text.size() < 5 || text[2] != ':' ||
      !ParseDigits(text, 3, 2, n))
    return std::nullopt;
  size_t pos = 5;
  if (pos < text.size()) {
    if (text[pos] != ':' || !ParseDigits(text, pos + 1, 2, s)) return std::nullopt;
    pos += 3;
    if (pos < text.size()) {
      if (text[pos] != '.' || !ParseDigits(text, pos + 1, 3, z) || pos + 4 != text.size())
        return std::nullopt;
    }
  }
  if (h > 23 || n > 59 || s > 59) return std::nullopt;
  return EncodeTime(h, n, s, z);
}

std::optional<TDateTime> TryStrToDateTime(const std::string& text) {
  if (text.size() == 10) return TryStrToDate(text);
  if (text.size() < 16 || (text[10] != ' ' && text[10] != 'T')) return std::nullopt;
  auto d = TryStrToDate(text.substr(0, 10));
  auto t = TryStrToTime(text.substr(11));
  if (!d || !t) return std::nullopt;
  return TDateTime(d->Value >= 0 ? d->Value + t->Value : d->Value - t->Value);
}

}  // namespace brenvik
