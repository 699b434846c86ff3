// The demo bank's request bodies as its endpoints read them, and the same bytes as the stream of
// an HTTP connection that the bank watches for oversized requests.
#include <cstdint>
#include <string>
#include <string_view>

#include "demo_request.h"
#include "request_framing.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace velkor::host;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    DemoRequest request;
    if (request.Parse(bytes)) {
        std::string out;
        request.Session(out);
        request.Text("type", 1, 16, FieldChars::Printable, out);
        request.Text("pMoney", 1, 12, FieldChars::Digits, out);
        request.Text("encryptRN2", 2, 512, FieldChars::Hex, out);
    }

    // Fed in two pieces split where the first byte says, as data arrives from a socket.
    RequestFraming framing(DemoRequest::kMaxBodyBytes);
    const size_t split = size == 0 ? 0 : data[0] % size;
    if (framing.Feed(bytes.substr(0, split))) {
        framing.Feed(bytes.substr(split));
    }
    return 0;
}
