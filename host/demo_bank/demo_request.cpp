#include "demo_request.h"

#include <algorithm>
#include <cctype>

namespace velkor::host {

namespace {

bool Allowed(char c, FieldChars chars)
{
    const auto u = static_cast<unsigned char>(c);
    switch (chars) {
    case FieldChars::Printable:
        return u >= 0x20 && u <= 0x7E;
    case FieldChars::Digits:
        return std::isdigit(u) != 0;
    case FieldChars::Hex:
        return std::isxdigit(u) != 0;
    case FieldChars::Base64:
        return std::isalnum(u) != 0 || c == '+' || c == '/' || c == '=';
    }
    return false;
}

const char* Describe(FieldChars chars)
{
    switch (chars) {
    case FieldChars::Printable:
        return "printable ASCII characters";
    case FieldChars::Digits:
        return "digits";
    case FieldChars::Hex:
        return "hexadecimal digits";
    case FieldChars::Base64:
        return "base64 characters";
    }
    return "";
}

} // namespace

bool DemoRequest::Parse(std::string_view body, size_t maxBytes)
{
    if (body.size() > maxBytes) {
        tooLarge_ = true;
        return Fail("the request body is larger than " + std::to_string(maxBytes) + " bytes");
    }
    body_ = nlohmann::json::parse(body, nullptr, false);
    if (body_.is_discarded()) {
        return Fail("the request body is not valid JSON");
    }
    if (!body_.is_object()) {
        return Fail("the request body must be a JSON object");
    }
    return true;
}

bool DemoRequest::Text(
    const char* name, size_t minLength, size_t maxLength, FieldChars chars, std::string& out)
{
    const auto found = body_.find(name);
    if (found == body_.end() || found->is_null()) {
        return Fail(std::string("missing field \"") + name + "\"");
    }
    if (!found->is_string()) {
        return Fail(std::string("field \"") + name + "\" must be a string");
    }
    const auto& text = found->get_ref<const std::string&>();
    if (text.size() < minLength || text.size() > maxLength) {
        return Fail(std::string("field \"") + name + "\" must have "
            + (minLength == maxLength
                    ? std::to_string(minLength)
                    : std::to_string(minLength) + " to " + std::to_string(maxLength))
            + " characters");
    }
    if (!std::all_of(text.begin(), text.end(), [chars](char c) { return Allowed(c, chars); })) {
        return Fail(std::string("field \"") + name + "\" must hold only " + Describe(chars));
    }
    out = text;
    return true;
}

bool DemoRequest::Fail(std::string message)
{
    error_ = std::move(message);
    return false;
}

} // namespace velkor::host
