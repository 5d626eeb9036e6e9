#pragma once
// Hex conversion and known-answer file access shared by the cipher tests.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace quorvane::test {

inline std::vector<uint8_t> FromHex(const std::string& hex) {
    std::vector<uint8_t> out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        out.push_back(static_cast<uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
    }
    return out;
}

inline std::string ToHex(const uint8_t* data, std::size_t length) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (std::size_t i = 0; i < length; ++i) {
        out += digits[data[i] >> 4];
        out += digits[data[i] & 0xF];
    }
    return out;
}

inline std::string ToHex(const std::vector<uint8_t>& data) {
    return ToHex(data.data(), data.size());
}

// The non-empty lines of a known-answer file under $QUORVANE_VECTORS, split into fields; a comment
// line comes back as {"#", line}. Fails the calling test (and returns nothing) when the variable or
// the file is missing.
inline std::vector<std::vector<std::string>> ReadVectorFile(const std::string& name) {
    std::vector<std::vector<std::string>> rows;
    const char* dir = std::getenv("QUORVANE_VECTORS");
    if (dir == nullptr) {
        ADD_FAILURE() << "QUORVANE_VECTORS is not set";
        return rows;
    }
    std::ifstream file(std::string(dir) + "/" + name);
    if (!file) {
        ADD_FAILURE() << "cannot read " << dir << "/" << name;
        return rows;
    }
    std::string line;
    while (std::getline(file, line)) {
        if (line.empty()) {
            continue;
        }
        if (line[0] == '#') {
            rows.push_back({"#", line});
            continue;
        }
        std::istringstream fields(line);
        std::vector<std::string> row;
        std::string field;
        while (fields >> field) {
            row.push_back(field);
        }
        rows.push_back(row);
    }
    return rows;
}

} // namespace quorvane::test
