#pragma once
// The byte forms of Paradox field values: how each field type is stored in a
// record and how it reads as text, number and date-time. Pure functions over
// bytes, shared by the table engine and the fixture writer.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "support/DateTime.h"

namespace brenvik {

// Field type codes as the table header stores them.
enum class TPxFieldType : int {
  Alpha = 0x01,
  Date = 0x02,
  Short = 0x03,
  Long = 0x04,
  Currency = 0x05,
  Number = 0x06,
  Logical = 0x09,
  Memo = 0x0C,
  Blob = 0x0D,
  FmtMemo = 0x0E,
  Ole = 0x0F,
  Graphic = 0x10,
  Time = 0x14,
  Timestamp = 0x15,
  AutoInc = 0x16,
  BCD = 0x17,
  Bytes = 0x18,
};

// Name of a field type for messages ("alfanumeryczne", "data" ...).
std::string PxFieldTypeName(TPxFieldType type);
bool IsKnownPxFieldType(int code);
// Blob fields keep a leading part in the record and the rest in the ".MB" file.
bool IsPxBlobType(TPxFieldType type);
// Types whose value is a number (dates and times included).
bool IsPxNumericType(TPxFieldType type);

// Days between 0001-01-01 (Paradox day 1) and 1899-12-30 (TDateTime 0).
constexpr std::int64_t PxDateDelta = 693594;
constexpr double PxMSecsPerDay = 86400000.0;

// Decoders: nothing for a null (all-zero) value.
std::optional<std::int16_t> PxDecodeShort(const unsigned char* p);
std::optional<std::int32_t> PxDecodeLong(const unsigned char* p);
std::optional<double> PxDecodeDouble(const unsigned char* p);
std::optional<bool> PxDecodeLogical(const unsigned char* p);
// A BCD value of 17 bytes with the given count of decimals, as a decimal text
// ("-12.30"). Digits after the first byte that is no decimal digit are not
// part of the value (the engine leaves noise there when it stores a double).
std::optional<std::string> PxDecodeBCD(const unsigned char* p, int decimals);
// Alpha bytes up to the first NUL, still in the table's code page.
std::string_view PxAlphaBytes(const unsigned char* p, int len);

// Encoders write exactly the field's bytes.
void PxEncodeShort(unsigned char* p, std::int16_t v);
void PxEncodeLong(unsigned char* p, std::int32_t v);
void PxEncodeDouble(unsigned char* p, double v);
void PxEncodeLogical(unsigned char* p, bool v);
// Throws EConvertError when the value does not fit the digits.
void PxEncodeBCD(unsigned char* p, int decimals, double v);

// Conversions between the stored numbers and TDateTime.
TDateTime PxDateToDateTime(std::int32_t days);
std::int32_t PxDateTimeToDate(TDateTime dt);
TDateTime PxTimeToDateTime(std::int32_t msecs);
std::int32_t PxDateTimeToTime(TDateTime dt);
TDateTime PxTimestampToDateTime(double msecs);
double PxDateTimeToTimestamp(TDateTime dt);

// The shortest text that reads back as the same double, with "." as separator.
std::string FloatToText(double v);
// Strict number parsing: the whole (trimmed) text must be a number.
std::optional<double> TextToFloat(std::string_view text);
std::optional<std::int64_t> TextToInteger(std::string_view text);
// Date-time text as the program shows it: "yyyy-MM-dd", with " hh:nn:ss"
// when the time is not midnight.
std::string DateTimeToText(TDateTime dt);

// The trailing ten bytes of a blob field: where its data lie in the ".MB" file.
struct TPxBlobRef {
  std::uint32_t Offset = 0;  // block position, low byte the slot (0xFF: whole block)
  std::uint32_t Length = 0;
  std::uint16_t ModNr = 0;
};
TPxBlobRef PxDecodeBlobRef(const unsigned char* p);
void PxEncodeBlobRef(unsigned char* p, const TPxBlobRef& ref);

}  // namespace brenvik
