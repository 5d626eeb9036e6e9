#pragma once
// A position in the catalogue: 0 for the first entry, entry number - 1 in general. Entry numbers
// (1..N, with 0 for the archive's top level and 1 for the recycle bin) stay plain ints: selections,
// parent links and FindNext speak in numbers; every call that names one entry takes an EntryIndex,
// so that the two can no longer be mixed up without the compiler noticing.
#include <compare>
#include <cstdint>

namespace quorvane {

struct EntryIndex {
    int32_t value;

    explicit constexpr EntryIndex(int32_t v)
        : value(v) {}
    static constexpr EntryIndex OfNumber(int32_t number) { return EntryIndex(number - 1); }
    constexpr int32_t number() const { return value + 1; }

    constexpr auto operator<=>(const EntryIndex&) const = default;
};

} // namespace quorvane
