#pragma once

#include <array>
#include <optional>

#include "common/text.h"

// The confirmation dialog's message document: nineteen optional tags <Tag1> to <Tag19>, each
// shown in a fixed control of the dialog.
namespace velkor {

class ConfirmMessageDocument {
public:
    static constexpr int kTagCount = 19;
    // Each slot keeps 279 characters (the capacity counts a terminator, as the scanner expects).
    static constexpr size_t kSlotCapacity = 280;

    // Reads every tag of `document`; a missing document leaves every tag absent.
    void Read(const OptText& document);

    // Tag `number` (1 to 19): missing when the document has no complete tag of that number.
    const std::optional<Text>& Tag(int number) const;

private:
    std::array<std::optional<Text>, kTagCount> tags_;
};

} // namespace velkor
