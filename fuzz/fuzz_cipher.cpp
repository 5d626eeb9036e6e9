// Round trip through CCipher: the input chooses the method, the password and the unit. Encrypting then
// decrypting must restore the unit, in place as well as between two buffers; a length the method
// cannot take must come back as status 1 with the destination untouched.
#include "CCipher.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

using namespace quorvane;

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) {
        return 0;
    }
    static constexpr uint32_t kMethodChoices[] = {kMethodTwofish, kMethodBlowfish, kMethodBasic, kMethodNone,
                                                  0x0CAB0007};
    const uint32_t method = kMethodChoices[data[0] % 5];
    std::size_t passwordLength = data[1];
    data += 2;
    size -= 2;
    if (passwordLength > size) {
        passwordLength = size;
    }

    auto state = std::make_unique<CipherState>();
    std::memcpy(state->password, data, passwordLength); // may hold zeros: the first one ends it
    data += passwordLength;
    size -= passwordLength;

    CCipher cipher;
    Require(cipher.SetKey(*state, method) == 0);

    // Exact-size heap copies, so that any access past the unit is caught.
    const std::vector<uint8_t> plain(data, data + size);
    const auto length = static_cast<uint32_t>(size);
    std::size_t block = 1;
    if (state->enabled) {
        block = method == kMethodTwofish    ? 16
                : method == kMethodBlowfish ? 8
                : method == kMethodBasic    ? 4
                                            : 1;
    }
    const bool acceptable = length % block == 0;
    const bool writes =
        !state->enabled || method == kMethodTwofish || method == kMethodBlowfish || method == kMethodBasic;

    std::vector<uint8_t> sealed(size, 0xA5);
    const uint16_t status = cipher.Encrypt(*state, plain.data(), sealed.data(), length);
    if (!acceptable) {
        Require(status == 1);
        Require(sealed == std::vector<uint8_t>(size, 0xA5));
        Require(cipher.Decrypt(*state, plain.data(), sealed.data(), length) == 1);
        return 0;
    }
    Require(status == 0);
    if (!writes) {
        Require(sealed == std::vector<uint8_t>(size, 0xA5));
        return 0;
    }

    std::vector<uint8_t> opened(size, 0x5A);
    Require(cipher.Decrypt(*state, sealed.data(), opened.data(), length) == 0);
    Require(opened == plain);

    std::vector<uint8_t> inPlace(plain);
    Require(cipher.Encrypt(*state, inPlace.data(), inPlace.data(), length) == 0);
    Require(inPlace == sealed);
    Require(cipher.Decrypt(*state, inPlace.data(), inPlace.data(), length) == 0);
    Require(inPlace == plain);
    return 0;
}
