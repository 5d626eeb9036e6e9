#pragma once
// The cipher object every stored unit of an archive passes through. It holds no key material
// itself: all of it lives in the CipherState that the archive owns and passes to every call.
#include "Blowfish.h"
#include "Twofish.h"

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
    uint16_t enabled = 0;         // nonzero exactly when the password is not empty (set by SetKey)
    uint8_t password[256] = {};   // NUL-terminated as typed; SetKey fills the bytes behind the terminator
    uint32_t method = kMethodNone;
    ArchiveBlowfish::Schedule blowfish{};
    TwofishKey twofish{};

    // Overwrites the password and both key schedules (on close), leaving the state unkeyed.
    void Wipe();
};

class CCipher {
public:
    virtual ~CCipher() = default;

    // n rounded up to a multiple of 16 (0 stays 0).
    virtual int32_t GetPaddedSize(int32_t n) const;
    // Standard reflected CRC-32; 0 for a length of 0 or less.
    virtual uint32_t GetCrc32(const void* data, int32_t length) const;
    // Fills the password buffer behind its terminator, records the method and prepares both key
    // schedules. Returns 0 on success, 1 on failure.
    virtual uint16_t SetKey(CipherState& state, uint32_t method);
    // One unit, restarted from the fixed IV on every call. Source and destination are distinct
    // buffers of `length` bytes. Returns 0, or 1 when the method cannot take the length
    // (Twofish and Blowfish need whole blocks).
    virtual uint16_t Encrypt(CipherState& state, const void* source, void* destination, uint32_t length,
                             uint32_t unused = 0);
    virtual uint16_t Decrypt(CipherState& state, const void* source, void* destination, uint32_t length,
                             uint32_t unused = 0);
    virtual void Idle() {}
    // The basic method: each 32-bit little-endian word XOR bytes 0..3 of the password buffer;
    // a trailing partial word is not written.
    virtual void XorWords(const void* source, void* destination, int32_t length, const uint8_t* password);
};

} // namespace quorvane
