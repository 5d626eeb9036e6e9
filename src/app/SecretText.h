#pragma once
// A password held as UTF-8 in storage of its own (never implicitly shared), so that Wipe can zero
// every byte it ever held. Setting a new text wipes the old one first; destruction wipes too.
#include <QString>

#include <cstddef>
#include <memory>
#include <span>
#include <string>

namespace quorvane {

class SecretText {
public:
    SecretText() = default;
    explicit SecretText(const QString& text) { Set(text); }
    SecretText(const SecretText& other);
    SecretText& operator=(const SecretText& other);
    ~SecretText();

    void Set(const QString& text);
    void SetUtf8(const std::string& utf8);
    // Zeroes the whole storage, then holds the empty text.
    void Wipe();

    bool IsEmpty() const { return length_ == 0; }
    // Copies for the caller (a dialog's field, the engine's password argument); the caller wipes them.
    QString Text() const;
    std::string Utf8() const;
    // The storage itself, every byte ever used included (for checking that Wipe did its work).
    std::span<const char> Storage() const { return {bytes_.get(), capacity_}; }

    bool operator==(const SecretText& other) const;

private:
    void Assign(const char* data, size_t length);

    std::unique_ptr<char[]> bytes_;
    size_t capacity_ = 0;
    size_t length_ = 0;
};

} // namespace quorvane
