#pragma once
// An amount due written out in Polish words, as "słownie:" on an invoice.
#include <cstdint>
#include <string>

namespace brenvik {

// The amount in hundredths as its text in words: the whole units in words
// with the currency in its grammatical form ("dwa złote", "pięć złotych",
// a currency without words by its code) and the hundredths as "NN/100";
// a negative amount begins with "minus".
std::string AmountInWords(std::int64_t hundredths, const std::string& currency);
// A decimal text of the file ("1234.5", "-0.01") in hundredths, rounded half
// away from zero; raises EConvertError for anything else.
std::int64_t ParseHundredths(const std::string& decimal);
// A decimal text of the file as printed: "," before the decimals, a space
// between thousands, at least minDecimals decimals ("1234.5" with 2:
// "1 234,50"). A text that is no number is returned as it is.
std::string DecimalText(const std::string& decimal, int minDecimals);

}  // namespace brenvik
