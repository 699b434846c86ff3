#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What the extension and the native host say to each other, one JSON object per frame. The
// extension names each page with a number and reports its origin from the browser's own record
// of the sender (never from the page):
//   {"type":"open","page":3,"origin":"https://ebank.example"}
//   {"type":"message","page":3,"data":"<a JSON-RPC request, as the page wrote it>"}
//   {"type":"close","page":3}
// The host answers
//   {"type":"message","page":3,"data":"<JSON-RPC answer>"}
//   {"type":"refused","page":3,"reason":"origin"|"too-many"|"too-large"}
// and splits an answer that would exceed the browsers' limit into "part" frames followed by the
// final "message" frame: the extension joins them before the page sees the answer.
namespace velkor {

struct PageEnvelope {
    enum class Kind { Open, Message, Close };
    Kind kind = Kind::Message;
    uint64_t page = 0;
    std::string origin; // open
    std::string data; // message; may hold a PIN: wipe it when done
};

// Largest page number (the largest integer JavaScript holds exactly).
inline constexpr uint64_t kLargestPageNumber = (uint64_t { 1 } << 53) - 1;

// Nothing for a frame that is not one of the three envelopes.
std::optional<PageEnvelope> ParsePageEnvelope(std::string_view frame);

// The frames carrying `answer` to `page`, each at most `limit` bytes (a single "message" when it
// fits). Pieces are cut between UTF-8 characters.
std::vector<std::string> AnswerEnvelopes(uint64_t page, std::string_view answer, size_t limit);

std::string RefusalEnvelope(uint64_t page, std::string_view reason);

} // namespace velkor
