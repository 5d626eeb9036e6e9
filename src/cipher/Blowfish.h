#pragma once
// Blowfish with a configurable, even number of rounds. Blowfish<16> is the published cipher; the
// archive runs Blowfish<20>, whose P-array has 22 words (the published 18, then four that start at 0)
// and which cycles at most 88 key bytes. Blocks are two big-endian 32-bit words.
#include "ByteOrder.h"

#include <cstddef>
#include <cstdint>

namespace quorvane {

// The fractional hexadecimal digits of pi that seed every key schedule.
extern const uint32_t kBlowfishInitialP[18];
extern const uint32_t kBlowfishInitialS[4][256];

template <int Rounds>
class Blowfish {
    static_assert(Rounds >= 2 && Rounds % 2 == 0, "the round structure needs an even round count");

public:
    static constexpr int kPWords = Rounds + 2;
    static constexpr int kMaxKeyBytes = kPWords * 4; // key bytes beyond this never reach the P-array
    static constexpr std::size_t kBlockBytes = 8;

    struct Schedule {
        uint32_t p[kPWords];
        uint32_t s[4][256];
    };

    // Builds the schedule from `length` key bytes (only the first kMaxKeyBytes count). A length of 0 or
    // less leaves the initial P-array unmixed; the cipher still runs its full expansion.
    // Costs (kPWords / 2 + 512) block encryptions.
    static void SetKey(Schedule& k, const uint8_t* key, int32_t length) {
        for (int i = 0; i < kPWords; ++i) {
            k.p[i] = i < 18 ? kBlowfishInitialP[i] : 0;
        }
        for (int b = 0; b < 4; ++b) {
            for (int i = 0; i < 256; ++i) {
                k.s[b][i] = kBlowfishInitialS[b][i];
            }
        }
        const int32_t n = length > kMaxKeyBytes ? kMaxKeyBytes : length;
        if (n > 0) {
            int32_t at = 0;
            for (int i = 0; i < kPWords; ++i) {
                uint32_t word = 0;
                for (int j = 0; j < 4; ++j) {
                    word = (word << 8) | key[at];
                    at = at + 1 == n ? 0 : at + 1;
                }
                k.p[i] ^= word;
            }
        }
        uint32_t l = 0;
        uint32_t r = 0;
        for (int i = 0; i < kPWords; i += 2) {
            EncryptBlock(k, l, r);
            k.p[i] = l;
            k.p[i + 1] = r;
        }
        for (int b = 0; b < 4; ++b) {
            for (int i = 0; i < 256; i += 2) {
                EncryptBlock(k, l, r);
                k.s[b][i] = l;
                k.s[b][i + 1] = r;
            }
        }
    }

    // One block in place: (l, r) become the two output words in output order.
    static inline void EncryptBlock(const Schedule& k, uint32_t& l, uint32_t& r) {
        uint32_t xl = l ^ k.p[0];
        uint32_t xr = r;
#pragma GCC unroll 32
        for (int i = 1; i <= Rounds; i += 2) {
            xr ^= k.p[i] ^ F(k, xl);
            xl ^= k.p[i + 1] ^ F(k, xr);
        }
        l = xr ^ k.p[Rounds + 1];
        r = xl;
    }

    static inline void DecryptBlock(const Schedule& k, uint32_t& l, uint32_t& r) {
        uint32_t xl = l ^ k.p[Rounds + 1];
        uint32_t xr = r;
#pragma GCC unroll 32
        for (int i = Rounds; i >= 2; i -= 2) {
            xr ^= k.p[i] ^ F(k, xl);
            xl ^= k.p[i - 1] ^ F(k, xr);
        }
        l = xr ^ k.p[0];
        r = xl;
    }

