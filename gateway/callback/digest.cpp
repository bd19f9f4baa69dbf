#include "callback/digest.h"

#include "system/local_text.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstring>

namespace gw {
namespace {

constexpr size_t block_size = 64;

uint32_t load_be(const unsigned char* p) {
    return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | uint32_t{p[3]};
}

uint32_t load_le(const unsigned char* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

void store_be(uint32_t w, unsigned char* p) {
    p[0] = static_cast<unsigned char>(w >> 24);
    p[1] = static_cast<unsigned char>(w >> 16);
    p[2] = static_cast<unsigned char>(w >> 8);
    p[3] = static_cast<unsigned char>(w);
}

void store_le(uint32_t w, unsigned char* p) {
    p[0] = static_cast<unsigned char>(w);
    p[1] = static_cast<unsigned char>(w >> 8);
    p[2] = static_cast<unsigned char>(w >> 16);
    p[3] = static_cast<unsigned char>(w >> 24);
}

struct Sha1 {
    static constexpr size_t words = 5;
    static constexpr bool big_endian = true;
    using State = std::array<uint32_t, words>;

    static State initial() { return {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476, 0xc3d2e1f0}; }

    static void compress(State& h, const unsigned char* block) {
        // The schedule is kept as a ring of 16 words instead of 80.
        uint32_t w[16];
        for (int i = 0; i < 16; ++i) w[i] = load_be(block + 4 * i);
        uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4];
        for (int t = 0; t < 80; ++t) {
            uint32_t wt;
            if (t < 16) {
                wt = w[t];
            } else {
                wt = std::rotl(w[(t + 13) & 15] ^ w[(t + 8) & 15] ^ w[(t + 2) & 15] ^ w[t & 15], 1);
                w[t & 15] = wt;
            }
            uint32_t f, k;
            if (t < 20) {
                f = (b & c) | (~b & d);
                k = 0x5a827999;
            } else if (t < 40) {
                f = b ^ c ^ d;
                k = 0x6ed9eba1;
            } else if (t < 60) {
                f = (b & c) | (b & d) | (c & d);
                k = 0x8f1bbcdc;
            } else {
                f = b ^ c ^ d;
                k = 0xca62c1d6;
            }
            uint32_t temp = std::rotl(a, 5) + f + e + k + wt;
            e = d;
            d = c;
            c = std::rotl(b, 30);
            b = a;
            a = temp;
        }
        h[0] += a;
        h[1] += b;
        h[2] += c;
        h[3] += d;
        h[4] += e;
    }
};

constexpr uint32_t sha256_k[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2,
};

struct Sha256 {
    static constexpr size_t words = 8;
    static constexpr bool big_endian = true;
    using State = std::array<uint32_t, words>;

    static State initial() {
        return {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a, 0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
    }

    static void compress(State& h, const unsigned char* block) {
        uint32_t w[64];
        for (int i = 0; i < 16; ++i) w[i] = load_be(block + 4 * i);
        for (int t = 16; t < 64; ++t) {
            uint32_t s0 = std::rotr(w[t - 15], 7) ^ std::rotr(w[t - 15], 18) ^ (w[t - 15] >> 3);
            uint32_t s1 = std::rotr(w[t - 2], 17) ^ std::rotr(w[t - 2], 19) ^ (w[t - 2] >> 10);
            w[t] = w[t - 16] + s0 + w[t - 7] + s1;
        }
        uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4], f = h[5], g = h[6], hh = h[7];
        for (int t = 0; t < 64; ++t) {
            uint32_t big_s1 = std::rotr(e, 6) ^ std::rotr(e, 11) ^ std::rotr(e, 25);
            uint32_t ch = (e & f) ^ (~e & g);
            uint32_t t1 = hh + big_s1 + ch + sha256_k[t] + w[t];
            uint32_t big_s0 = std::rotr(a, 2) ^ std::rotr(a, 13) ^ std::rotr(a, 22);
            uint32_t maj = (a & b) ^ (a & c) ^ (b & c);
            uint32_t t2 = big_s0 + maj;
            hh = g;
            g = f;
            f = e;
            e = d + t1;
            d = c;
            c = b;
            b = a;
            a = t1 + t2;
        }
        h[0] += a;
        h[1] += b;
        h[2] += c;
        h[3] += d;
        h[4] += e;
        h[5] += f;
        h[6] += g;
        h[7] += hh;
    }
};

constexpr uint32_t md5_k[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391,
};

constexpr int md5_shift[4][4] = {{7, 12, 17, 22}, {5, 9, 14, 20}, {4, 11, 16, 23}, {6, 10, 15, 21}};

struct Md5 {
    static constexpr size_t words = 4;
    static constexpr bool big_endian = false;
    using State = std::array<uint32_t, words>;

