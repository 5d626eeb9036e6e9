#include "Blowfish.h"
#include "CipherTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace quorvane {
namespace {

using test::FromHex;
using test::ToHex;

template <int Rounds>
std::string EcbHex(const std::vector<uint8_t>& key, const std::string& blockHex, bool encrypt) {
    auto schedule = std::make_unique<typename Blowfish<Rounds>::Schedule>();
    Blowfish<Rounds>::SetKey(*schedule, key.data(), static_cast<int32_t>(key.size()));
    const std::vector<uint8_t> block = FromHex(blockHex);
    uint32_t l =
        (uint32_t{block[0]} << 24) | (uint32_t{block[1]} << 16) | (uint32_t{block[2]} << 8) | block[3];
    uint32_t r =
        (uint32_t{block[4]} << 24) | (uint32_t{block[5]} << 16) | (uint32_t{block[6]} << 8) | block[7];
    if (encrypt) {
        Blowfish<Rounds>::EncryptBlock(*schedule, l, r);
    } else {
        Blowfish<Rounds>::DecryptBlock(*schedule, l, r);
    }
    const uint8_t out[8] = {uint8_t(l >> 24), uint8_t(l >> 16), uint8_t(l >> 8), uint8_t(l),
                            uint8_t(r >> 24), uint8_t(r >> 16), uint8_t(r >> 8), uint8_t(r)};
    return ToHex(out, sizeof out);
}

struct KnownAnswer {
    const char* key;
    const char* plain;
    const char* cipher;
};

// Eric Young's ECB vectors for the published 16-round cipher.
TEST(Blowfish, SixteenRoundsReproducePublishedVectors) {
    const KnownAnswer cases[] = {
        {"0000000000000000", "0000000000000000", "4EF997456198DD78"},
        {"FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF", "51866FD5B85ECB8A"},
        {"3000000000000000", "1000000000000001", "7D856F9A613063F2"},
        {"1111111111111111", "1111111111111111", "2466DD878B963C9D"},
        {"0123456789ABCDEF", "1111111111111111", "61F9C3802281B096"},
        {"1111111111111111", "0123456789ABCDEF", "7D0CC630AFDA1EC7"},
        {"FEDCBA9876543210", "0123456789ABCDEF", "0ACEAB0FC6A0A28D"},
        {"7CA110454A1A6E57", "01A1D6D039776742", "59C68245EB05282B"},
        {"0131D9619DC1376E", "5CD54CA83DEF57DA", "B1B8CC0B250F09A0"},
        {"07A1133E4A0B2686", "0248D43806F67172", "1730E5778BEA1DA4"},
        {"3849674C2602319E", "51454B582DDF440A", "A25E7856CF2651EB"},
        {"04B915BA43FEB5B6", "42FD443059577FA2", "353882B109CE8F1A"},
        {"0113B970FD34F2CE", "059B5E0851CF143A", "48F4D0884C379918"},
        {"0170F175468FB5E6", "0756D8E0774761D2", "432193B78951FC98"},
        {"43297FAD38E373FE", "762514B829BF486A", "13F04154D69D1AE5"},
        {"07A7137045DA2A16", "3BDD119049372802", "2EEDDA93FFD39C79"},
        {"04689104C2FD3B2F", "26955F6835AF609A", "D887E0393C2DA6E3"},
        {"37D06BB516CB7546", "164D5E404F275232", "5F99D04F5B163969"},
        {"1F08260D1AC2465E", "6B056E18759F5CCA", "4A057A3B24D3977B"},
        {"584023641ABA6176", "004BD6EF09176062", "452031C1E4FADA8E"},
        {"025816164629B007", "480D39006EE762F2", "7555AE39F59B87BD"},
        {"49793EBC79B3258F", "437540C8698F3CFA", "53C55F9CB49FC019"},
        {"4FB05E1515AB73A7", "072D43A077075292", "7A8E7BFA937E89A3"},
        {"49E95D6D4CA229BF", "02FE55778117F12A", "CF9C5D7A4986ADB5"},
        {"018310DC409B26D6", "1D9D5C5018F728C2", "D1ABB290658BC778"},
        {"1C587F1C13924FEF", "305532286D6F295A", "55CB3774D13EF201"},
        {"0101010101010101", "0123456789ABCDEF", "FA34EC4847B268B2"},
        {"1F1F1F1F0E0E0E0E", "0123456789ABCDEF", "A790795108EA3CAE"},
        {"E0FEE0FEF1FEF1FE", "0123456789ABCDEF", "C39E072D9FAC631D"},
        {"0000000000000000", "FFFFFFFFFFFFFFFF", "014933E0CDAFF6E4"},
        {"FFFFFFFFFFFFFFFF", "0000000000000000", "F21E9A77B71C49BC"},
        {"0123456789ABCDEF", "0000000000000000", "245946885754369A"},
        {"FEDCBA9876543210", "FFFFFFFFFFFFFFFF", "6B5C5A9C5D9E0A5A"},
        // Variable key length (the key bytes are cycled): prefixes of one key, one plaintext.
        {"F0", "FEDCBA9876543210", "F9AD597C49DB005E"},
        {"F0E1", "FEDCBA9876543210", "E91D21C1D961A6D6"},
        {"F0E1D2", "FEDCBA9876543210", "E9C2B70A1BC65CF3"},
        {"F0E1D2C3", "FEDCBA9876543210", "BE1E639408640F05"},
        {"F0E1D2C3B4", "FEDCBA9876543210", "B39E44481BDB1E6E"},
        {"F0E1D2C3B4A5", "FEDCBA9876543210", "9457AA83B1928C0D"},
        {"F0E1D2C3B4A596", "FEDCBA9876543210", "8BB77032F960629D"},
        {"F0E1D2C3B4A59687", "FEDCBA9876543210", "E87A244E2CC85E82"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.key) + " " + c.plain);
        EXPECT_EQ(EcbHex<16>(FromHex(c.key), c.plain, true), c.cipher);
        EXPECT_EQ(EcbHex<16>(FromHex(c.key), c.cipher, false), c.plain);
    }
}

