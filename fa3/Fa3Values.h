#pragma once
// Text forms of the simple values of an FA(3) invoice: decimals, integers,
// dates and date-times as the element texts carry them, independent of the
// process locale.
#include <string>

#include "support/DateTime.h"

namespace brenvik {

// Shortest general form with at most 15 significant digits and "." (12.5,
// 100, 0.07, 0.00000015); magnitudes below 1E-20 or from 1E15 up in
// exponent form ("1E15"); "NaN", "INF", "-INF" for the special values.
std::string FormatFa3Decimal(double value);
// Blank text reads 0; "NaN", "INF", "-INF" in any letter case read as the
// special values. Anything else that is not a "." decimal raises
// EConvertError naming the element.
double ParseFa3Decimal(const std::string& text, const std::string& elementName);

std::string FormatFa3Integer(int value);
// Empty, blank or non-numeric text raises EConvertError naming the element.
int ParseFa3Integer(const std::string& text, const std::string& elementName);

// yyyy-MM-dd
std::string FormatFa3Date(TDateTime value);
TDateTime ParseFa3Date(const std::string& text, const std::string& elementName);

// yyyy-MM-ddThh:nn:ss, local time without a zone designator. Reading also
// takes fractions of a second and a zone designator; the zone is not applied
// (the value is the wall-clock time as written).
std::string FormatFa3DateTime(TDateTime value);
TDateTime ParseFa3DateTime(const std::string& text, const std::string& elementName);

}  // namespace brenvik
