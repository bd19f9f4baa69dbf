#include "callback/digest.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>

#include <random>
#include <string>
#include <type_traits>
#include <vector>

namespace {

using gw::Digest;

static_assert(std::is_empty_v<Digest>, "Digest holds no state");

std::string hex_of(std::string_view bytes) {
    static constexpr char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

std::string bytes_of_hex(std::string_view hex) {
    std::string out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) out += static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16));
    return out;
}

// MD5's words written out little-endian are its digest bytes.
std::string bytes_of_words(const std::array<uint32_t, 4>& words) {
    std::string out;
    for (uint32_t w : words)
        for (int shift = 0; shift < 32; shift += 8) out += static_cast<char>((w >> shift) & 0xff);
    return out;
}

std::string hmac_md5_raw(std::string_view key, std::string_view data) {
    return bytes_of_words(Digest::hmac_md5_words(key, data));
}

std::string md5_raw(std::string_view data) { return bytes_of_hex(Digest::md5_hex(data)); }

// Second opinions from libcrypto.
std::string openssl_digest(const EVP_MD* md, std::string_view data) {
    unsigned char out[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    EXPECT_EQ(EVP_Digest(data.data(), data.size(), out, &size, md, nullptr), 1);
    return std::string(reinterpret_cast<char*>(out), size);
}

std::string openssl_hmac(const EVP_MD* md, std::string_view key, std::string_view data) {
    unsigned char out[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    EXPECT_NE(HMAC(md, key.data(), static_cast<int>(key.size()), reinterpret_cast<const unsigned char*>(data.data()),
                   data.size(), out, &size),
              nullptr);
    return std::string(reinterpret_cast<char*>(out), size);
}

std::string openssl_base64(std::string_view bytes) {
    std::vector<unsigned char> out(4 * ((bytes.size() + 2) / 3) + 1);
    const int size = EVP_EncodeBlock(out.data(), reinterpret_cast<const unsigned char*>(bytes.data()),
                                     static_cast<int>(bytes.size()));
    return std::string(reinterpret_cast<char*>(out.data()), size);
}

std::string repeat(std::string_view piece, size_t times) {
    std::string out;
    out.reserve(piece.size() * times);
    for (size_t i = 0; i < times; ++i) out += piece;
    return out;
}

std::string bytes_from_1_to(int last) {
    std::string out;
    for (int i = 1; i <= last; ++i) out += static_cast<char>(i);
    return out;
}

// Any of the operations, whatever form its result takes.
using HashFn = std::string (*)(std::string_view);
using HmacFn = std::string (*)(std::string_view, std::string_view);

const std::string fips_448 = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
const std::string fips_896 = "abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmn"
                             "hijklmnoijklmnopjklmnopqklmnopqrlmnopqrsmnopqrstnopqrstu";

TEST(Digest, PublishedVectors) {
    struct Case {
        const char* name;
        HashFn hex;
        std::string data;
        const char* expected;
    };
    const Case cases[] = {
        {"sha1 abc", Digest::sha1_hex, "abc", "a9993e364706816aba3e25717850c26c9cd0d89d"},
        {"sha1 empty", Digest::sha1_hex, "", "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
        {"sha1 448 bits", Digest::sha1_hex, fips_448, "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
        {"sha1 896 bits", Digest::sha1_hex, fips_896, "a49b2446a02c645bf419f995b67091253a04a259"},
        {"sha256 abc", Digest::sha256_hex, "abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"sha256 empty", Digest::sha256_hex, "", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"sha256 448 bits", Digest::sha256_hex, fips_448,
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {"sha256 896 bits", Digest::sha256_hex, fips_896,
         "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1"},
        {"md5 empty", Digest::md5_hex, "", "d41d8cd98f00b204e9800998ecf8427e"},
        {"md5 a", Digest::md5_hex, "a", "0cc175b9c0f1b6a831c399e269772661"},
        {"md5 abc", Digest::md5_hex, "abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"md5 message digest", Digest::md5_hex, "message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"md5 alphabet", Digest::md5_hex, "abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"md5 alphanumerics", Digest::md5_hex, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"md5 eighty digits", Digest::md5_hex, repeat("1234567890", 8), "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.hex(c.data), c.expected) << c.name;
}

TEST(Digest, MillionA) {
    const std::string data(1000000, 'a');
    const Digest digest;
    EXPECT_EQ(digest.sha1_hex(data), "34aa973cd4c4daa4f61eeb2bdbad27316534016f");
    EXPECT_EQ(digest.sha256_hex(data), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
    EXPECT_EQ(digest.md5_hex(data), "7707d6ae4e027c70eea2a935c2296f21");
}

TEST(Digest, RawFormsAreTheDigestBytes) {
    EXPECT_EQ(Digest::sha1_raw("abc"), bytes_of_hex("a9993e364706816aba3e25717850c26c9cd0d89d"));
    EXPECT_EQ(Digest::sha256_raw("abc"),
              bytes_of_hex("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"));
    EXPECT_EQ(Digest::sha1_raw("").size(), 20u);
    EXPECT_EQ(Digest::sha256_raw("").size(), 32u);
}

TEST(Digest, Base64FormsAndPadding) {
    EXPECT_EQ(Digest::sha1_base64("abc"), "qZk+NkcGgWq6PiVxeFDCbJzQ2J0=");
    EXPECT_EQ(Digest::sha256_base64("abc"), "ungWv48Bz+pBQUDeXa4iI7ADYaOWF3qctBD/YfIAFa0=");
    EXPECT_EQ(Digest::md5_base64("abc"), "kAFQmDzST7DWlj99KOF/cg==");
    EXPECT_EQ(Digest::md5_base64(""), "1B2M2Y8AsgTpgAmY7PhCfg==");

    // 16 bytes leave one byte over (two pads); 20 and 32 bytes leave two (one pad).
    for (const std::string& data : {std::string(), std::string("x"), fips_448, fips_896}) {
        const std::string md5 = Digest::md5_base64(data);
        const std::string sha1 = Digest::sha1_base64(data);
        const std::string sha256 = Digest::sha256_base64(data);
        ASSERT_EQ(md5.size(), 24u);
        ASSERT_EQ(sha1.size(), 28u);
        ASSERT_EQ(sha256.size(), 44u);
        EXPECT_EQ(md5.find('='), 22u) << data;
        EXPECT_EQ(sha1.find('='), 27u) << data;
        EXPECT_EQ(sha256.find('='), 43u) << data;
    }
}

TEST(Digest, HmacPublishedVectors) {
    struct Case {
        const char* name;
        HmacFn raw;
        HmacFn hex;
        std::string key;
        std::string data;
        const char* expected;
    };
    const std::string larger_key_data = "Test Using Larger Than Block-Size Key - Hash Key First";
    const std::string larger_both_data = "Test Using Larger Than Block-Size Key and Larger Than One Block-Size Data";
    const std::string rfc4231_case7 =
        "This is a test using a larger than block-size key and a larger than block-size data. The key needs to be "
        "hashed before being used by the HMAC algorithm.";
    const Case cases[] = {
        // RFC 2202, HMAC-MD5
        {"md5 1", hmac_md5_raw, Digest::hmac_md5_hex, std::string(16, '\x0b'), "Hi There",
         "9294727a3638bb1c13f48ef8158bfc9d"},
        {"md5 2", hmac_md5_raw, Digest::hmac_md5_hex, "Jefe", "what do ya want for nothing?",
         "750c783e6ab0b503eaa86e310a5db738"},
        {"md5 3", hmac_md5_raw, Digest::hmac_md5_hex, std::string(16, '\xaa'), std::string(50, '\xdd'),
         "56be34521d144c88dbb8c733f0e8b3f6"},
        {"md5 4", hmac_md5_raw, Digest::hmac_md5_hex, bytes_from_1_to(25), std::string(50, '\xcd'),
         "697eaf0aca3a3aea3a75164746ffaa79"},
        {"md5 5", hmac_md5_raw, Digest::hmac_md5_hex, std::string(16, '\x0c'), "Test With Truncation",
         "56461ef2342edc00f9bab995690efd4c"},
        {"md5 6", hmac_md5_raw, Digest::hmac_md5_hex, std::string(80, '\xaa'), larger_key_data,
         "6b1ab7fe4bd7bf8f0b62e6ce61b9d0cd"},
        {"md5 7", hmac_md5_raw, Digest::hmac_md5_hex, std::string(80, '\xaa'), larger_both_data,
         "6f630fad67cda0ee1fb1f562db3aa53e"},
        // RFC 2202, HMAC-SHA-1
        {"sha1 1", Digest::hmac_sha1_raw, Digest::hmac_sha1_hex, std::string(20, '\x0b'), "Hi There",
         "b617318655057264e28bc0b6fb378c8ef146be00"},
        {"sha1 2", Digest::hmac_sha1_raw, Digest::hmac_sha1_hex, "Jefe", "what do ya want for nothing?",
         "effcdf6ae5eb2fa2d27416d5f184df9c259a7c79"},
        {"sha1 3", Digest::hmac_sha1_raw, Digest::hmac_sha1_hex, std::string(20, '\xaa'), std::string(50, '\xdd'),
         "125d7342b9ac11cd91a39af48aa17b4f63f175d3"},
        {"sha1 4", Digest::hmac_sha1_raw, Digest::hmac_sha1_hex, bytes_from_1_to(25), std::string(50, '\xcd'),
         "4c9007f4026250c6bc8414f9bf50c86c2d7235da"},
        {"sha1 5", Digest::hmac_sha1_raw, Digest::hmac_sha1_hex, std::string(20, '\x0c'), "Test With Truncation",
         "4c1a03424b55e07fe7f27be1d58bb9324a9a5a04"},
        {"sha1 6", Digest::hmac_sha1_raw, Digest::hmac_sha1_hex, std::string(80, '\xaa'), larger_key_data,
         "aa4ae5e15272d00e95705637ce8a3b55ed402112"},
        {"sha1 7", Digest::hmac_sha1_raw, Digest::hmac_sha1_hex, std::string(80, '\xaa'), larger_both_data,
         "e8e99d0f45237d786d6bbaa7965c7808bbff1a91"},
        // RFC 4231, HMAC-SHA-256; case 5 publishes only a truncated output.
        {"sha256 1", Digest::hmac_sha256_raw, Digest::hmac_sha256_hex, std::string(20, '\x0b'), "Hi There",
         "b0344c61d8db38535ca8afceaf0bf12b881dc200c9833da726e9376c2e32cff7"},
        {"sha256 2", Digest::hmac_sha256_raw, Digest::hmac_sha256_hex, "Jefe", "what do ya want for nothing?",
         "5bdcc146bf60754e6a042426089575c75a003f089d2739839dec58b964ec3843"},
        {"sha256 3", Digest::hmac_sha256_raw, Digest::hmac_sha256_hex, std::string(20, '\xaa'),
         std::string(50, '\xdd'), "773ea91e36800e46854db8ebd09181a72959098b3ef8c122d9635514ced565fe"},
        {"sha256 4", Digest::hmac_sha256_raw, Digest::hmac_sha256_hex, bytes_from_1_to(25), std::string(50, '\xcd'),
         "82558a389a443c0ea4cc819899f2083a85f0faa3e578f8077a2e3ff46729665b"},
        {"sha256 6", Digest::hmac_sha256_raw, Digest::hmac_sha256_hex, std::string(131, '\xaa'), larger_key_data,
         "60e431591ee0b67f0d8a26aacbf5b77f8e0bc6213728c5140546040f0ee37f54"},
        {"sha256 7", Digest::hmac_sha256_raw, Digest::hmac_sha256_hex, std::string(131, '\xaa'), rfc4231_case7,
         "9b09ffa71b942fcb27635fbcd5b0e944bfdc63644f0713938a7f51535c3a35e2"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(hex_of(c.raw(c.key, c.data)), c.expected) << c.name;
        // None of these keys or data hold a NUL, so the text form sees the same bytes.
        EXPECT_EQ(c.hex(c.key, c.data), c.expected) << c.name;
    }
    EXPECT_EQ(Digest::hmac_sha256_hex(std::string(20, '\x0c'), "Test With Truncation").substr(0, 32),
              "a3b6167473100ee06e0c796c2955552b");
}

TEST(Digest, HmacMd5WordsAreStateWordsInOrder) {
    // RFC 2202 case 2: digest bytes 75 0c 78 3e ... read as little-endian words.
    const auto words = Digest::hmac_md5_words("Jefe", "what do ya want for nothing?");
    EXPECT_EQ(words, (std::array<uint32_t, 4>{0x3e780c75, 0x03b5b06a, 0x316ea8ea, 0x38b75d0a}));
}

TEST(Digest, ByteStringsHashNulBytesInFull) {
    const std::string with_nul("abc\0def", 7);
    struct Case {
        const char* name;
        HashFn ours;
        const EVP_MD* md;
    };
    const Case cases[] = {
        {"sha1", Digest::sha1_raw, EVP_sha1()},
        {"sha256", Digest::sha256_raw, EVP_sha256()},
        {"md5", md5_raw, EVP_md5()},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.ours(with_nul), openssl_digest(c.md, with_nul)) << c.name;
        EXPECT_NE(c.ours(with_nul), c.ours("abc")) << c.name;
    }
    EXPECT_EQ(Digest::sha1_hex(std::string(1, '\0')), hex_of(openssl_digest(EVP_sha1(), std::string(1, '\0'))));

    // A key's NUL bytes count too; "k\0x" must not act like "k".
    const std::string key_with_nul("k\0x", 3);
    EXPECT_EQ(Digest::hmac_sha1_raw(key_with_nul, with_nul), openssl_hmac(EVP_sha1(), key_with_nul, with_nul));
    EXPECT_NE(Digest::hmac_sha1_raw(key_with_nul, "d"), Digest::hmac_sha1_raw("k", "d"));
}

TEST(Digest, HmacTextArgumentsEndAtNul) {
    struct Case {
        const char* name;
        HmacFn text;
        HmacFn raw;
        std::string (*encode)(std::string_view);
    };
    const Case cases[] = {
        {"sha1 hex", Digest::hmac_sha1_hex, Digest::hmac_sha1_raw, hex_of},
        {"sha256 hex", Digest::hmac_sha256_hex, Digest::hmac_sha256_raw, hex_of},
        {"md5 hex", Digest::hmac_md5_hex, hmac_md5_raw, hex_of},
        {"sha1 base64", Digest::hmac_sha1_base64, Digest::hmac_sha1_raw, openssl_base64},
        {"sha256 base64", Digest::hmac_sha256_base64, Digest::hmac_sha256_raw, openssl_base64},
        {"md5 base64", Digest::hmac_md5_base64, hmac_md5_raw, openssl_base64},
    };
    const std::string key("key\0ignored", 11);
    const std::string data("message\0 and the rest", 21);
    for (const auto& c : cases) {
        EXPECT_EQ(c.text(key, data), c.encode(c.raw("key", "message"))) << c.name;
        EXPECT_EQ(c.text(std::string("\0key", 4), std::string("\0data", 5)), c.encode(c.raw("", ""))) << c.name;
    }
}

TEST(Digest, KeysAroundTheBlockSize) {
    struct Case {
        const char* name;
        HmacFn hmac;
        HashFn hash;
        const EVP_MD* md;
    };
    const Case cases[] = {
        {"sha1", Digest::hmac_sha1_raw, Digest::sha1_raw, EVP_sha1()},
        {"sha256", Digest::hmac_sha256_raw, Digest::sha256_raw, EVP_sha256()},
        {"md5", hmac_md5_raw, md5_raw, EVP_md5()},
    };
    const std::string data = "sample data";
    const std::string key63 = bytes_from_1_to(63);
    const std::string key64 = key63 + '\x40';
    const std::string key65 = key64 + '\x41';
    for (const auto& c : cases) {
        // Up to the block, a key is only zero-filled: trailing NULs change nothing.
        EXPECT_EQ(c.hmac(key63, data), c.hmac(key63 + '\0', data)) << c.name;
        EXPECT_NE(c.hmac(key64, data), c.hmac(c.hash(key64), data)) << c.name;
        // Past it, the key is replaced by its digest.
        EXPECT_EQ(c.hmac(key65, data), c.hmac(c.hash(key65), data)) << c.name;
        for (const auto* key : {&key63, &key64, &key65})
            EXPECT_EQ(c.hmac(*key, data), openssl_hmac(c.md, *key, data)) << c.name << " key " << key->size();
    }
}

TEST(Digest, AgreesWithOpenSslOverManyLengths) {
    std::mt19937 random(20240611);
    std::uniform_int_distribution<int> any_byte(0, 255);
    std::uniform_int_distribution<int> text_byte(1, 255);
    auto make = [&](size_t size, std::uniform_int_distribution<int>& bytes) {
        std::string out(size, '\0');
        for (auto& c : out) c = static_cast<char>(bytes(random));
        return out;
    };

    struct Algorithm {
        const char* name;
        const EVP_MD* md;
        HashFn hex;
        HashFn base64;
        HmacFn hmac;
        HmacFn hmac_hex;
        HmacFn hmac_base64;
    };
    const Algorithm algorithms[] = {
        {"sha1", EVP_sha1(), Digest::sha1_hex, Digest::sha1_base64, Digest::hmac_sha1_raw, Digest::hmac_sha1_hex,
         Digest::hmac_sha1_base64},
        {"sha256", EVP_sha256(), Digest::sha256_hex, Digest::sha256_base64, Digest::hmac_sha256_raw,
         Digest::hmac_sha256_hex, Digest::hmac_sha256_base64},
        {"md5", EVP_md5(), Digest::md5_hex, Digest::md5_base64, hmac_md5_raw, Digest::hmac_md5_hex,
         Digest::hmac_md5_base64},
    };

    std::vector<size_t> lengths;
    for (size_t n = 0; n <= 300; ++n) lengths.push_back(n);
    for (size_t n : {1000, 4095, 4096, 4097, 6000}) lengths.push_back(n);

    auto compare = [&](size_t key_size, size_t data_size) {
        const std::string key = make(key_size, any_byte);
        const std::string data = make(data_size, any_byte);
        const std::string key_text = make(key_size, text_byte);
        const std::string data_text = make(data_size, text_byte);
        for (const auto& a : algorithms) {
            const std::string digest = openssl_digest(a.md, data);
            EXPECT_EQ(a.hex(data), hex_of(digest)) << a.name << " data " << data_size;
            EXPECT_EQ(a.base64(data), openssl_base64(digest)) << a.name << " data " << data_size;
            EXPECT_EQ(a.hmac(key, data), openssl_hmac(a.md, key, data))
                << a.name << " key " << key_size << " data " << data_size;
            const std::string text_mac = openssl_hmac(a.md, key_text, data_text);
            EXPECT_EQ(a.hmac_hex(key_text, data_text), hex_of(text_mac))
                << a.name << " key " << key_size << " data " << data_size;
            EXPECT_EQ(a.hmac_base64(key_text, data_text), openssl_base64(text_mac))
                << a.name << " key " << key_size << " data " << data_size;
        }
        EXPECT_EQ(Digest::sha1_raw(data), openssl_digest(EVP_sha1(), data)) << data_size;
        EXPECT_EQ(Digest::sha256_raw(data), openssl_digest(EVP_sha256(), data)) << data_size;
    };

    for (size_t data_size : lengths) compare(data_size % 131, data_size);
    for (size_t key_size = 0; key_size <= 130; ++key_size)
        for (size_t data_size : {0, 1, 55, 56, 64, 119, 120, 128, 129})
            compare(key_size, data_size);
}

TEST(EqualInConstantTime, ComparesWholeTexts) {
    struct Case {
        std::string a;
        std::string b;
        bool equal;
    };
    const std::string signature = "a9993e364706816aba3e25717850c26c9cd0d89d";
    const Case cases[] = {
        {signature, signature, true},
        {"", "", true},
        {"x" + signature.substr(1), signature, false},
        {signature.substr(0, 39) + "e", signature, false},
        {signature.substr(0, 39), signature, false},
        {signature, signature + "0", false},
        {"", "a", false},
        {std::string("a\0b", 3), std::string("a\0c", 3), false},
        {std::string("a\0b", 3), "a", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(gw::equal_in_constant_time(c.a, c.b), c.equal) << '"' << c.a << "\" vs \"" << c.b << '"';
        EXPECT_EQ(gw::equal_in_constant_time(c.b, c.a), c.equal) << '"' << c.b << "\" vs \"" << c.a << '"';
    }
}

} // namespace
