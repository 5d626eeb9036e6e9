#include "SecretText.h"

#include <cstring>

namespace quorvane {

namespace {

void Zero(char* data, size_t length) {
    if (length != 0) {
        // explicit_bzero is never optimised away, unlike a memset before a free.
        explicit_bzero(data, length);
    }
}

} // namespace

SecretText::SecretText(const SecretText& other) {
    Assign(other.bytes_.get(), other.length_);
}

SecretText& SecretText::operator=(const SecretText& other) {
    if (this != &other) {
        Assign(other.bytes_.get(), other.length_);
    }
    return *this;
}

SecretText::~SecretText() {
    Wipe();
}

void SecretText::Set(const QString& text) {
    QByteArray utf8 = text.toUtf8();
    Assign(utf8.constData(), static_cast<size_t>(utf8.size()));
    Zero(utf8.data(), static_cast<size_t>(utf8.size()));
}

void SecretText::SetUtf8(const std::string& utf8) {
    Assign(utf8.data(), utf8.size());
}

void SecretText::Wipe() {
    Zero(bytes_.get(), capacity_);
    length_ = 0;
}

void SecretText::Assign(const char* data, size_t length) {
    Wipe();
    if (length > capacity_) {
        // Grow into fresh storage; the old storage was just wiped, so nothing is left behind.
        bytes_ = std::make_unique<char[]>(length);
        capacity_ = length;
    }
    if (length != 0) {
        std::memcpy(bytes_.get(), data, length);
    }
    length_ = length;
}

QString SecretText::Text() const {
    return QString::fromUtf8(bytes_.get(), static_cast<qsizetype>(length_));
}

std::string SecretText::Utf8() const {
    return length_ == 0 ? std::string() : std::string(bytes_.get(), length_);
}

bool SecretText::operator==(const SecretText& other) const {
    return length_ == other.length_ &&
           (length_ == 0 || std::memcmp(bytes_.get(), other.bytes_.get(), length_) == 0);
}

} // namespace quorvane
