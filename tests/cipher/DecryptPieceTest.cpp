// A unit decrypted piece by piece gives exactly the bytes of one Decrypt over the whole unit.
#include "CCipher.h"
#include "CipherTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace quorvane {
namespace {

TEST(DecryptPiece, PiecesChainIntoTheWholeUnitForEveryMethod) {
    std::mt19937 rng(7);
    for (uint32_t method : {kMethodTwofish, kMethodBlowfish, kMethodBasic}) {
        CCipher cipher;
        CipherState state;
        std::strcpy(reinterpret_cast<char*>(state.password), "piece-by-piece");
        cipher.SetKey(state, method);
        std::vector<uint8_t> plain(16 * 200);
        for (uint8_t& b : plain) {
            b = static_cast<uint8_t>(rng());
        }
        std::vector<uint8_t> unit(plain.size());
        ASSERT_EQ(cipher.Encrypt(state, plain.data(), unit.data(), static_cast<uint32_t>(unit.size())), 0);

        // Uneven pieces, decrypted in place.
        std::vector<uint8_t> work = unit;
        uint8_t chain[CCipher::kChainBytes];
        CCipher::BeginChain(chain);
        size_t at = 0;
        while (at < work.size()) {
            const size_t piece = std::min<size_t>(work.size() - at, 16 * (1 + rng() % 23));
            ASSERT_EQ(cipher.DecryptPiece(state, work.data() + at, work.data() + at,
                                          static_cast<uint32_t>(piece), chain),
                      0);
            at += piece;
        }
        EXPECT_EQ(work, plain) << std::hex << method;
        EXPECT_EQ(cipher.DecryptPiece(state, work.data(), work.data(), 24, chain), 1) << "not a whole piece";
    }
}

// A text field read only up to its terminator: the same text as the whole field decrypted, under
// the known-answer keys of every method and unencrypted, for texts ending on either side of each
// piece boundary; nothing past the piece that holds the terminator is written.
TEST(DecryptPiece, ATextReadUpToItsTerminatorIsTheWholeFieldsText) {
    struct Key {
        std::string method;
        std::string password;
        std::string stored; // the known unit of bytes 00 01 02 ..., or empty
    };
    std::vector<Key> keys = {{"none", "", ""}};
    for (const auto& row : test::ReadVectorFile("archive-units.txt")) {
        if (row[0] != "#" && row.size() == 3) {
            keys.push_back({row[0], row[1], row[2]});
        }
    }
    ASSERT_GT(keys.size(), 1u) << "no known-answer units";
    constexpr uint8_t kUntouched = 0xEE;
    for (const Key& key : keys) {
        SCOPED_TRACE(key.method + " " + key.password);
        CCipher cipher;
        auto state = std::make_unique<CipherState>(); // two key schedules: off the stack
        if (key.method != "none") {
            const uint32_t method = key.method == "twofish"    ? kMethodTwofish
                                    : key.method == "blowfish" ? kMethodBlowfish
                                                               : kMethodBasic;
            std::memcpy(state->password, key.password.data(), key.password.size());
            ASSERT_EQ(cipher.SetKey(*state, method), 0);
        }
        if (!key.stored.empty()) {
            // The unit starts with a 0 byte: an empty text, one piece decrypted.
            const std::vector<uint8_t> stored = test::FromHex(key.stored);
            std::vector<uint8_t> out(stored.size(), kUntouched);
            EXPECT_EQ(cipher.DecryptTerminated(*state, stored.data(), out.data(),
                                               static_cast<uint32_t>(stored.size())),
                      0);
            for (size_t i = 0; i < out.size(); ++i) {
                EXPECT_EQ(out[i], i < 16 ? i : kUntouched) << "byte " << i;
            }
        }
        for (size_t length : {0u, 1u, 15u, 16u, 17u, 31u, 32u, 126u, 127u, 128u}) {
            SCOPED_TRACE(length);
            // The text, its terminator, then bytes that are never 0 (what the field holds behind
            // a name is not the reader's business).
            std::vector<uint8_t> plain(128);
            for (size_t i = 0; i < plain.size(); ++i) {
                plain[i] = i < length    ? static_cast<uint8_t>('a' + (i * 5) % 26)
                           : i == length ? 0
                                         : static_cast<uint8_t>(0x80 + i % 0x7F);
            }
            std::vector<uint8_t> field(plain.size());
            ASSERT_EQ(cipher.Encrypt(*state, plain.data(), field.data(), 128), 0);
            std::vector<uint8_t> whole(plain.size());
            ASSERT_EQ(cipher.Decrypt(*state, field.data(), whole.data(), 128), 0);
            ASSERT_EQ(whole, plain);

            std::vector<uint8_t> part(plain.size(), kUntouched);
            EXPECT_EQ(cipher.DecryptTerminated(*state, field.data(), part.data(), 128),
                      static_cast<int32_t>(length));
            const size_t decrypted = std::min<size_t>(128, (length / 16 + 1) * 16);
            EXPECT_TRUE(std::equal(part.begin(), part.begin() + static_cast<long>(decrypted), whole.begin()));
            EXPECT_TRUE(std::all_of(part.begin() + static_cast<long>(decrypted), part.end(), [](uint8_t b) {
                return b == kUntouched;
            })) << "decrypted past the terminator's piece";
        }
        std::vector<uint8_t> odd(24);
        EXPECT_EQ(cipher.DecryptTerminated(*state, odd.data(), odd.data(), 24), -1) << "not whole pieces";
    }
}

} // namespace
} // namespace quorvane
