#include <gtest/gtest.h>

#include <string>

#include "support/Sha256.h"

namespace brenvik {
namespace {

std::string Hex(const std::string& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string hex;
  for (unsigned char c : bytes) hex += {digits[c >> 4], digits[c & 15]};
  return hex;
}

// The published test vectors of SHA-256, across the one- and two-block tails.
TEST(Sha256Test, GivesThePublishedDigests) {
  const struct {
    std::string Data;
    const char* Digest;
    const char* Base64Url;
  } rows[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855",
       "47DEQpj8HBSa-_TImW-5JCeuQeRkm5NMpJWZG3hSuFU"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad",
       "ungWv48Bz-pBQUDeXa4iI7ADYaOWF3qctBD_YfIAFa0"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1",
       "JI1qYdIGOLjlwCaTDD5gOaM85Flk_yFn9uzt1BnbBsE"},
      {std::string(1000000, 'a'),
       "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0",
       "zcduXJkU-5KBocfihNc-Z_GAmkiklyAOBG05zMcRLNA"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(Hex(Sha256(row.Data)), row.Digest) << row.Data.size();
    EXPECT_EQ(Base64UrlNoPadding(Sha256(row.Data)), row.Base64Url) << row.Data.size();
  }
}

}  // namespace
}  // namespace brenvik
