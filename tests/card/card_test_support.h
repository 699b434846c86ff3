#pragma once

#include <functional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "common/text.h"
#include "control/ui.h"

// Shared by the card and transaction tests: a Ui that records what the customer would have seen,
// and the financial card and readers the tests run against.
namespace velkor::testing {

class ScriptedUi final : public Ui {
public:
    // Called when a message box opens, before it counts as closed (for looking at the card's
    // state at that moment).
    std::function<void()> onMessage;
    // "message", "wait" and "arrow", in order.
    std::vector<std::string> events;
    std::vector<Text> texts;
    std::vector<Text> captions;

    void ShowMessage(std::u16string_view text, std::u16string_view caption) override
    {
        events.push_back("message");
        texts.emplace_back(text);
        captions.emplace_back(caption);
        if (onMessage) {
            onMessage();
        }
    }
    void SetWaitCursor() override { events.push_back("wait"); }
    void SetArrowCursor() override { events.push_back("arrow"); }
};

inline constexpr char kPadReader[] = "ACS ACR83U 00 00";
inline constexpr char kPlainReader[] = "Generic Reader 01";
inline constexpr char kCardAccount[] = "8220012345678901";
inline constexpr char kTacKeyHex[] = "404142434445464748494A4B4C4D4E4F";

inline nlohmann::json FinancialCard(nlohmann::json extra = nlohmann::json::object())
{
    nlohmann::json card = { { "kind", "financial" }, { "atr", "3B80800101" }, { "protocol", "T1" },
        { "serial", "00112233445566778899AABBCCDDEEFF" }, { "issuer", "822" },
        { "remark", "000102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D" },
        { "accounts",
            { kCardAccount, "8220012345678902", "0000000000000000", "0000000000000000",
                "0000000000000000", "0000000000000000", "0000000000000000", "0000000000000000" } },
        { "pin", "123456" }, { "tacKey", kTacKeyHex } };
    card.update(extra);
    return card;
}

// A PIN-pad reader whose customer types `pin` (and `newPin` for a change), and a plain reader.
inline nlohmann::json Readers(nlohmann::json padCard, nlohmann::json plainCard = nullptr,
    const std::string& pin = "123456", const std::string& newPin = "654321")
{
    return { { "readers",
        nlohmann::json::array(
            { { { "name", kPadReader }, { "pinPad", { { "pin", pin }, { "newPin", newPin } } },
                  { "card", std::move(padCard) } },
                { { "name", kPlainReader }, { "card", std::move(plainCard) } } }) } };
}

} // namespace velkor::testing
