#pragma once
// The cipher object every stored unit of an archive passes through. It holds no key material
// itself: all of it lives in the CipherState that the archive owns and passes to every call.
#include "Blowfish.h"
#include "Twofish.h"

#include <cstddef>
#include <cstdint>

namespace quorvane {

// The 32-bit method codes stored in an archive's plain header.
enum EncryptionMethod : uint32_t {
    kMethodNone = 0x0CAB0000,
    kMethodTwofish = 0x0CAB0001,
    kMethodBlowfish = 0x0CAB0002,
    kMethodBasic = 0x0CAB0003,
};

// The fixed IV string shared by every archive: Twofish takes its first 16 bytes, Blowfish its first 8.
extern const char kIvString[];

using ArchiveBlowfish = Blowfish<20>;

struct CipherState {
    uint16_t enabled = 0;       // nonzero exactly when the password is not empty (set by SetKey)
    uint8_t password[256] = {}; // NUL-terminated as typed; SetKey fills the bytes behind the terminator
    uint32_t method = kMethodNone;
    ArchiveBlowfish::Schedule blowfish{};
    TwofishKey twofish{};

    // Overwrites the password and both key schedules (on close), leaving the state unkeyed
    // (`enabled` 0, method none).
    void Wipe();
};

class CCipher {
public:
    virtual ~CCipher() = default;

    // n rounded up to a multiple of 16 (0 stays 0); -1 when the result would not fit in 32 bits.
    virtual int32_t GetPaddedSize(int32_t n) const;
    // Standard reflected CRC-32; 0 for a length of 0 or less.
    virtual uint32_t GetCrc32(const void* data, int32_t length) const;
    // Fills the password buffer behind its terminator (every byte after the first 0 takes the value
    // of its position), records the method and prepares both key schedules: Twofish-256 from bytes
    // 0..31 of the filled buffer, Blowfish<20> from the password characters. An empty password leaves
    // the state disabled and its schedules cleared. Returns 0 on success, 1 on failure.
    virtual uint16_t SetKey(CipherState& state, uint32_t method);
    // One unit, restarted from the fixed IV on every call, so equal units encrypt to equal bytes and
    // calls never depend on one another. `source` and `destination` are `length` bytes each and are
    // either the same buffer (in-place use is supported for every method) or do not overlap at all.
    // Returns 0, or 1 with the destination untouched when the method cannot take the length: Twofish
    // needs whole 16-byte blocks, Blowfish whole 8-byte blocks, the basic method whole 32-bit words.
    // Disabled (empty password): a plain copy whatever the method. Unknown method: nothing written, 0.
    virtual uint16_t Encrypt(CipherState& state, const void* source, void* destination, uint32_t length,
                             uint32_t unused = 0);
    // The inverse of Encrypt for the same state and length, under the same rules.
    virtual uint16_t Decrypt(CipherState& state, const void* source, void* destination, uint32_t length,
                             uint32_t unused = 0);
    virtual void Idle() {}

    // One unit decrypted in consecutive pieces, so that a large unit can stream through a small
    // buffer: BeginChain sets the chaining value to the fixed IV, each DecryptPiece takes the next
    // piece (a multiple of 16 bytes; source may equal destination) and carries the chain on. The
    // bytes produced are exactly those of one Decrypt over the whole unit.
    static constexpr size_t kChainBytes = 16;
    static void BeginChain(uint8_t chain[kChainBytes]);
    uint16_t DecryptPiece(CipherState& state, const void* source, void* destination, uint32_t length,
                          uint8_t chain[kChainBytes]);
    // A unit that holds NUL-terminated text (a name or comment field), decrypted only as far as the
    // text goes: 16-byte pieces from the start, until a piece holds the terminator. A chained block
    // needs only its own and the previous block's cipher text, so the bytes produced are exactly the
    // first bytes of one Decrypt over the whole unit, and a short name costs one piece, not the whole
    // field. Returns the text's length (`length` when the unit holds no terminator), or -1 when
    // `length` is no whole number of pieces. `destination` past the pieces decrypted is not written.
    int32_t DecryptTerminated(CipherState& state, const void* source, void* destination, uint32_t length);
    // The basic method: each 32-bit little-endian word XOR bytes 0..3 of the password buffer;
    // a trailing partial word is not written, nor is anything for a length of 0 or less.
    virtual void XorWords(const void* source, void* destination, int32_t length, const uint8_t* password);
};

} // namespace quorvane