    static State initial() { return {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476}; }

    static void compress(State& h, const unsigned char* block) {
        uint32_t x[16];
        for (int i = 0; i < 16; ++i) x[i] = load_le(block + 4 * i);
        uint32_t a = h[0], b = h[1], c = h[2], d = h[3];
        for (int t = 0; t < 64; ++t) {
            const int round = t / 16;
            uint32_t f;
            int g;
            switch (round) {
            case 0:
                f = (b & c) | (~b & d);
                g = t;
                break;
            case 1:
                f = (b & d) | (c & ~d);
                g = (5 * t + 1) & 15;
                break;
            case 2:
                f = b ^ c ^ d;
                g = (3 * t + 5) & 15;
                break;
            default:
                f = c ^ (b | ~d);
                g = (7 * t) & 15;
                break;
            }
            uint32_t rotated = std::rotl(a + f + md5_k[t] + x[g], md5_shift[round][t & 3]);
            a = d;
            d = c;
            c = b;
            b += rotated;
        }
        h[0] += a;
        h[1] += b;
        h[2] += c;
        h[3] += d;
    }
};

// Streams bytes into the compression function; only a partial block is
// ever copied.
template <class Algo>
class Hasher {
public:
    static constexpr size_t digest_size = Algo::words * 4;
    using Bytes = std::array<unsigned char, digest_size>;

    void update(const unsigned char* data, size_t size) {
        total_ += size;
        if (buffered_ > 0) {
            const size_t take = std::min(size, block_size - buffered_);
            std::memcpy(buffer_.data() + buffered_, data, take);
            buffered_ += take;
            data += take;
            size -= take;
            if (buffered_ < block_size) return;
            Algo::compress(state_, buffer_.data());
            buffered_ = 0;
        }
        for (; size >= block_size; data += block_size, size -= block_size) Algo::compress(state_, data);
        if (size > 0) {
            std::memcpy(buffer_.data(), data, size);
            buffered_ = size;
        }
    }

    void update(std::string_view data) {
        update(reinterpret_cast<const unsigned char*>(data.data()), data.size());
    }

    typename Algo::State finish_words() {
        // 0x80, zeros up to 8 bytes short of a block, then the bit length.
        const uint64_t bit_length = total_ * 8;
        unsigned char tail[2 * block_size] = {0x80};
        const size_t pad = (buffered_ < block_size - 8 ? block_size : 2 * block_size) - buffered_ - 8;
        for (int i = 0; i < 8; ++i) {
            const int shift = Algo::big_endian ? 56 - 8 * i : 8 * i;
            tail[pad + i] = static_cast<unsigned char>(bit_length >> shift);
        }
        update(tail, pad + 8);
        return state_;
    }

