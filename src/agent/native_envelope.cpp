#include "agent/native_envelope.h"

#include <nlohmann/json.hpp>

#include "agent/json_secrets.h"
#include "common/secure_buffer.h"

namespace velkor {

namespace {

std::string Envelope(
    std::string_view type, uint64_t page, std::string_view field, std::string_view literal)
{
    std::string out;
    out.reserve(literal.size() + 64);
    out.append("{\"type\":\"").append(type).append("\",\"page\":");
    out.append(std::to_string(page)).append(",\"").append(field).append("\":");
    out.append(literal).append("}");
    return out;
}

// The end of the longest prefix of `text` within `most` bytes that ends between characters.
size_t CharacterBoundary(std::string_view text, size_t most)
{
    if (most >= text.size()) {
        return text.size();
    }
    size_t end = most;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
        --end;
    }
    return end;
}

} // namespace

std::optional<PageEnvelope> ParsePageEnvelope(std::string_view frame)
{
    nlohmann::json value = nlohmann::json::parse(frame, nullptr, false);
    ScopedJsonWipe wipe(value);
    if (!value.is_object()) {
        return std::nullopt;
    }
    const auto type = value.find("type");
    const auto page = value.find("page");
    if (type == value.end() || !type->is_string() || page == value.end()
        || !page->is_number_unsigned() || page->get<uint64_t>() > kLargestPageNumber) {
        return std::nullopt;
    }
    PageEnvelope envelope;
    envelope.page = page->get<uint64_t>();
    const std::string& kind = type->get_ref<const std::string&>();
    const char* field = nullptr;
    if (kind == "open") {
        envelope.kind = PageEnvelope::Kind::Open;
        field = "origin";
    } else if (kind == "message") {
        envelope.kind = PageEnvelope::Kind::Message;
        field = "data";
    } else if (kind == "close") {
        envelope.kind = PageEnvelope::Kind::Close;
        return envelope;
    } else {
        return std::nullopt;
    }
    const auto text = value.find(field);
    if (text == value.end() || !text->is_string()) {
        return std::nullopt;
    }
    (envelope.kind == PageEnvelope::Kind::Open ? envelope.origin : envelope.data)
        = text->get_ref<const std::string&>();
    return envelope;
}

std::vector<std::string> AnswerEnvelopes(uint64_t page, std::string_view answer, size_t limit)
{
    std::vector<std::string> frames;
    {
        std::string literal = JsonStringLiteral(answer);
        std::string whole = Envelope("message", page, "data", literal);
        WipeString(literal);
        if (whole.size() <= limit) {
            frames.push_back(std::move(whole));
            return frames;
        }
        WipeString(whole);
    }
    // An escape is at most six bytes per input byte: pieces of this size always fit.
    constexpr size_t kEnvelopeBytes = 96;
    const size_t piece = std::max<size_t>(8, (limit - kEnvelopeBytes) / 6);
    while (!answer.empty()) {
        size_t end = CharacterBoundary(answer, piece);
        if (end == 0) {
            end = std::min(answer.size(), piece); // not UTF-8: cut anywhere
        }
        std::string literal = JsonStringLiteral(answer.substr(0, end));
        answer.remove_prefix(end);
        frames.push_back(Envelope(answer.empty() ? "message" : "part", page, "data", literal));
        WipeString(literal);
    }
    return frames;
}

std::string RefusalEnvelope(uint64_t page, std::string_view reason)
{
    return Envelope("refused", page, "reason", JsonStringLiteral(reason));
}

} // namespace velkor
