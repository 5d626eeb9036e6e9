#pragma once
// Passwords and key material held in std::string are zeroed before the string lets them go: a
// freed buffer would otherwise keep them in the heap until something overwrites it.
#include <string>
#include <strings.h>

namespace quorvane {

inline void WipeText(std::string& text) {
    if (!text.empty()) {
        explicit_bzero(text.data(), text.size());
    }
}

// Zeroes the string when the scope ends, on every return path.
class WipeOnExit {
public:
    explicit WipeOnExit(std::string& text)
        : text_(text) {}
    ~WipeOnExit() { WipeText(text_); }
    WipeOnExit(const WipeOnExit&) = delete;
    WipeOnExit& operator=(const WipeOnExit&) = delete;

private:
    std::string& text_;
};

} // namespace quorvane
