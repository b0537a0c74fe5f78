#pragma once
// KSeF numbers as KSeF itself forms them: NIP, date yyyymmdd, 12 upper-case
// hexadecimal characters and a 2-character CRC-8 check.
#include <string>
#include <string_view>

namespace brenvik::ksefsim {

// CRC-8, polynomial 0x07, initial value 0, no reflection, no final XOR.
unsigned char Crc8(std::string_view bytes);
// nip + "-" + yyyymmdd + "-" + hex12 + "-" + the check of those 32 characters.
std::string MakeKsefNumber(const std::string& nip, const std::string& yyyymmdd,
                           const std::string& hex12);
// Shape, digits, hexadecimal code and a matching check.
bool IsValidKsefNumber(const std::string& number);
// 12 random upper-case hexadecimal characters.
std::string RandomHex12();

}  // namespace brenvik::ksefsim
