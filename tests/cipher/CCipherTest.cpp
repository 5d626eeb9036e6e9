#include "CCipher.h"
#include "CipherTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace quorvane {
namespace {

using test::FromHex;
using test::ToHex;

constexpr uint32_t kMethods[] = {kMethodTwofish, kMethodBlowfish, kMethodBasic};

// CipherState holds two full key schedules (about 8 KiB); keep it off the test's stack.
std::unique_ptr<CipherState> Keyed(const std::string& password, uint32_t method) {
    auto state = std::make_unique<CipherState>();
    std::memcpy(state->password, password.data(), password.size());
    CCipher cipher;
    EXPECT_EQ(cipher.SetKey(*state, method), 0);
    return state;
}

std::vector<uint8_t> Counting(std::size_t length) {
    std::vector<uint8_t> v(length);
    for (std::size_t i = 0; i < length; ++i) {
        v[i] = static_cast<uint8_t>(i);
    }
    return v;
}

uint32_t MethodNamed(const std::string& name) {
    if (name == "twofish") {
        return kMethodTwofish;
    }
    if (name == "blowfish") {
        return kMethodBlowfish;
    }
    if (name == "basic") {
        return kMethodBasic;
    }
    ADD_FAILURE() << "unknown method " << name;
    return kMethodNone;
}

// Units exactly as an archive stores them, computed by an independent implementation.
TEST(CCipher, ReproducesStoredArchiveUnits) {
    const auto rows = test::ReadVectorFile("archive-units.txt");
    const std::vector<uint8_t> plain = Counting(64);
    int checked = 0;
    for (const auto& row : rows) {
        if (row[0] == "#") {
            continue;
        }
        ASSERT_EQ(row.size(), 3u);
        SCOPED_TRACE(row[0] + " " + row[1]);
        auto state = Keyed(row[1], MethodNamed(row[0]));
        CCipher cipher;
        std::vector<uint8_t> stored(64);
        ASSERT_EQ(cipher.Encrypt(*state, plain.data(), stored.data(), 64), 0);
        EXPECT_EQ(ToHex(stored), row[2]);
        std::vector<uint8_t> back(64);
        ASSERT_EQ(cipher.Decrypt(*state, FromHex(row[2]).data(), back.data(), 64), 0);
        EXPECT_EQ(back, plain);
        ++checked;
    }
    EXPECT_GT(checked, 0) << "no units found";
}

// The fill rule and the key bytes each method takes, for passwords around every boundary.
TEST(CCipher, SetKeyFillsThePasswordBufferAndKeysEachMethodFromTheRightBytes) {
    for (std::size_t length : {1u, 4u, 31u, 32u, 88u, 89u, 255u}) {
        SCOPED_TRACE(length);
        std::string password;
        for (std::size_t i = 0; i < length; ++i) {
            password += static_cast<char>('!' + (i * 7) % 90); // printable, never 0
        }
        auto state = Keyed(password, kMethodTwofish);
        EXPECT_EQ(state->enabled, 1);
        EXPECT_EQ(state->method, kMethodTwofish);

        // Characters, the terminator, then each byte holding its own position.
        uint8_t expected[256];
        for (std::size_t k = 0; k < 256; ++k) {
            expected[k] = k < length    ? static_cast<uint8_t>(password[k])
                          : k == length ? 0
                                        : static_cast<uint8_t>(k);
        }
        EXPECT_EQ(ToHex(state->password, 256), ToHex(expected, 256));

        // Twofish: a 256-bit key of buffer bytes 0..31.
        TwofishKey twofish{};
        ASSERT_TRUE(TwofishSetKey(twofish, expected, 32));
        EXPECT_EQ(std::memcmp(&twofish, &state->twofish, sizeof twofish), 0);

        // Blowfish: the characters only, of which at most 88 count.
        auto blowfish = std::make_unique<ArchiveBlowfish::Schedule>();
        ArchiveBlowfish::SetKey(*blowfish, reinterpret_cast<const uint8_t*>(password.data()),
                                static_cast<int32_t>(std::min<std::size_t>(length, 88)));
        EXPECT_EQ(std::memcmp(blowfish.get(), &state->blowfish, sizeof *blowfish), 0);

        // Basic: buffer bytes 0..3, four times over a zero unit.
        CCipher cipher;
        std::vector<uint8_t> zeros(16, 0);
        std::vector<uint8_t> out(16);
        ASSERT_EQ(cipher.Encrypt(*Keyed(password, kMethodBasic), zeros.data(), out.data(), 16), 0);
        for (std::size_t i = 0; i < 16; ++i) {
            EXPECT_EQ(out[i], expected[i % 4]) << i;
        }
    }
}

// A buffer with no terminator in its 256 bytes has nothing to fill and counts as a 256-character
// password.
TEST(CCipher, SetKeyLeavesAnUnterminatedBufferAsItIs) {
    auto state = std::make_unique<CipherState>();
    std::memset(state->password, 'x', sizeof state->password);
    CCipher cipher;
    ASSERT_EQ(cipher.SetKey(*state, kMethodBlowfish), 0);
    EXPECT_EQ(state->enabled, 1);
    for (uint8_t b : state->password) {
        ASSERT_EQ(b, 'x');
    }
    EXPECT_EQ(std::memcmp(&state->blowfish, &Keyed(std::string(88, 'x'), kMethodBlowfish)->blowfish,
                          sizeof state->blowfish),
              0);
}

TEST(CCipher, PasswordsSharingAPrefixShareTheKeysThatPrefixDecides) {
    const std::string base(100, 'q');
    std::string differAt33 = base;
    differAt33[32] = 'Z';
    std::string differAt89 = base;
    differAt89[88] = 'Z';
    auto a = Keyed(base, kMethodTwofish);
    auto b = Keyed(differAt33, kMethodTwofish);
    auto c = Keyed(differAt89, kMethodTwofish);
    EXPECT_EQ(std::memcmp(&a->twofish, &b->twofish, sizeof a->twofish), 0);
    EXPECT_NE(std::memcmp(&a->blowfish, &b->blowfish, sizeof a->blowfish), 0);
    EXPECT_EQ(std::memcmp(&a->blowfish, &c->blowfish, sizeof a->blowfish), 0);
}

TEST(CCipher, EmptyPasswordMakesEveryMethodAPlainCopy) {
    const std::vector<uint8_t> plain = Counting(48);
    for (uint32_t method : {uint32_t{kMethodNone}, uint32_t{kMethodTwofish}, uint32_t{kMethodBlowfish},
                            uint32_t{kMethodBasic}, uint32_t{0x12345678}}) {
        SCOPED_TRACE(method);
        auto state = Keyed("", method);
        EXPECT_EQ(state->enabled, 0);
        CCipher cipher;
        std::vector<uint8_t> out(48, 0xEE);
        EXPECT_EQ(cipher.Encrypt(*state, plain.data(), out.data(), 48), 0);
        EXPECT_EQ(out, plain);
        std::fill(out.begin(), out.end(), 0xEE);
        EXPECT_EQ(cipher.Decrypt(*state, plain.data(), out.data(), 48), 0);
        EXPECT_EQ(out, plain);
    }
}

TEST(CCipher, EqualUnitsGiveEqualBytesButBlocksWithinAUnitAreChained) {
    std::vector<uint8_t> plain(64, 0x42); // four equal 16-byte blocks
    for (uint32_t method : kMethods) {
        SCOPED_TRACE(method);
        auto state = Keyed("Secret-4711", method);
        CCipher cipher;
        std::vector<uint8_t> first(64);
        std::vector<uint8_t> second(64);
        ASSERT_EQ(cipher.Encrypt(*state, plain.data(), first.data(), 64), 0);
        ASSERT_EQ(cipher.Encrypt(*state, plain.data(), second.data(), 64), 0);
        EXPECT_EQ(first, second);
        EXPECT_NE(first, plain);
        const bool blocksRepeat = std::memcmp(first.data(), first.data() + 16, 16) == 0;
        EXPECT_EQ(blocksRepeat, method == kMethodBasic); // only the word XOR has no chaining
    }
}

TEST(CCipher, DecryptRestoresDataAfterInterleavedCallsAndInPlace) {
    std::mt19937 random(20240611);
    std::vector<uint8_t> a(4096);
    std::vector<uint8_t> b(208);
    for (auto& v : a) {
        v = static_cast<uint8_t>(random());
    }
    for (auto& v : b) {
        v = static_cast<uint8_t>(random());
    }
    for (uint32_t method : kMethods) {
        SCOPED_TRACE(method);
        auto state = Keyed("correct horse battery staple", method);
        CCipher cipher;
        std::vector<uint8_t> encA(a.size());
        std::vector<uint8_t> encB(b.size());
        ASSERT_EQ(cipher.Encrypt(*state, a.data(), encA.data(), static_cast<uint32_t>(a.size())), 0);
        ASSERT_EQ(cipher.Encrypt(*state, b.data(), encB.data(), static_cast<uint32_t>(b.size())), 0);
        std::vector<uint8_t> scratch(b.size());
        ASSERT_EQ(cipher.Decrypt(*state, encB.data(), scratch.data(), static_cast<uint32_t>(b.size())), 0);
        ASSERT_EQ(cipher.Encrypt(*state, b.data(), scratch.data(), static_cast<uint32_t>(b.size())), 0);

        std::vector<uint8_t> backA(a.size());
        ASSERT_EQ(cipher.Decrypt(*state, encA.data(), backA.data(), static_cast<uint32_t>(a.size())), 0);
        EXPECT_EQ(backA, a);

        // In place gives the same bytes as two buffers, both ways.
        std::vector<uint8_t> inPlace(a);
        ASSERT_EQ(cipher.Encrypt(*state, inPlace.data(), inPlace.data(), static_cast<uint32_t>(a.size())), 0);
        EXPECT_EQ(inPlace, encA);
        ASSERT_EQ(cipher.Decrypt(*state, inPlace.data(), inPlace.data(), static_cast<uint32_t>(a.size())), 0);
        EXPECT_EQ(inPlace, a);
    }
}

TEST(CCipher, LengthsAMethodCannotTakeAreRejectedWithTheDestinationUntouched) {
    struct Case {
        uint32_t method;
        uint32_t length;
        uint16_t status;
    };
    const Case cases[] = {
        {kMethodTwofish, 8, 1},  {kMethodTwofish, 17, 1},  {kMethodTwofish, 63, 1},  {kMethodTwofish, 32, 0},
        {kMethodBlowfish, 4, 1}, {kMethodBlowfish, 12, 1}, {kMethodBlowfish, 24, 0}, {kMethodBasic, 18, 1},
        {kMethodBasic, 3, 1},    {kMethodBasic, 20, 0},
    };
    const std::vector<uint8_t> plain = Counting(64);
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.method) + " " + std::to_string(c.length));
        auto state = Keyed("abcd", c.method);
        CCipher cipher;
        std::vector<uint8_t> out(64, 0xEE);
        EXPECT_EQ(cipher.Encrypt(*state, plain.data(), out.data(), c.length), c.status);
        if (c.status != 0) {
            EXPECT_EQ(out, std::vector<uint8_t>(64, 0xEE));
        } else {
            EXPECT_NE(ToHex(out.data(), c.length), ToHex(plain.data(), c.length));
            EXPECT_EQ(ToHex(out.data() + c.length, 64 - c.length), std::string(2 * (64 - c.length), 'E'));
        }
        std::fill(out.begin(), out.end(), 0xEE);
        EXPECT_EQ(cipher.Decrypt(*state, plain.data(), out.data(), c.length), c.status);
        if (c.status != 0) {
            EXPECT_EQ(out, std::vector<uint8_t>(64, 0xEE));
        }
    }
}

