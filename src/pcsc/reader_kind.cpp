#include "pcsc/reader_kind.h"

#include <array>
#include <utility>

#include "common/status_codes.h"

namespace velkor::pcsc {

namespace {

// Checked in this order; the first model name the reader name begins with decides (the longer
// "Connectable II" has to come before "Connectable").
constexpr std::array<std::pair<std::string_view, int32_t>, 5> kModels { {
    { "Todos eCode Connectable II", kPinPadReaderKind1 },
    { "ACS ACR83U", kPinPadReaderKind2 },
    { "Todos eCode Connectable", kPinPadReaderKind3 },
    { "ACS APG8201", kPinPadReaderKind1 },
    { "CASTLES EZpad", kPinPadReaderKind2 },
} };

} // namespace

int32_t ClassifyReader(std::string_view readerName)
{
    if (readerName.empty()) {
        return status::kMissingArgument;
    }
    for (const auto& [model, kind] : kModels) {
        if (readerName.starts_with(model)) {
            return kind;
        }
    }
    return kOrdinaryReader;
}

int32_t ClassifyReader(const OptText& readerName)
{
    if (!readerName) {
        return status::kMissingArgument;
    }
    const SecureBytes narrow = TextLow8(*readerName);
    return ClassifyReader(
        std::string_view(reinterpret_cast<const char*>(narrow.data()), narrow.size()));
}

} // namespace velkor::pcsc
