#pragma once
// Unaligned word loads and stores for the block ciphers. memcpy keeps them free of alignment and
// aliasing assumptions; compilers turn each into one move (plus a byte swap for big-endian words).
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace quorvane::bytes {

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__ || __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__);

inline uint32_t LoadLe32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
#if __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    v = __builtin_bswap32(v);
#endif
    return v;
}

inline void StoreLe32(uint8_t* p, uint32_t v) {
#if __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    v = __builtin_bswap32(v);
#endif
    std::memcpy(p, &v, 4);
}

inline uint32_t LoadBe32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    v = __builtin_bswap32(v);
#endif
    return v;
}

inline void StoreBe32(uint8_t* p, uint32_t v) {
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    v = __builtin_bswap32(v);
#endif
    std::memcpy(p, &v, 4);
}

inline uint32_t Rotl(uint32_t x, unsigned n) {
    return (x << n) | (x >> ((32 - n) & 31));
}
inline uint32_t Rotr(uint32_t x, unsigned n) {
    return (x >> n) | (x << ((32 - n) & 31));
}

// Zeroes key material in a way the optimiser may not drop as a dead store.
inline void SecureZero(void* p, std::size_t n) {
    std::memset(p, 0, n);
    __asm__ __volatile__("" : : "r"(p) : "memory");
}

} // namespace quorvane::bytes
