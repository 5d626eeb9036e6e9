// A unit decrypted piece by piece gives exactly the bytes of one Decrypt over the whole unit.
#include "CCipher.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
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

} // namespace
} // namespace quorvane
