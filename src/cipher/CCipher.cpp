#include "CCipher.h"

#include "ByteOrder.h"

#include <array>
#include <cstring>

namespace quorvane {

const char kIvString[] =
    "21225441019952883036623336997746249440191921035180661218720575692109498395124164229617079258"
    "8202280629238485950945626790052013488476762607309";

namespace {

constexpr std::size_t kPasswordBytes = sizeof(CipherState::password);
constexpr std::size_t kTwofishKeyBytes = 32;

static_assert(sizeof(kIvString) - 1 >= kTwofishBlockBytes);

constexpr std::array<uint32_t, 256> MakeCrcTable() {
    std::array<uint32_t, 256> table{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t c = i;
        for (int bit = 0; bit < 8; ++bit) {
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        }
        table[i] = c;
    }
    return table;
}

constexpr std::array<uint32_t, 256> kCrcTable = MakeCrcTable();

const uint8_t* IvBytes() {
    return reinterpret_cast<const uint8_t*>(kIvString);
}

// The basic method over any length: whole words only, the trailing bytes are not written.
void XorRange(const uint8_t* in, uint8_t* out, std::size_t length, const uint8_t* password) {
    const uint32_t key = bytes::LoadLe32(password);
    const std::size_t words = length / 4;
    for (std::size_t i = 0; i < words; ++i) {
        bytes::StoreLe32(out + 4 * i, bytes::LoadLe32(in + 4 * i) ^ key);
    }
}

void ClearSchedules(CipherState& state) {
    bytes::SecureZero(&state.blowfish, sizeof state.blowfish);
    bytes::SecureZero(&state.twofish, sizeof state.twofish);
}

} // namespace

void CipherState::Wipe() {
    bytes::SecureZero(password, sizeof password);
    ClearSchedules(*this);
    enabled = 0;
    method = kMethodNone;
}

int32_t CCipher::GetPaddedSize(int32_t n) const {
    const int64_t r = n % 16; // takes the sign of n
    const int64_t padded = r == 0 ? n : int64_t{n} - r + 16;
    return padded > INT32_MAX ? -1 : static_cast<int32_t>(padded);
}

uint32_t CCipher::GetCrc32(const void* data, int32_t length) const {
    if (length <= 0 || data == nullptr) {
        return 0;
    }
    const auto* p = static_cast<const uint8_t*>(data);
    uint32_t crc = 0xFFFFFFFFu;
    for (int32_t i = 0; i < length; ++i) {
        crc = kCrcTable[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
    }
    return ~crc;
}

uint16_t CCipher::SetKey(CipherState& state, uint32_t method) {
    const auto* terminator = static_cast<const uint8_t*>(std::memchr(state.password, 0, kPasswordBytes));
    const std::size_t length =
        terminator ? static_cast<std::size_t>(terminator - state.password) : kPasswordBytes;

    state.method = method;
    state.enabled = length > 0 ? 1 : 0;
    if (terminator) {
        for (std::size_t k = length + 1; k < kPasswordBytes; ++k) {
            state.password[k] = static_cast<uint8_t>(k);
        }
    }
    if (!state.enabled) {
        // Never used while disabled; clearing keeps no stale key material around.
        ClearSchedules(state);
        return 0;
    }
    if (!TwofishSetKey(state.twofish, state.password, kTwofishKeyBytes)) {
        return 1;
    }
    ArchiveBlowfish::SetKey(state.blowfish, state.password, static_cast<int32_t>(length));
    return 0;
}

namespace {

enum class Direction { kEncrypt, kDecrypt };

uint16_t Transform(CCipher& cipher, CipherState& state, const void* source, void* destination,
                   uint32_t length, Direction direction, uint8_t* chain = nullptr) {
    if (length == 0) {
        return 0;
    }
    if (source == nullptr || destination == nullptr) {
        return 1;
    }
    const auto* in = static_cast<const uint8_t*>(source);
    auto* out = static_cast<uint8_t*>(destination);
    if (!state.enabled) {
        if (in != out) {
            std::memcpy(out, in, length);
        }
        return 0;
    }
    switch (state.method) {
    case kMethodTwofish: {
        // A fresh chain per call: the IV is a local copy, never shared with another call.
        uint8_t iv[kTwofishBlockBytes];
        std::memcpy(iv, chain ? chain : IvBytes(), sizeof iv);
        const bool done = direction == Direction::kEncrypt
                              ? TwofishEncryptCbc(state.twofish, in, out, length, iv)
                              : TwofishDecryptCbc(state.twofish, in, out, length, iv);
        if (done && chain) {
            std::memcpy(chain, iv, sizeof iv);
        }
        return done ? 0 : 1;
    }
    case kMethodBlowfish: {
        uint8_t iv[ArchiveBlowfish::kBlockBytes];
        std::memcpy(iv, chain ? chain : IvBytes(), sizeof iv);
        const bool done = direction == Direction::kEncrypt
                              ? ArchiveBlowfish::EncryptCbc(state.blowfish, in, out, length, iv)
                              : ArchiveBlowfish::DecryptCbc(state.blowfish, in, out, length, iv);
        if (done && chain) {
            std::memcpy(chain, iv, sizeof iv);
        }
        return done ? 0 : 1;
    }
    case kMethodBasic:
        // A partial trailing word would be left unwritten, losing those bytes.
        if (length % 4 != 0) {
            return 1;
        }
        if (length <= INT32_MAX) {
            cipher.XorWords(in, out, static_cast<int32_t>(length), state.password);
        } else {
            XorRange(in, out, length, state.password);
        }
        return 0;
    default:
        return 0;
    }
}

} // namespace

uint16_t CCipher::Encrypt(CipherState& state, const void* source, void* destination, uint32_t length,
                          uint32_t /*unused*/) {
    return Transform(*this, state, source, destination, length, Direction::kEncrypt);
}

uint16_t CCipher::Decrypt(CipherState& state, const void* source, void* destination, uint32_t length,
                          uint32_t /*unused*/) {
    return Transform(*this, state, source, destination, length, Direction::kDecrypt);
}

void CCipher::BeginChain(uint8_t chain[kChainBytes]) {
    std::memcpy(chain, IvBytes(), kChainBytes);
}

uint16_t CCipher::DecryptPiece(CipherState& state, const void* source, void* destination, uint32_t length,
                               uint8_t chain[kChainBytes]) {
    // Pieces must keep every method's alignment: whole cipher blocks, whole XOR words.
    if (length % 16 != 0) {
        return 1;
    }
    return Transform(*this, state, source, destination, length, Direction::kDecrypt, chain);
}

int32_t CCipher::DecryptTerminated(CipherState& state, const void* source, void* destination,
                                   uint32_t length) {
    if (length % kChainBytes != 0 || length > INT32_MAX || source == nullptr || destination == nullptr) {
        return -1;
    }
    const auto* in = static_cast<const uint8_t*>(source);
    auto* out = static_cast<uint8_t*>(destination);
    uint8_t chain[kChainBytes];
    BeginChain(chain);
    for (uint32_t at = 0; at < length; at += kChainBytes) {
        if (DecryptPiece(state, in + at, out + at, kChainBytes, chain) != 0) {
            return -1;
        }
        if (const void* nul = std::memchr(out + at, 0, kChainBytes)) {
            return static_cast<int32_t>(static_cast<const uint8_t*>(nul) - out);
        }
    }
    return static_cast<int32_t>(length);
}

void CCipher::XorWords(const void* source, void* destination, int32_t length, const uint8_t* password) {
    if (length <= 0) {
        return;
    }
    XorRange(static_cast<const uint8_t*>(source), static_cast<uint8_t*>(destination),
             static_cast<std::size_t>(length), password);
}

} // namespace quorvane
