#pragma once
// MD5, SHA-1, SHA-256 and their HMACs (64-byte block), as raw bytes,
// lower-case hex or padded Base64. The callback handler checks every
// request's signature with sha1_hex; the rest completes the set.
//
// Byte-string arguments are hashed in full, NUL bytes included. The HMAC
// hex and Base64 forms take local text, which ends at its first NUL.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace gw {

class Digest {
public:
    static std::string sha1_raw(std::string_view data);
    static std::string sha256_raw(std::string_view data);
    static std::string hmac_sha1_raw(std::string_view key, std::string_view data);
    static std::string hmac_sha256_raw(std::string_view key, std::string_view data);
    // MD5's state words A, B, C, D; written out little-endian in that order
    // they are the 16 digest bytes.
    static std::array<uint32_t, 4> hmac_md5_words(std::string_view key, std::string_view data);

    static std::string hmac_sha1_hex(std::string_view key_text, std::string_view data_text);
    static std::string hmac_sha256_hex(std::string_view key_text, std::string_view data_text);
    static std::string hmac_md5_hex(std::string_view key_text, std::string_view data_text);
    static std::string hmac_sha1_base64(std::string_view key_text, std::string_view data_text);
    static std::string hmac_sha256_base64(std::string_view key_text, std::string_view data_text);
    static std::string hmac_md5_base64(std::string_view key_text, std::string_view data_text);

    static std::string sha1_hex(std::string_view data);
    static std::string sha256_hex(std::string_view data);
    static std::string md5_hex(std::string_view data);
    static std::string sha1_base64(std::string_view data);
    static std::string sha256_base64(std::string_view data);
    static std::string md5_base64(std::string_view data);
};

// For signature checks: the time taken does not depend on where the texts
// differ. Texts of different lengths return false at once.
bool equal_in_constant_time(std::string_view a, std::string_view b);

} // namespace gw
