// Our ciphers against libgcrypt's, byte for byte, on random keys and data.
#include "Blowfish.h"
#include "CipherTestSupport.h"
#include "Twofish.h"

#include <gcrypt.h>
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

namespace quorvane {
namespace {

class GcryptCrossCheck : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_NE(gcry_check_version(nullptr), nullptr);
        gcry_control(GCRYCTL_INITIALIZATION_FINISHED, 0);
    }

    std::vector<uint8_t> RandomBytes(std::size_t n) {
        std::vector<uint8_t> v(n);
        for (auto& b : v) {
            b = static_cast<uint8_t>(random_());
        }
        return v;
    }

    std::size_t RandomBelow(std::size_t bound) { return random_() % bound; }

    // libgcrypt in CBC mode; returns the gcrypt error of setting the key (0 when the run happened).
    static gcry_err_code_t Reference(int algorithm, const std::vector<uint8_t>& key,
                                     const std::vector<uint8_t>& iv, const std::vector<uint8_t>& in,
                                     std::vector<uint8_t>& out, bool encrypt) {
        gcry_cipher_hd_t handle = nullptr;
        EXPECT_EQ(gcry_cipher_open(&handle, algorithm, GCRY_CIPHER_MODE_CBC, 0), 0u);
        const gcry_err_code_t keyError = gcry_err_code(gcry_cipher_setkey(handle, key.data(), key.size()));
        if (keyError == 0) {
            EXPECT_EQ(gcry_cipher_setiv(handle, iv.data(), iv.size()), 0u);
            out.resize(in.size());
            const gcry_error_t e =
                encrypt ? gcry_cipher_encrypt(handle, out.data(), out.size(), in.data(), in.size())
                        : gcry_cipher_decrypt(handle, out.data(), out.size(), in.data(), in.size());
            EXPECT_EQ(e, 0u);
        }
        gcry_cipher_close(handle);
        return keyError;
    }

    std::mt19937 random_{0x7F15};
};

// libgcrypt offers no 192-bit Twofish; that size is covered by the published vectors.
TEST_F(GcryptCrossCheck, TwofishCbc128And256BitKeys) {
    const std::pair<std::size_t, int> sizes[] = {{16, GCRY_CIPHER_TWOFISH128},
                                                 {32, GCRY_CIPHER_TWOFISH},
                                                 {32, GCRY_CIPHER_TWOFISH},
                                                 {32, GCRY_CIPHER_TWOFISH}};
    for (int round = 0; round < 50; ++round) {
        const auto [keyBytes, algorithm] = sizes[round % 4];
        const std::vector<uint8_t> key = RandomBytes(keyBytes);
        const std::vector<uint8_t> iv = RandomBytes(16);
        const std::vector<uint8_t> data = RandomBytes(16 * (1 + RandomBelow(64)));
        SCOPED_TRACE(test::ToHex(key) + " blocks " + std::to_string(data.size() / 16));

        TwofishKey ours{};
        ASSERT_TRUE(TwofishSetKey(ours, key.data(), key.size()));
        for (bool encrypt : {true, false}) {
            std::vector<uint8_t> expected;
            ASSERT_EQ(Reference(algorithm, key, iv, data, expected, encrypt), 0u);
            std::vector<uint8_t> got(data.size());
            std::vector<uint8_t> chain(iv);
            ASSERT_TRUE(encrypt ? TwofishEncryptCbc(ours, data.data(), got.data(), got.size(), chain.data())
                                : TwofishDecryptCbc(ours, data.data(), got.data(), got.size(), chain.data()));
            EXPECT_EQ(got, expected) << (encrypt ? "encrypt" : "decrypt");
        }
    }
}

// libgcrypt's Blowfish is the 16-round cipher; it refuses keys whose schedule repeats an S-box word
// (GPG_ERR_WEAK_KEY). Such a key is skipped, not compared, since the reference gives no bytes for it.
TEST_F(GcryptCrossCheck, BlowfishSixteenRoundCbc) {
    int compared = 0;
    for (int round = 0; round < 50; ++round) {
        const std::vector<uint8_t> key = RandomBytes(round % 2 ? 16 : 5 + RandomBelow(52));
        const std::vector<uint8_t> iv = RandomBytes(8);
        const std::vector<uint8_t> data = RandomBytes(8 * (1 + RandomBelow(64)));
        SCOPED_TRACE(test::ToHex(key) + " blocks " + std::to_string(data.size() / 8));

        auto ours = std::make_unique<Blowfish<16>::Schedule>();
        Blowfish<16>::SetKey(*ours, key.data(), static_cast<int32_t>(key.size()));
        for (bool encrypt : {true, false}) {
            std::vector<uint8_t> expected;
            const gcry_err_code_t keyError =
                Reference(GCRY_CIPHER_BLOWFISH, key, iv, data, expected, encrypt);
            if (keyError == GPG_ERR_WEAK_KEY) {
                break;
            }
            ASSERT_EQ(keyError, 0u);
            std::vector<uint8_t> got(data.size());
            std::vector<uint8_t> chain(iv);
            ASSERT_TRUE(
                encrypt ? Blowfish<16>::EncryptCbc(*ours, data.data(), got.data(), got.size(), chain.data())
                        : Blowfish<16>::DecryptCbc(*ours, data.data(), got.data(), got.size(), chain.data()));
            EXPECT_EQ(got, expected) << (encrypt ? "encrypt" : "decrypt");
            ++compared;
        }
    }
    EXPECT_GT(compared, 0);
}

} // namespace
} // namespace quorvane
