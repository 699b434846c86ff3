#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The bank's side of the common-account form (velkor_host): the parameter document that
// describes the form's rows, and the way back from the enciphered common account that
// GetEncCommAcc returns to the value of each row.
//
// The control reads the document with plain substring searches, not as XML: an attribute is the
// text between the double quotes after the first occurrence of its name anywhere in the element,
// an element ends at its first "/>" or "</AtmNode>", list items end at ";;" and a code follows
// the last "%%". The builder therefore writes the attributes in an order in which no earlier
// text can contain a later name, and refuses texts that would be read differently from what the
// bank meant.
namespace velkor::host {

// A row of the form.
struct CommonAccountRow {
    // The label; "%%" in it breaks the line.
    std::u16string name;
    // '0'-'2' a drop-down list; '3' digits; '4' letters and digits; '5' a typed text; '6' a secret
    // (the first '6' row of the web-ATM form holds the card PIN); '7' a secret.
    char16_t type = u'0';
    // '0','1' keypad; '2' keyboard; '3','4' keypad with a switch to the keyboard; '5','6'
    // keyboard with a switch to the keypad; '7','8' keypad with letters (';;' after the value).
    char16_t keyType = u'0';
    // Typed rows: the least number of characters before OK.
    int32_t min = 0;
    // Drop-down rows: the item selected at start; typed rows: the most characters.
    int32_t defaultValue = 0;
    // The row's content travels enciphered under the session key.
    bool enciphered = false;
    // Drop-down rows (outside function type 2): the items, shown text and bank code.
    struct Item {
        std::u16string display;
        std::u16string code;
    };
    std::vector<Item> items;
    // Typed rows, and every row in function type 2: the value the row starts with.
    std::u16string preset;
};

struct CommonAccountForm {
    // 2: the form shows prepared rows and takes entry only in its secret rows. Absent: not
    // written.
    std::optional<int32_t> functionType;
    std::u16string caption;
    std::u16string title;
    // Seconds of the countdown; absent: the control's 180.
    std::optional<int32_t> timeOutSeconds;
    // The digit keys in the order 1 2 3 4 5 6 7 8 9 0 instead of shuffled.
    bool fixedKeypad = false;
    // 1 to 10 rows.
    std::vector<CommonAccountRow> rows;
};

bool IsDropDownRow(const CommonAccountRow& row);
// Whether the row's value is in the plain output at all (a secret '6' row of key type '7' or
// '8' is not).
bool RowIsOutput(const CommonAccountRow& row);

// The parameter document for CommAccountProc / CommAccountNet. Enciphered rows need the session
// key (8, 16 or 24 bytes). False, with `error` saying why, for a form the control would read
// differently: no rows or more than 10, a type or key type out of range, a text with a double
// quote, "<", "/>", or a list separator where it would cut the text, a preset of more than 128
// characters as written, a type '3' preset that is not all digits or a type '4' preset not all
// letters and digits, an enciphered text without any ASCII letter, digit or space (the control
// would not read it back as text).
bool BuildCommonAccountDocument(const CommonAccountForm& form, std::span<const uint8_t> sessionKey,
    std::u16string& document, std::string* error = nullptr);

// The plain common account (GetClearCommAcc) split into one value per row of `form`, in row
// order, empty for rows left out of the output: each row's value ends at its separator ("||",
// ";;" for key types '7' and '8'). False when the text does not hold exactly the form's values.
bool SplitCommonAccount(
    const CommonAccountForm& form, std::u16string_view plain, std::vector<std::u16string>& values);

// GetEncCommAcc's text deciphered under the session key and split as above. The values hold what
// the customer typed (secret rows included): the caller wipes them.
bool OpenCommonAccount(const CommonAccountForm& form, std::span<const uint8_t> sessionKey,
    std::string_view encipheredHex, std::vector<std::u16string>& values);

} // namespace velkor::host