    Bytes finish() {
        const auto words = finish_words();
        Bytes out;
        for (size_t i = 0; i < Algo::words; ++i) {
            if constexpr (Algo::big_endian)
                store_be(words[i], out.data() + 4 * i);
            else
                store_le(words[i], out.data() + 4 * i);
        }
        return out;
    }

private:
    typename Algo::State state_ = Algo::initial();
    std::array<unsigned char, block_size> buffer_{};
    size_t buffered_ = 0;
    uint64_t total_ = 0;
};

template <class Algo>
typename Hasher<Algo>::Bytes hash(std::string_view data) {
    Hasher<Algo> hasher;
    hasher.update(data);
    return hasher.finish();
}

// RFC 2104 with a 64-byte block: a longer key is replaced by its digest,
// then the key is zero-filled to the block.
template <class Algo>
Hasher<Algo> hmac_outer(std::string_view key, std::string_view data) {
    std::array<unsigned char, block_size> padded_key{};
    if (key.size() > block_size) {
        const auto hashed = hash<Algo>(key);
        std::memcpy(padded_key.data(), hashed.data(), hashed.size());
    } else if (!key.empty()) {
        std::memcpy(padded_key.data(), key.data(), key.size());
    }

    std::array<unsigned char, block_size> pad;
    for (size_t i = 0; i < block_size; ++i) pad[i] = padded_key[i] ^ 0x36;
    Hasher<Algo> inner;
    inner.update(pad.data(), pad.size());
    inner.update(data);
    const auto inner_digest = inner.finish();

    for (size_t i = 0; i < block_size; ++i) pad[i] = padded_key[i] ^ 0x5c;
    Hasher<Algo> outer;
    outer.update(pad.data(), pad.size());
    outer.update(inner_digest.data(), inner_digest.size());
    return outer;
}

template <class Algo>
typename Hasher<Algo>::Bytes hmac(std::string_view key, std::string_view data) {
    return hmac_outer<Algo>(key, data).finish();
}

template <size_t N>
std::string to_string(const std::array<unsigned char, N>& bytes) {
    return std::string(reinterpret_cast<const char*>(bytes.data()), N);
}

template <size_t N>
std::string to_hex(const std::array<unsigned char, N>& bytes) {
    static constexpr char digits[] = "0123456789abcdef";
    std::string out(2 * N, '\0');
    for (size_t i = 0; i < N; ++i) {
        out[2 * i] = digits[bytes[i] >> 4];
        out[2 * i + 1] = digits[bytes[i] & 15];
    }
    return out;
}

template <size_t N>
std::string to_base64(const std::array<unsigned char, N>& bytes) {
    static constexpr char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((N + 2) / 3 * 4);
    for (size_t i = 0; i < N; i += 3) {
        const size_t left = N - i;
        uint32_t group = uint32_t{bytes[i]} << 16;
        if (left > 1) group |= uint32_t{bytes[i + 1]} << 8;
        if (left > 2) group |= bytes[i + 2];
        out += alphabet[group >> 18];
        out += alphabet[(group >> 12) & 63];
        out += left > 1 ? alphabet[(group >> 6) & 63] : '=';
        out += left > 2 ? alphabet[group & 63] : '=';
    }
    return out;
}

} // namespace

std::string Digest::sha1_raw(std::string_view data) { return to_string(hash<Sha1>(data)); }
std::string Digest::sha256_raw(std::string_view data) { return to_string(hash<Sha256>(data)); }

std::string Digest::hmac_sha1_raw(std::string_view key, std::string_view data) {
    return to_string(hmac<Sha1>(key, data));
}

std::string Digest::hmac_sha256_raw(std::string_view key, std::string_view data) {
    return to_string(hmac<Sha256>(key, data));
}

std::array<uint32_t, 4> Digest::hmac_md5_words(std::string_view key, std::string_view data) {
    return hmac_outer<Md5>(key, data).finish_words();
}

std::string Digest::hmac_sha1_hex(std::string_view key_text, std::string_view data_text) {
    return to_hex(hmac<Sha1>(until_nul(key_text), until_nul(data_text)));
}

std::string Digest::hmac_sha256_hex(std::string_view key_text, std::string_view data_text) {
    return to_hex(hmac<Sha256>(until_nul(key_text), until_nul(data_text)));
}

std::string Digest::hmac_md5_hex(std::string_view key_text, std::string_view data_text) {
    return to_hex(hmac<Md5>(until_nul(key_text), until_nul(data_text)));
}

std::string Digest::hmac_sha1_base64(std::string_view key_text, std::string_view data_text) {
    return to_base64(hmac<Sha1>(until_nul(key_text), until_nul(data_text)));
}

std::string Digest::hmac_sha256_base64(std::string_view key_text, std::string_view data_text) {
    return to_base64(hmac<Sha256>(until_nul(key_text), until_nul(data_text)));
}

std::string Digest::hmac_md5_base64(std::string_view key_text, std::string_view data_text) {
    return to_base64(hmac<Md5>(until_nul(key_text), until_nul(data_text)));
}

std::string Digest::sha1_hex(std::string_view data) { return to_hex(hash<Sha1>(data)); }
std::string Digest::sha256_hex(std::string_view data) { return to_hex(hash<Sha256>(data)); }
std::string Digest::md5_hex(std::string_view data) { return to_hex(hash<Md5>(data)); }
std::string Digest::sha1_base64(std::string_view data) { return to_base64(hash<Sha1>(data)); }
std::string Digest::sha256_base64(std::string_view data) { return to_base64(hash<Sha256>(data)); }
std::string Digest::md5_base64(std::string_view data) { return to_base64(hash<Md5>(data)); }

bool equal_in_constant_time(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    // Volatile keeps the compiler from turning the loop into an early exit.
    volatile unsigned char difference = 0;
    for (size_t i = 0; i < a.size(); ++i)
        difference = difference | static_cast<unsigned char>(a[i] ^ b[i]);
    return difference == 0;
}

} // namespace gw