TEST(CCipher, UnknownMethodWritesNothing) {
    auto state = Keyed("abcd", 0x0CAB0009);
    CCipher cipher;
    const std::vector<uint8_t> plain = Counting(32);
    std::vector<uint8_t> out(32, 0xEE);
    EXPECT_EQ(cipher.Encrypt(*state, plain.data(), out.data(), 32), 0);
    EXPECT_EQ(cipher.Decrypt(*state, plain.data(), out.data(), 32), 0);
    EXPECT_EQ(out, std::vector<uint8_t>(32, 0xEE));
}

TEST(CCipher, XorWordsIsItsOwnInverseAndLeavesAPartialWordAlone) {
    CCipher cipher;
    const uint8_t password[256] = {'p', 'w', 'd', '!'};
    const std::vector<uint8_t> plain = Counting(18);
    std::vector<uint8_t> once(18, 0xEE);
    cipher.XorWords(plain.data(), once.data(), 18, password);
    for (std::size_t i = 0; i < 16; ++i) {
        EXPECT_EQ(once[i], plain[i] ^ password[i % 4]) << i;
    }
    EXPECT_EQ(once[16], 0xEE);
    EXPECT_EQ(once[17], 0xEE);
    std::vector<uint8_t> twice(18, 0xEE);
    cipher.XorWords(once.data(), twice.data(), 16, password);
    EXPECT_EQ(ToHex(twice.data(), 16), ToHex(plain.data(), 16));

    std::vector<uint8_t> untouched(8, 0xEE);
    cipher.XorWords(plain.data(), untouched.data(), -4, password);
    cipher.XorWords(plain.data(), untouched.data(), 0, password);
    EXPECT_EQ(untouched, std::vector<uint8_t>(8, 0xEE));
}

