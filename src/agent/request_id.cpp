#include "agent/request_id.h"

#include <cstdint>

namespace velkor {

namespace {

// Reads a request as a stream of events and keeps the text of the number given as the top-level
// "id" (the last one, as the parsed document keeps the last of repeated names). The parser hands
// over the text of every number it reads as floating point, which includes integers too large
// for 64 bits.
class RawIdFinder {
public:
    using json = nlohmann::json;

    bool null() { return Value(); }
    bool boolean(bool) { return Value(); }
    bool number_integer(json::number_integer_t) { return Value(); }
    bool number_unsigned(json::number_unsigned_t) { return Value(); }
    bool number_float(json::number_float_t, const std::string& text)
    {
        if (depth_ == 1 && idIsNext_) {
            raw = text;
        }
        return Value();
    }
    bool string(std::string&) { return Value(); }
    bool binary(json::binary_t&) { return Value(); }
    bool start_object(std::size_t) { return Open(); }
    bool end_object() { return Close(); }
    bool start_array(std::size_t) { return Open(); }
    bool end_array() { return Close(); }
    bool key(std::string& name)
    {
        idIsNext_ = depth_ == 1 && name == "id";
        return true;
    }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&)
    {
        return false;
    }

    std::string raw;

private:
    bool Value()
    {
        idIsNext_ = false;
        return true;
    }
    bool Open()
    {
        ++depth_;
        idIsNext_ = false;
        return true;
    }
    bool Close()
    {
        --depth_;
        return true;
    }

    int depth_ = 0;
    bool idIsNext_ = false;
};

} // namespace

RequestId RequestId::FromRequest(const nlohmann::json& id, std::string_view request)
{
    if (id.is_number_float()) {
        RawIdFinder finder;
        nlohmann::json::sax_parse(
            request.begin(), request.end(), &finder, nlohmann::json::input_format_t::json, false);
        if (!finder.raw.empty()) {
            return { finder.raw };
        }
    }
    // Ids are strings or numbers; a string that is not valid UTF-8 was refused by the parser.
    return { id.dump() };
}

} // namespace velkor
