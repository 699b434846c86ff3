#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "common/text.h"
#include "control/ui.h"
#include "dialogs/message_sink.h"
#include "dialogs/parameter_document.h"

// The parameter document of the common-account entry forms: up to ten rows, each a drop-down
// choice (types '0' to '2') or a typed field (types '3' to '7') with its key type, cipher flag,
// minimum and maximum length and preset. Its lists follow their own rules: items of at most 80
// characters, empty items counted, and no selection for a default beyond the list.
namespace velkor {

inline constexpr size_t kCommonAccountRows = 10;

struct CommonAccountRow {
    CommonAccountRow() = default;
    CommonAccountRow(const CommonAccountRow&) = delete;
    CommonAccountRow& operator=(const CommonAccountRow&) = delete;
    CommonAccountRow(CommonAccountRow&&) = default;
    CommonAccountRow& operator=(CommonAccountRow&&) = default;
    ~CommonAccountRow();

    Text name; // "%%" turned into line breaks
    int lineBreaks = 0;
    char16_t type = u'0';
    char16_t keyType = u'0';
    char16_t ciph = u'0';
    int32_t min = 0;
    int32_t defaultValue = 0; // drop-down: the item selected at start; typed: the maximum length
    Text content; // as the document carries it (hexadecimal when enciphered)
    // Drop-down rows: the entries of the combo box, the items counted (empty ones included) and
    // the entry selected (-1: none).
    std::vector<Text> entries;
    int32_t itemCount = 0;
    int32_t selected = -1;
    bool listEnabled = true;
    Text preset; // typed rows: the undeciphered content; drop-down rows of function type 2: plain

    bool IsList() const { return type <= u'2'; }
    bool Enciphered() const { return ciph != u'0'; }
    bool IsSecret() const { return type == u'6' || type == u'7'; }
    // Key types '3' to '6' switch between the keypad and the keyboard.
    bool SwitchesKeyboard() const { return keyType >= u'3' && keyType <= u'6'; }
    // Key types '0', '1', '7', '8' are always entered on the keypad.
    bool KeypadOnly() const
    {
        return keyType == u'0' || keyType == u'1' || keyType == u'7' || keyType == u'8';
    }
    size_t MaximumLength() const
    {
        return defaultValue > 0 ? static_cast<size_t>(defaultValue) : 0;
    }
};

struct CommonAccountDocument {
    int32_t funType = 0;
    std::optional<Text> caption;
    std::optional<Text> title; // at most 63 characters
    std::optional<Text> countdownLabel; // the TimeOut text with the form's suffix
    int32_t timeoutSeconds = 180;
    int32_t keyOrder = 0; // 1: fixed keypad order
    int32_t foxShow = 0;
    std::vector<CommonAccountRow> rows;
};

// Reads `document` (empty view with a null data pointer: none was passed). The web form shows each
// element's failure and goes on; the net-bank form stops at the first and returns its code. Returns
// a parse_result.
int32_t ReadCommonAccountDocument(CommonAccountFormKind form, std::u16string_view document,
    const ListDecipher& decipher, MessageSink& messages, CommonAccountDocument& out);

// Fills a drop-down row's entries from a plain list content and selects `defaultIndex` when it
// names an entry.
void LoadCommonAccountList(
    std::u16string_view content, int32_t defaultIndex, CommonAccountRow& row);

// The item a drop-down row's selection designates: items are counted empty or not, so a list
// with an empty item finds no item for the entries after it.
struct CommonAccountChoice {
    Text display; // before the last "%%", at most 80 characters
    Text code; // the first 3 characters after the last "%%"; empty for an item without "%%"
};
std::optional<CommonAccountChoice> CommonAccountItem(std::u16string_view content, int32_t index);

} // namespace velkor
