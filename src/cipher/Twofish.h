#pragma once
// Twofish as published (128-bit block, 16 rounds) for 128-, 192- and 256-bit keys, with the
// key-dependent S-boxes fully expanded per key so that a round costs only table look-ups.
// Blocks are four little-endian 32-bit words, as in the cipher's definition.
#include <cstddef>
#include <cstdint>

namespace quorvane {

constexpr std::size_t kTwofishBlockBytes = 16;

// A prepared key. Read-only once TwofishSetKey has filled it, so encrypting and decrypting with the
// same key may alternate freely.
struct TwofishKey {
    uint32_t subkeys[40];  // K0..K7 whitening words, K8..K39 round subkeys
    uint32_t sbox[4][256]; // g() split per input byte: key-dependent S-box followed by its MDS column
    uint32_t keyBits;      // 128, 192 or 256 once keyed, 0 before
};

// Prepares `key` from 16, 24 or 32 key bytes; false (and `key` untouched) for any other length.
bool TwofishSetKey(TwofishKey& key, const uint8_t* keyBytes, std::size_t length);

// One block; `in` and `out` may be the same buffer.
void TwofishEncryptBlock(const TwofishKey& key, const uint8_t* in, uint8_t* out);
void TwofishDecryptBlock(const TwofishKey& key, const uint8_t* in, uint8_t* out);

// CBC over `length` bytes. `iv` is read as the chaining value and receives the last cipher block.
// `in` and `out` may be the same buffer (not otherwise overlapping). Returns false without touching
// `out` or `iv` when `length` is not a whole number of blocks.
bool TwofishEncryptCbc(const TwofishKey& key, const uint8_t* in, uint8_t* out, std::size_t length,
                       uint8_t iv[kTwofishBlockBytes]);
bool TwofishDecryptCbc(const TwofishKey& key, const uint8_t* in, uint8_t* out, std::size_t length,
                       uint8_t iv[kTwofishBlockBytes]);

} // namespace quorvane
