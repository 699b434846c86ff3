#pragma once

#include <cstddef>
#include <vector>

#include "common/text.h"

// What each dialog reads from its parameter document: which top-level tags in which order, the
// size of its tag slot, how many list elements it accepts and which of their attributes it reads.
namespace velkor {

enum class DialogKind { kTransSet, kTransSetNet, kTransDeal, kTransCom, kTransOth };

enum class DocumentTag { kCaption, kKeyType, kTimeOut, kAddComm, kFoxShow, kSelect, kFilter };

enum class ElementAttribute { kName, kType, kCiph, kCheck, kMin, kDefault };

struct DocumentProfile {
    DialogKind kind;
    std::vector<DocumentTag> tags; // in reading order
    size_t tagCapacity; // characters, terminator included
    size_t elementMaximum;
    std::vector<ElementAttribute> attributes; // in reading order
    size_t attributeCapacity; // characters, terminator included
    size_t hiddenSlots; // items per list that keep a hidden value
    size_t titleMaximum; // repeated Title elements read (detail rows)
    bool skipFailedElements; // a failing element is skipped instead of ending the parse
    bool contentIsPreset; // the element carries one preset text instead of a list
    bool bankListDisplayOnly; // the list at position 2 keeps display texts only
    Text countdownSuffix; // appended to the TimeOut text for the countdown label
    Text noDataMessage; // enciphered element without content
    Text dataFailedMessage; // enciphered element of wrong length or that does not decipher
};

const DocumentProfile& ProfileFor(DialogKind kind);

// The start and end tag texts of a top-level tag.
Text StartTagOf(DocumentTag tag);
Text EndTagOf(DocumentTag tag);
// The attribute name as written in documents.
Text AttributeNameOf(ElementAttribute attribute);

} // namespace velkor