// Known answers for the archive's 20-round cipher, computed independently. A comment that names
// 16 rounds switches the lines below it to the 16-round cipher.
TEST(Blowfish, TwentyRoundKnownAnswerFile) {
    const auto rows = test::ReadVectorFile("blowfish20.txt");
    int rounds = 20;
    int checked20 = 0;
    for (const auto& row : rows) {
        if (row[0] == "#") {
            if (row[1].find("16 rounds") != std::string::npos) {
                rounds = 16;
            }
            continue;
        }
        ASSERT_EQ(row.size(), 3u);
        SCOPED_TRACE(row[0] + " " + row[1] + " at " + std::to_string(rounds) + " rounds");
        const std::vector<uint8_t> key = FromHex(row[0]);
        if (rounds == 20) {
            EXPECT_EQ(EcbHex<20>(key, row[1], true), row[2]);
            EXPECT_EQ(EcbHex<20>(key, row[2], false), row[1]);
            ++checked20;
        } else {
            EXPECT_EQ(EcbHex<16>(key, row[1], true), row[2]);
            EXPECT_EQ(EcbHex<16>(key, row[2], false), row[1]);
        }
    }
    EXPECT_GT(checked20, 0) << "no 20-round lines found";
}

TEST(Blowfish, TwentyRoundScheduleCountsOnlyTheFirst88KeyBytes) {
    std::vector<uint8_t> key(100);
    for (std::size_t i = 0; i < key.size(); ++i) {
        key[i] = static_cast<uint8_t>(i * 7 + 1);
    }
    auto a = std::make_unique<Blowfish<20>::Schedule>();
    auto b = std::make_unique<Blowfish<20>::Schedule>();
    Blowfish<20>::SetKey(*a, key.data(), 88);
    Blowfish<20>::SetKey(*b, key.data(), 100);
    EXPECT_EQ(std::memcmp(a.get(), b.get(), sizeof *a), 0);
    Blowfish<20>::SetKey(*b, key.data(), 87);
    EXPECT_NE(std::memcmp(a.get(), b.get(), sizeof *a), 0);
}

TEST(Blowfish, CbcRoundTripsInPlaceAndRejectsPartialBlocks) {
    const std::vector<uint8_t> key = FromHex("0123456789ABCDEFF0E1D2C3B4A59687");
    auto k = std::make_unique<Blowfish<20>::Schedule>();
    Blowfish<20>::SetKey(*k, key.data(), static_cast<int32_t>(key.size()));
    const std::vector<uint8_t> ivStart = FromHex("FEDCBA9876543210");

    for (std::size_t length : {8u, 16u, 24u, 40u, 1024u}) {
        SCOPED_TRACE(length);
        std::vector<uint8_t> plain(length);
        for (std::size_t i = 0; i < length; ++i) {
            plain[i] = static_cast<uint8_t>(i % 3); // repeating blocks: CBC must still vary them
        }
        std::vector<uint8_t> cipher(length);
        std::vector<uint8_t> iv(ivStart);
        ASSERT_TRUE(Blowfish<20>::EncryptCbc(*k, plain.data(), cipher.data(), length, iv.data()));
        EXPECT_EQ(ToHex(iv.data(), 8), ToHex(cipher.data() + length - 8, 8));

        std::vector<uint8_t> inPlace(plain);
        iv = ivStart;
        ASSERT_TRUE(Blowfish<20>::EncryptCbc(*k, inPlace.data(), inPlace.data(), length, iv.data()));
        EXPECT_EQ(inPlace, cipher);
        iv = ivStart;
        ASSERT_TRUE(Blowfish<20>::DecryptCbc(*k, inPlace.data(), inPlace.data(), length, iv.data()));
        EXPECT_EQ(inPlace, plain);
        EXPECT_EQ(ToHex(iv.data(), 8), ToHex(cipher.data() + length - 8, 8));
    }

    std::vector<uint8_t> in(12, 1);
    std::vector<uint8_t> out(12, 0xEE);
    std::vector<uint8_t> iv(ivStart);
    EXPECT_FALSE(Blowfish<20>::EncryptCbc(*k, in.data(), out.data(), 12, iv.data()));
    EXPECT_FALSE(Blowfish<20>::DecryptCbc(*k, in.data(), out.data(), 12, iv.data()));
    EXPECT_EQ(out, std::vector<uint8_t>(12, 0xEE));
    EXPECT_EQ(iv, ivStart);
}

} // namespace
} // namespace quorvane