TEST(CCipher, PaddedSizeRoundsUpToWholeBlocks) {
    const std::pair<int32_t, int32_t> cases[] = {
        {0, 0},
        {1, 16},
        {15, 16},
        {16, 16},
        {17, 32},
        {4194368, 4194368},
        {4194369, 4194384},
        {2147483632, 2147483632}, // the largest multiple of 16 that fits
        {2147483633, -1},
        {INT32_MAX, -1},
    };
    CCipher cipher;
    for (const auto& [n, padded] : cases) {
        EXPECT_EQ(cipher.GetPaddedSize(n), padded) << n;
    }
}

TEST(CCipher, Crc32MatchesTheStandardCheckValue) {
    CCipher cipher;
    EXPECT_EQ(cipher.GetCrc32("123456789", 9), 0xCBF43926u);
    EXPECT_EQ(cipher.GetCrc32("a", 1), 0xE8B7BE43u);
    EXPECT_EQ(cipher.GetCrc32("123456789", 0), 0u);
    EXPECT_EQ(cipher.GetCrc32("123456789", -5), 0u);
}

TEST(CCipher, WipeClearsPasswordAndSchedules) {
    auto state = Keyed("Secret-4711", kMethodBlowfish);
    state->Wipe();
    const CipherState blank{};
    EXPECT_EQ(state->enabled, 0);
    EXPECT_EQ(ToHex(state->password, 256), ToHex(blank.password, 256));
    EXPECT_EQ(std::memcmp(&state->blowfish, &blank.blowfish, sizeof blank.blowfish), 0);
    EXPECT_EQ(std::memcmp(&state->twofish, &blank.twofish, sizeof blank.twofish), 0);

    // A wiped state encrypts nothing: it copies.
    CCipher cipher;
    const std::vector<uint8_t> plain = Counting(16);
    std::vector<uint8_t> out(16);
    EXPECT_EQ(cipher.Encrypt(*state, plain.data(), out.data(), 16), 0);
    EXPECT_EQ(out, plain);
}

TEST(CCipher, IvIsTheFixedDigitString) {
    ASSERT_EQ(std::strlen(kIvString), 141u);
    EXPECT_EQ(std::string(kIvString, 16), "2122544101995288");
    EXPECT_EQ(std::string(kIvString + 125), "3488476762607309");
}

} // namespace
} // namespace quorvane
