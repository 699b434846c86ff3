#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

// Reading the JSON body of a demo bank request: a JSON object whose fields are checked one by one,
// the first problem giving the error text the client sees.
namespace velkor::host {

enum class FieldChars {
    Printable, // ASCII 0x20 to 0x7E: what the control sends to the card one byte per character
    Digits,
    Hex,
    Base64, // RFC 4648 alphabet and '=' padding
};

class DemoRequest {
public:
    static constexpr size_t kMaxBodyBytes = 16 * 1024;

    // False (with error()) unless the body is a JSON object of at most `maxBytes` (kMaxBodyBytes
    // except where an endpoint takes more).
    bool Parse(std::string_view body, size_t maxBytes = kMaxBodyBytes);
    bool TooLarge() const { return tooLarge_; }

    // A string field of `minLength` to `maxLength` characters from `chars`.
    bool Text(
        const char* name, size_t minLength, size_t maxLength, FieldChars chars, std::string& out);
    bool Text(const char* name, size_t length, FieldChars chars, std::string& out)
    {
        return Text(name, length, length, chars, out);
    }
    // The session identifier the bank gave out (32 hexadecimal digits).
    bool Session(std::string& out) { return Text("session", 32, FieldChars::Hex, out); }

    // Records a problem found by the caller's own checks; always false.
    bool Fail(std::string message);
    const std::string& error() const { return error_; }

private:
    nlohmann::json body_;
    std::string error_;
    bool tooLarge_ = false;
};

} // namespace velkor::host
