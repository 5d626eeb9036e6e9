#include "Twofish.h"

#include "ByteOrder.h"

namespace quorvane {
namespace {

using bytes::LoadLe32;
using bytes::Rotl;
using bytes::Rotr;
using bytes::StoreLe32;

// The 4-bit tables from which the byte permutations q0 and q1 are built.
constexpr uint8_t kQNibbles[2][4][16] = {
    {{0x8, 0x1, 0x7, 0xD, 0x6, 0xF, 0x3, 0x2, 0x0, 0xB, 0x5, 0x9, 0xE, 0xC, 0xA, 0x4},
     {0xE, 0xC, 0xB, 0x8, 0x1, 0x2, 0x3, 0x5, 0xF, 0x4, 0xA, 0x6, 0x7, 0x0, 0x9, 0xD},
     {0xB, 0xA, 0x5, 0xE, 0x6, 0xD, 0x9, 0x0, 0xC, 0x8, 0xF, 0x3, 0x2, 0x4, 0x7, 0x1},
     {0xD, 0x7, 0xF, 0x4, 0x1, 0x2, 0x6, 0xE, 0x9, 0xB, 0x3, 0x0, 0x8, 0x5, 0xC, 0xA}},
    {{0x2, 0x8, 0xB, 0xD, 0xF, 0x7, 0x6, 0xE, 0x3, 0x1, 0x9, 0x4, 0x0, 0xA, 0xC, 0x5},
     {0x1, 0xE, 0x2, 0xB, 0x4, 0xC, 0x3, 0x7, 0x6, 0xD, 0xA, 0x5, 0xF, 0x9, 0x0, 0x8},
     {0x4, 0xC, 0x7, 0x5, 0x1, 0x6, 0x9, 0xA, 0x0, 0xE, 0xD, 0x8, 0x2, 0xB, 0x3, 0xF},
     {0xB, 0x9, 0x5, 0x1, 0xC, 0x3, 0xD, 0xE, 0x6, 0x4, 0x7, 0xF, 0x2, 0x0, 0x8, 0xA}},
};

// MDS matrix (rows give output bytes), over GF(2^8) modulo x^8 + x^6 + x^5 + x^3 + 1.
constexpr uint8_t kMds[4][4] = {
    {0x01, 0xEF, 0x5B, 0x5B},
    {0x5B, 0xEF, 0xEF, 0x01},
    {0xEF, 0x5B, 0x01, 0xEF},
    {0xEF, 0x01, 0xEF, 0x5B},
};
constexpr unsigned kMdsPoly = 0x169;

// Reed-Solomon matrix that derives the S-box key words, modulo x^8 + x^6 + x^3 + x^2 + 1.
constexpr uint8_t kRs[4][8] = {
    {0x01, 0xA4, 0x55, 0x87, 0x5A, 0x58, 0xDB, 0x9E},
    {0xA4, 0x56, 0x82, 0xF3, 0x1E, 0xC6, 0x68, 0xE5},
    {0x02, 0xA1, 0xFC, 0xC1, 0x47, 0xAE, 0x3D, 0x19},
    {0xA4, 0x55, 0x87, 0x5A, 0x58, 0xDB, 0x9E, 0x03},
};
constexpr unsigned kRsPoly = 0x14D;

constexpr uint8_t GfMul(uint8_t a, uint8_t b, unsigned poly) {
    unsigned x = a;
    unsigned r = 0;
    for (unsigned bits = b; bits != 0; bits >>= 1) {
        if (bits & 1) {
            r ^= x;
        }
        x <<= 1;
        if (x & 0x100) {
            x ^= poly;
        }
    }
    return static_cast<uint8_t>(r);
}

constexpr uint8_t Ror4(uint8_t x) {
    return static_cast<uint8_t>(((x >> 1) | (x << 3)) & 0xF);
}

constexpr uint8_t QPermute(int which, uint8_t x) {
    const auto& t = kQNibbles[which];
    uint8_t a = x >> 4;
    uint8_t b = x & 0xF;
    uint8_t a1 = a ^ b;
    uint8_t b1 = (a ^ Ror4(b) ^ (a << 3)) & 0xF;
    a = t[0][a1];
    b = t[1][b1];
    a1 = a ^ b;
    b1 = (a ^ Ror4(b) ^ (a << 3)) & 0xF;
    return static_cast<uint8_t>((t[3][b1] << 4) | t[2][a1]);
}

// Tables shared by every key: q0, q1, and for each input byte position the final q permutation
// followed by its MDS column.
struct Tables {
    uint8_t q[2][256];
    uint32_t mds[4][256];
};

// The final permutation of each byte position of h(): q1, q0, q1, q0.
constexpr int kFinalQ[4] = {1, 0, 1, 0};

const Tables& SharedTables() {
    static const Tables tables = [] {
        Tables t{};
        for (int x = 0; x < 256; ++x) {
            t.q[0][x] = QPermute(0, static_cast<uint8_t>(x));
            t.q[1][x] = QPermute(1, static_cast<uint8_t>(x));
        }
        for (int column = 0; column < 4; ++column) {
            for (int x = 0; x < 256; ++x) {
                const uint8_t y = t.q[kFinalQ[column]][x];
                uint32_t word = 0;
                for (int row = 0; row < 4; ++row) {
                    word |= static_cast<uint32_t>(GfMul(kMds[row][column], y, kMdsPoly)) << (8 * row);
                }
                t.mds[column][x] = word;
            }
        }
        return t;
    }();
    return tables;
}

inline uint8_t ByteOf(uint32_t word, int index) {
    return static_cast<uint8_t>(word >> (8 * index));
}

// h() before its final permutation and MDS step, for byte position `column` of input byte x, keyed
// by the k words l[0..k-1].
uint8_t HInner(const Tables& t, int column, uint8_t x, const uint32_t* l, int k) {
    // Which q each stage applies, per byte position; stages run from the k=4 one down to the last.
    static constexpr int kStage[4][4] = {
        {1, 0, 0, 1}, // k == 4 stage
        {1, 1, 0, 0}, // k >= 3 stage
        {0, 1, 0, 1}, // l1 stage
        {0, 0, 1, 1}, // l0 stage
    };
    if (k == 4) {
        x = t.q[kStage[0][column]][x] ^ ByteOf(l[3], column);
    }
    if (k >= 3) {
        x = t.q[kStage[1][column]][x] ^ ByteOf(l[2], column);
    }
    x = t.q[kStage[2][column]][x] ^ ByteOf(l[1], column);
    x = t.q[kStage[3][column]][x] ^ ByteOf(l[0], column);
    return x;
}

uint32_t H(const Tables& t, uint32_t x, const uint32_t* l, int k) {
    uint32_t z = 0;
    for (int column = 0; column < 4; ++column) {
        z ^= t.mds[column][HInner(t, column, ByteOf(x, column), l, k)];
    }
    return z;
}

inline uint32_t G0(const TwofishKey& key, uint32_t x) {
    return key.sbox[0][x & 0xFF] ^ key.sbox[1][(x >> 8) & 0xFF] ^ key.sbox[2][(x >> 16) & 0xFF] ^
           key.sbox[3][x >> 24];
}

// g() of the second round input, which enters rotated left by 8.
inline uint32_t G1(const TwofishKey& key, uint32_t x) {
    return key.sbox[0][x >> 24] ^ key.sbox[1][x & 0xFF] ^ key.sbox[2][(x >> 8) & 0xFF] ^
           key.sbox[3][(x >> 16) & 0xFF];
}

struct Block {
    uint32_t a, b, c, d;
};

inline void Encrypt(const TwofishKey& key, Block& x) {
    const uint32_t* k = key.subkeys;
    uint32_t a = x.a ^ k[0];
    uint32_t b = x.b ^ k[1];
    uint32_t c = x.c ^ k[2];
    uint32_t d = x.d ^ k[3];
#pragma GCC unroll 8
    for (int r = 0; r < 16; r += 2) {
        uint32_t t0 = G0(key, a);
        uint32_t t1 = G1(key, b);
        c = Rotr(c ^ (t0 + t1 + k[2 * r + 8]), 1);
        d = Rotl(d, 1) ^ (t0 + 2 * t1 + k[2 * r + 9]);
        t0 = G0(key, c);
        t1 = G1(key, d);
        a = Rotr(a ^ (t0 + t1 + k[2 * r + 10]), 1);
        b = Rotl(b, 1) ^ (t0 + 2 * t1 + k[2 * r + 11]);
    }
    x.a = c ^ k[4];
    x.b = d ^ k[5];
    x.c = a ^ k[6];
    x.d = b ^ k[7];
}

// Decrypts N independent blocks side by side, so that their look-ups overlap in the pipeline.
template <int N>
inline void Decrypt(const TwofishKey& key, Block* x) {
    const uint32_t* k = key.subkeys;
    uint32_t a[N], b[N], c[N], d[N];
    for (int i = 0; i < N; ++i) {
        c[i] = x[i].a ^ k[4];
        d[i] = x[i].b ^ k[5];
        a[i] = x[i].c ^ k[6];
        b[i] = x[i].d ^ k[7];
    }
#pragma GCC unroll 8
    for (int r = 15; r > 0; r -= 2) {
        for (int i = 0; i < N; ++i) {
            const uint32_t t0 = G0(key, c[i]);
            const uint32_t t1 = G1(key, d[i]);
            a[i] = Rotl(a[i], 1) ^ (t0 + t1 + k[2 * r + 8]);
            b[i] = Rotr(b[i] ^ (t0 + 2 * t1 + k[2 * r + 9]), 1);
        }
        for (int i = 0; i < N; ++i) {
            const uint32_t t0 = G0(key, a[i]);
            const uint32_t t1 = G1(key, b[i]);
            c[i] = Rotl(c[i], 1) ^ (t0 + t1 + k[2 * r + 6]);
            d[i] = Rotr(d[i] ^ (t0 + 2 * t1 + k[2 * r + 7]), 1);
        }
    }
    for (int i = 0; i < N; ++i) {
        x[i].a = a[i] ^ k[0];
        x[i].b = b[i] ^ k[1];
        x[i].c = c[i] ^ k[2];
        x[i].d = d[i] ^ k[3];
    }
}

inline Block Load(const uint8_t* p) {
    return {LoadLe32(p), LoadLe32(p + 4), LoadLe32(p + 8), LoadLe32(p + 12)};
}

inline void Store(uint8_t* p, const Block& x) {
    StoreLe32(p, x.a);
    StoreLe32(p + 4, x.b);
    StoreLe32(p + 8, x.c);
    StoreLe32(p + 12, x.d);
}

inline Block Xor(const Block& x, const Block& y) {
    return {x.a ^ y.a, x.b ^ y.b, x.c ^ y.c, x.d ^ y.d};
}

} // namespace

bool TwofishSetKey(TwofishKey& key, const uint8_t* keyBytes, std::size_t length) {
    if (length != 16 && length != 24 && length != 32) {
        return false;
    }
    const Tables& t = SharedTables();
    const int k = static_cast<int>(length / 8);

    uint32_t even[4] = {};
    uint32_t odd[4] = {};
    uint32_t sboxKey[4] = {}; // S_{k-1} .. S_0: the order in which h() takes them
    for (int i = 0; i < k; ++i) {
        even[i] = LoadLe32(keyBytes + 8 * i);
        odd[i] = LoadLe32(keyBytes + 8 * i + 4);
        uint32_t s = 0;
        for (int row = 0; row < 4; ++row) {
            uint8_t v = 0;
            for (int j = 0; j < 8; ++j) {
                v ^= GfMul(kRs[row][j], keyBytes[8 * i + j], kRsPoly);
            }
            s |= static_cast<uint32_t>(v) << (8 * row);
        }
        sboxKey[k - 1 - i] = s;
    }

    constexpr uint32_t kRho = 0x01010101;
    for (uint32_t i = 0; i < 20; ++i) {
        const uint32_t a = H(t, 2 * i * kRho, even, k);
        const uint32_t b = Rotl(H(t, (2 * i + 1) * kRho, odd, k), 8);
        key.subkeys[2 * i] = a + b;
        key.subkeys[2 * i + 1] = Rotl(a + 2 * b, 9);
    }
    for (int column = 0; column < 4; ++column) {
        for (int x = 0; x < 256; ++x) {
            key.sbox[column][x] = t.mds[column][HInner(t, column, static_cast<uint8_t>(x), sboxKey, k)];
        }
    }
    key.keyBits = static_cast<uint32_t>(length * 8);

    bytes::SecureZero(even, sizeof even);
    bytes::SecureZero(odd, sizeof odd);
    bytes::SecureZero(sboxKey, sizeof sboxKey);
    return true;
}

void TwofishEncryptBlock(const TwofishKey& key, const uint8_t* in, uint8_t* out) {
    Block x = Load(in);
    Encrypt(key, x);
    Store(out, x);
}

void TwofishDecryptBlock(const TwofishKey& key, const uint8_t* in, uint8_t* out) {
    Block x = Load(in);
    Decrypt<1>(key, &x);
    Store(out, x);
}

bool TwofishEncryptCbc(const TwofishKey& key, const uint8_t* in, uint8_t* out, std::size_t length,
                       uint8_t iv[kTwofishBlockBytes]) {
    if (length % kTwofishBlockBytes != 0) {
        return false;
    }
    Block chain = Load(iv);
    for (std::size_t at = 0; at < length; at += kTwofishBlockBytes) {
        chain = Xor(chain, Load(in + at));
        Encrypt(key, chain);
        Store(out + at, chain);
    }
    Store(iv, chain);
    return true;
}

bool TwofishDecryptCbc(const TwofishKey& key, const uint8_t* in, uint8_t* out, std::size_t length,
                       uint8_t iv[kTwofishBlockBytes]) {
    if (length % kTwofishBlockBytes != 0) {
        return false;
    }
    constexpr int kLanes = 4;
    constexpr std::size_t kStride = kLanes * kTwofishBlockBytes;
    Block chain = Load(iv);
    std::size_t at = 0;
    // Every cipher block is read before any plain block is written, which keeps in-place use correct.
    for (; at + kStride <= length; at += kStride) {
        Block cipher[kLanes];
        Block plain[kLanes];
        for (int i = 0; i < kLanes; ++i) {
            cipher[i] = Load(in + at + i * kTwofishBlockBytes);
            plain[i] = cipher[i];
        }
        Decrypt<kLanes>(key, plain);
        Store(out + at, Xor(plain[0], chain));
        for (int i = 1; i < kLanes; ++i) {
            Store(out + at + i * kTwofishBlockBytes, Xor(plain[i], cipher[i - 1]));
        }
        chain = cipher[kLanes - 1];
    }
    for (; at < length; at += kTwofishBlockBytes) {
        const Block cipher = Load(in + at);
        Block plain = cipher;
        Decrypt<1>(key, &plain);
        Store(out + at, Xor(plain, chain));
        chain = cipher;
    }
    Store(iv, chain);
    return true;
}

} // namespace quorvane
