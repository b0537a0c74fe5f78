#pragma once
// KSeF numbers as KSeF itself forms them: NIP, date yyyymmdd, 12 upper-case
// hexadecimal characters and a 2-character CRC-8 check. The check and the
// test of a number are the program's own (support/KsefContract.h).
#include <string>

#include "support/KsefContract.h"

namespace brenvik::ksefsim {

// nip + "-" + yyyymmdd + "-" + hex12 + "-" + the check of those 32 characters.
std::string MakeKsefNumber(const std::string& nip, const std::string& yyyymmdd,
                           const std::string& hex12);
// Shape, digits, hexadecimal code and a matching check.
using ksef::IsValidKsefNumber;
// 12 random upper-case hexadecimal characters.
std::string RandomHex12();

}  // namespace brenvik::ksefsim
