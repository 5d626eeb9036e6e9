#include "NameRules.h"

#include "Format.h"
#include "TextCodec.h"

#include <algorithm>

namespace quorvane {

std::string FileNameOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string WithoutExtension(const std::string& name) {
    const size_t dot = name.find_last_of('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

std::string ExtensionOf(const std::string& name) {
    const size_t dot = name.find_last_of('.');
    if (dot == std::string::npos || dot == 0 || dot + 1 == name.size()) {
        return {};
    }
    return name.substr(dot + 1);
}

std::string AsciiUpper(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return text;
}

bool HasForbiddenCharacter(const std::string& name) {
    return name.find_first_of(kForbiddenNameCharacters) != std::string::npos;
}

std::string TrimSpaces(const std::string& text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

bool FitsTextField(const std::string& text) {
    return EncodeStoredText(text, 4 * kTextMaxBytes).size() <= kTextMaxBytes;
}

namespace {

// Drops the last character of UTF-8 text (a stray continuation byte counts as one).
void DropLastCharacter(std::string& text) {
    while (text.size() > 1 && (static_cast<unsigned char>(text.back()) & 0xC0) == 0x80) {
        text.pop_back();
    }
    if (!text.empty()) {
        text.pop_back();
    }
}

} // namespace

std::string ShortenKeepingExtension(const std::string& name,
                                    const std::function<bool(const std::string&)>& fits) {
    if (fits(name)) {
        return name;
    }
    const std::string extension = ExtensionOf(name);
    if (!extension.empty()) {
        const std::string suffix = "." + extension;
        std::string base = name.substr(0, name.size() - suffix.size());
        for (DropLastCharacter(base); !base.empty(); DropLastCharacter(base)) {
            if (fits(base + suffix)) {
                return base + suffix;
            }
        }
    }
    std::string cut = name;
    do {
        DropLastCharacter(cut);
    } while (!cut.empty() && !fits(cut));
    return cut;
}

namespace {

std::string FitFileName(const std::string& name) {
    return ShortenKeepingExtension(name, [](const std::string& n) { return n.size() <= kFileNameMax; });
}

} // namespace

std::string SafeComponent(std::string name, const std::string& emptyName) {
    name.erase(std::remove(name.begin(), name.end(), '\0'), name.end());
    std::replace(name.begin(), name.end(), '/', '_');
    name = FitFileName(name);
    if (name.empty()) {
        return emptyName;
    }
    if (name == "." || name == "..") {
        return "_" + name;
    }
    return name;
}

std::string CopyCandidate(const std::string& name, int attempt) {
    if (attempt == 0) {
        return FitFileName(name);
    }
    if (attempt == 1) {
        return FitFileName("Copy of " + name);
    }
    return FitFileName("Copy (" + std::to_string(attempt) + ") of " + name);
}

} // namespace quorvane
