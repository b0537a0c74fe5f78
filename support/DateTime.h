#pragma once
// Date and time as the warehouse program stores them: days since 1899-12-30
// with the time of day as the fraction. Date 0 is the "no date" value.
#include <cstdint>
#include <optional>
#include <string>

namespace brenvik {

struct TDateTime {
  double Value = 0.0;
  TDateTime() = default;
  explicit TDateTime(double v) : Value(v) {}
  friend bool operator==(TDateTime a, TDateTime b) { return a.Value == b.Value; }
  friend auto operator<=>(TDateTime a, TDateTime b) { return a.Value <=> b.Value; }
};

struct TDateParts {
  int Year = 0, Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0, MSec = 0;
};

// Throws EConvertError for an impossible date or time.
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int minute, int second, int msec);
TDateTime EncodeDateTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0,
                         int msec = 0);
bool IsValidDate(int year, int month, int day);
TDateParts DecodeDateTime(TDateTime dt);

TDateTime Now();                 // local clock
TDateTime Today();               // local date, time 00:00
TDateTime DateOf(TDateTime dt);  // whole-day part
TDateTime IncDay(TDateTime dt, int days);
TDateTime IncMonth(TDateTime dt, int months);  // day clamped to the month's length

// Seconds since 1970-01-01 UTC to local date-time and back.
TDateTime UnixToLocal(std::int64_t seconds);

// Format patterns: yyyy/yy year, mm or MM month, dd day, hh hour, nn minutes,
// ss seconds, zzz milliseconds; other characters are copied.
std::string FormatDateTime(const std::string& pattern, TDateTime dt);

// The application's short date form "yyyy-MM-dd".
std::string DateToStr(TDateTime dt);
// Parses "yyyy-MM-dd" exactly; nothing on failure.
std::optional<TDateTime> TryStrToDate(const std::string& text);
// Parses "yyyy-mm-dd", "yyyy-mm-dd hh:nn[:ss[.zzz]]" and "yyyy-mm-ddThh:nn[:ss]".
std::optional<TDateTime> TryStrToDateTime(const std::string& text);
// Parses "hh:nn[:ss[.zzz]]" as a time of day.
std::optional<TDateTime> TryStrToTime(const std::string& text);

}  // namespace brenvik
