#pragma once
// The SHA-256 digest of bytes and its Base64URL form, as KSeF names a file
// by its digest.
#include <string>
#include <string_view>

namespace brenvik {

// The 32 bytes of the SHA-256 digest of data.
std::string Sha256(std::string_view data);
// Base64 with "-" and "_" for "+" and "/", without "=" padding.
std::string Base64UrlNoPadding(std::string_view data);

}  // namespace brenvik