    // CBC over `length` bytes. `iv` is read as the chaining value and receives the last cipher block.
    // `in` and `out` may be the same buffer (not otherwise overlapping). Returns false without
    // touching `out` or `iv` when `length` is not a whole number of blocks.
    static bool EncryptCbc(const Schedule& k, const uint8_t* in, uint8_t* out, std::size_t length,
                           uint8_t iv[kBlockBytes]) {
        if (length % kBlockBytes != 0) {
            return false;
        }
        uint32_t cl = bytes::LoadBe32(iv);
        uint32_t cr = bytes::LoadBe32(iv + 4);
        for (std::size_t at = 0; at < length; at += kBlockBytes) {
            cl ^= bytes::LoadBe32(in + at);
            cr ^= bytes::LoadBe32(in + at + 4);
            EncryptBlock(k, cl, cr);
            bytes::StoreBe32(out + at, cl);
            bytes::StoreBe32(out + at + 4, cr);
        }
        bytes::StoreBe32(iv, cl);
        bytes::StoreBe32(iv + 4, cr);
        return true;
    }

    static bool DecryptCbc(const Schedule& k, const uint8_t* in, uint8_t* out, std::size_t length,
                           uint8_t iv[kBlockBytes]) {
        if (length % kBlockBytes != 0) {
            return false;
        }
        uint32_t cl = bytes::LoadBe32(iv);
        uint32_t cr = bytes::LoadBe32(iv + 4);
        std::size_t at = 0;
        // Blocks are independent when decrypting: several at a time keep their look-ups in flight.
        // Every cipher block is read before any plain block is written, so in-place use is safe.
        constexpr int kLanes = 4;
        for (; at + kLanes * kBlockBytes <= length; at += kLanes * kBlockBytes) {
            uint32_t l[kLanes], r[kLanes], xl[kLanes], xr[kLanes];
            for (int i = 0; i < kLanes; ++i) {
                xl[i] = l[i] = bytes::LoadBe32(in + at + i * kBlockBytes);
                xr[i] = r[i] = bytes::LoadBe32(in + at + i * kBlockBytes + 4);
            }
            DecryptBlocks<kLanes>(k, xl, xr);
            bytes::StoreBe32(out + at, xl[0] ^ cl);
            bytes::StoreBe32(out + at + 4, xr[0] ^ cr);
            for (int i = 1; i < kLanes; ++i) {
                bytes::StoreBe32(out + at + i * kBlockBytes, xl[i] ^ l[i - 1]);
                bytes::StoreBe32(out + at + i * kBlockBytes + 4, xr[i] ^ r[i - 1]);
            }
            cl = l[kLanes - 1];
            cr = r[kLanes - 1];
        }
        for (; at < length; at += kBlockBytes) {
            const uint32_t l0 = bytes::LoadBe32(in + at);
            const uint32_t r0 = bytes::LoadBe32(in + at + 4);
            uint32_t a0 = l0;
            uint32_t b0 = r0;
            DecryptBlock(k, a0, b0);
            bytes::StoreBe32(out + at, a0 ^ cl);
            bytes::StoreBe32(out + at + 4, b0 ^ cr);
            cl = l0;
            cr = r0;
        }
        bytes::StoreBe32(iv, cl);
        bytes::StoreBe32(iv + 4, cr);
        return true;
    }

private:
    static inline uint32_t F(const Schedule& k, uint32_t x) {
        return ((k.s[0][x >> 24] + k.s[1][(x >> 16) & 0xFF]) ^ k.s[2][(x >> 8) & 0xFF]) + k.s[3][x & 0xFF];
    }

    template <int N>
    static inline void DecryptBlocks(const Schedule& k, uint32_t* l, uint32_t* r) {
        uint32_t xl[N], xr[N];
        for (int j = 0; j < N; ++j) {
            xl[j] = l[j] ^ k.p[Rounds + 1];
            xr[j] = r[j];
        }
#pragma GCC unroll 32
        for (int i = Rounds; i >= 2; i -= 2) {
            for (int j = 0; j < N; ++j) {
                xr[j] ^= k.p[i] ^ F(k, xl[j]);
            }
            for (int j = 0; j < N; ++j) {
                xl[j] ^= k.p[i - 1] ^ F(k, xr[j]);
            }
        }
        for (int j = 0; j < N; ++j) {
            l[j] = xr[j] ^ k.p[0];
            r[j] = xl[j];
        }
    }
};

} // namespace quorvane
