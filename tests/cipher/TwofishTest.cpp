#include "Twofish.h"
#include "CipherTestSupport.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace quorvane {
namespace {

using test::FromHex;
using test::ToHex;

std::string EncryptHex(const std::vector<uint8_t>& key, const std::vector<uint8_t>& plain) {
    TwofishKey k{};
    EXPECT_TRUE(TwofishSetKey(k, key.data(), key.size()));
    uint8_t out[16];
    TwofishEncryptBlock(k, plain.data(), out);
    return ToHex(out, sizeof out);
}

std::string DecryptHex(const std::vector<uint8_t>& key, const std::vector<uint8_t>& cipher) {
    TwofishKey k{};
    EXPECT_TRUE(TwofishSetKey(k, key.data(), key.size()));
    uint8_t out[16];
    TwofishDecryptBlock(k, cipher.data(), out);
    return ToHex(out, sizeof out);
}

struct KnownAnswer {
    const char* key;
    const char* plain;
    const char* cipher;
};

// Single-block vectors of the cipher's authors for each key size.
TEST(Twofish, PublishedVectorsForEveryKeySize) {
    const KnownAnswer cases[] = {
        {"00000000000000000000000000000000", "00000000000000000000000000000000",
         "9F589F5CF6122C32B6BFEC2F2AE8C35A"},
        {"0123456789ABCDEFFEDCBA98765432100011223344556677", "00000000000000000000000000000000",
         "CFD1D2E5A9BE9CDF501F13B892BD2248"},
        {"0123456789ABCDEFFEDCBA987654321000112233445566778899AABBCCDDEEFF",
         "00000000000000000000000000000000", "37527BE0052334B89F0CFCCAE87CFA20"},
        {"0000000000000000000000000000000000000000000000000000000000000000",
         "00000000000000000000000000000000", "57FF739D4DC92C1BD7FC01700CC8216F"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        EXPECT_EQ(EncryptHex(FromHex(c.key), FromHex(c.plain)), c.cipher);
        EXPECT_EQ(DecryptHex(FromHex(c.key), FromHex(c.cipher)), c.plain);
    }
}

// The iterated table of the Twofish paper: starting from an all-zero key and block, each ciphertext
// becomes the next plaintext and each plaintext the start of the next key (the rest of the key is
// the front of the previous one). Checks the published values at the given steps, and that every
// step decrypts back.
TEST(Twofish, IteratedTableOfThePaper) {
    struct Chain {
        std::size_t keyBytes;
        std::map<int, std::string> expected; // step I -> CT
    };
    const Chain chains[] = {
        {16,
         {{1, "9F589F5CF6122C32B6BFEC2F2AE8C35A"},
          {2, "D491DB16E7B1C39E86CB086B789F5419"},
          {3, "019F9809DE1711858FAAC3A3BA20FBC3"},
          {48, "6B459286F3FFD28D49F15B1581B08E42"},
          {49, "5D9D4EEFFA9151575524F115815A12E0"}}},
        {24,
         {{1, "EFA71F788965BD4453F860178FC19101"},
          {2, "88B2B2706B105E36B446BB6D731A1E88"},
          {3, "39DA69D6BA4997D585B6DC073CA341B2"},
          {4, "182B02D81497EA45F9DAACDC29193A65"},
          {48, "F0AB73301125FA21EF70BE5385FB76B6"},
          {49, "E75449212BEEF9F4A390BD860A640941"}}},
        {32,
         {{1, "57FF739D4DC92C1BD7FC01700CC8216F"},
          {2, "D43BB7556EA32E46F2A282B7D45B4E0D"},
          {3, "90AFE91BB288544F2C32DC239B2635E6"},
          {4, "6CB4561C40BF0A9705931CB6D408E7FA"},
          {5, "3059D6D61753B958D92F4781C8640E58"},
          {6, "E69465770505D7F80EF68CA38AB3A3D6"},
          {49, "37FE26FF1CF66175F5DDF4C33B97A205"}}},
    };
    for (const auto& chain : chains) {
        SCOPED_TRACE(chain.keyBytes * 8);
        std::vector<uint8_t> key(chain.keyBytes, 0);
        std::vector<uint8_t> plain(16, 0);
        for (int step = 1; step <= 49; ++step) {
            TwofishKey k{};
            ASSERT_TRUE(TwofishSetKey(k, key.data(), key.size()));
            std::vector<uint8_t> cipher(16);
            TwofishEncryptBlock(k, plain.data(), cipher.data());
            std::vector<uint8_t> back(16);
            TwofishDecryptBlock(k, cipher.data(), back.data());
            EXPECT_EQ(back, plain) << "step " << step;
            if (auto it = chain.expected.find(step); it != chain.expected.end()) {
                EXPECT_EQ(ToHex(cipher), it->second) << "step " << step;
            }
            std::vector<uint8_t> nextKey(plain);
            nextKey.insert(nextKey.end(), key.begin(), key.begin() + static_cast<long>(chain.keyBytes - 16));
            key = nextKey;
            plain = cipher;
        }
    }
}

TEST(Twofish, RefusesOtherKeyLengthsAndLeavesTheKeyAlone) {
    TwofishKey k{};
    const std::vector<uint8_t> bytes(40, 0x5A);
    for (std::size_t length : {0u, 1u, 15u, 17u, 31u, 33u, 40u}) {
        EXPECT_FALSE(TwofishSetKey(k, bytes.data(), length)) << length;
    }
    EXPECT_EQ(k.keyBits, 0u);
    EXPECT_EQ(k.subkeys[0], 0u);
}

TEST(Twofish, CbcChainsBlocksAndHandsBackTheLastCipherBlock) {
    const std::vector<uint8_t> key =
        FromHex("0123456789ABCDEFFEDCBA987654321000112233445566778899AABBCCDDEEFF");
    TwofishKey k{};
    ASSERT_TRUE(TwofishSetKey(k, key.data(), key.size()));
    std::vector<uint8_t> plain(48, 0x11); // three equal blocks
    const std::vector<uint8_t> ivStart = FromHex("000102030405060708090A0B0C0D0E0F");

    std::vector<uint8_t> cipher(plain.size());
    std::vector<uint8_t> iv(ivStart);
    ASSERT_TRUE(TwofishEncryptCbc(k, plain.data(), cipher.data(), cipher.size(), iv.data()));
    // Block by block by hand: C_i = E(P_i ^ C_{i-1}).
    std::vector<uint8_t> prev(ivStart);
    for (std::size_t at = 0; at < plain.size(); at += 16) {
        uint8_t x[16];
        for (int j = 0; j < 16; ++j) {
            x[j] = plain[at + j] ^ prev[j];
        }
        uint8_t expected[16];
        TwofishEncryptBlock(k, x, expected);
        EXPECT_EQ(ToHex(cipher.data() + at, 16), ToHex(expected, 16)) << at;
        prev.assign(expected, expected + 16);
    }
    EXPECT_EQ(iv, prev);

    std::vector<uint8_t> back(plain.size());
    iv = ivStart;
    ASSERT_TRUE(TwofishDecryptCbc(k, cipher.data(), back.data(), back.size(), iv.data()));
    EXPECT_EQ(back, plain);
    EXPECT_EQ(iv, prev);
}

} // namespace
} // namespace quorvane
