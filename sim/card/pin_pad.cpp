#include "pin_pad.h"

#include <algorithm>
#include <iostream>

#include "common/secure_buffer.h"

namespace velkor::sim {

namespace {

constexpr size_t kBlockSize = 8;
constexpr uint8_t kVerify = 0x20;
constexpr uint8_t kSignedWrite = 0xE2;
const Bytes kCancelledOnPad { 0x64, 0x01 };

bool HasBlankBlock(const Bytes& command, uint8_t fill)
{
    return command.size() == 5 + kBlockSize && command[4] == kBlockSize
        && std::all_of(command.begin() + 5, command.end(), [fill](uint8_t b) { return b == fill; });
}

// The command with its data replaced by the block of `digits`; wiped by the caller.
Bytes WithBlock(const Bytes& header, std::string_view digits)
{
    Bytes command(header.begin(), header.begin() + 4);
    command.push_back(kBlockSize);
    auto block = PinBlock(digits);
    command.insert(command.end(), block->begin(), block->end());
    Wipe(block->data(), block->size());
    return command;
}

bool IsPinDigits(std::string_view digits)
{
    return !digits.empty() && digits.size() <= 2 * kBlockSize
        && std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool IsSuccess(const Bytes& response)
{
    return response.size() >= 2 && response[response.size() - 2] == 0x90
        && response[response.size() - 1] == 0x00;
}

// What the pad's display shows of a command's data: its printable characters, dots for others.
std::string DisplayText(const Bytes& command)
{
    std::string text;
    if (command.size() > 5) {
        const size_t end = std::min(command.size(), size_t { 5 } + command[4]);
        for (size_t i = 5; i < end; ++i) {
            text += (command[i] >= 0x20 && command[i] < 0x7F) ? static_cast<char>(command[i]) : '.';
        }
    }
    return text;
}

// A command the card signs: the pad shows its data, takes the PIN and has the card verify it
// before it lets the command through, as a signing reader does.
Bytes SignThroughPinPad(
    const PinPadSettings& pad, const Bytes& command, const CardExchange& sendToCard)
{
    std::cerr << "[PIN pad] confirm " << DisplayText(command) << " and enter the PIN" << std::endl;
    if (!IsPinDigits(pad.pin)) {
        return kCancelledOnPad;
    }
    Bytes verifyCommand = WithBlock(Bytes { 0x00, kVerify, 0x00, 0x10 }, pad.pin);
    const Bytes verified = sendToCard(verifyCommand);
    Wipe(verifyCommand.data(), verifyCommand.size());
    if (!IsSuccess(verified)) {
        return verified;
    }
    return sendToCard(command);
}

} // namespace

std::optional<Bytes> PinBlock(std::string_view digits)
{
    if (!IsPinDigits(digits)) {
        return std::nullopt;
    }
    Bytes block(kBlockSize, 0xFF);
    for (size_t i = 0; i < digits.size(); ++i) {
        const auto digit = static_cast<uint8_t>(digits[i] - '0');
        uint8_t& target = block[i / 2];
        target = (i % 2 == 0) ? static_cast<uint8_t>((digit << 4) | 0x0F)
                              : static_cast<uint8_t>((target & 0xF0) | digit);
    }
    return block;
}

Bytes ExchangeThroughPinPad(
    const PinPadSettings& pad, const Bytes& command, const CardExchange& sendToCard)
{
    if (command.size() >= 4 && command[1] == kSignedWrite) {
        return SignThroughPinPad(pad, command, sendToCard);
    }
    if (command.size() < 4 || command[1] != kVerify) {
        return sendToCard(command);
    }
    const bool verify = command.size() == 4 || HasBlankBlock(command, 0xFF);
    const bool change = HasBlankBlock(command, 0xF0);
    if (!verify && !change) {
        return sendToCard(command); // a PIN typed on the host: nothing for the pad to do
    }
    if (!IsPinDigits(pad.pin) || (change && !IsPinDigits(pad.newPin))) {
        return kCancelledOnPad;
    }

    Bytes verifyCommand = WithBlock(command, pad.pin);
    Bytes answer = sendToCard(verifyCommand);
    Wipe(verifyCommand.data(), verifyCommand.size());
    if (!change || !IsSuccess(answer)) {
        return answer;
    }
    Bytes writeCommand = WithBlock(Bytes { 0x00, 0xD2, 0x01, 0x04 }, pad.newPin);
    answer = sendToCard(writeCommand);
    Wipe(writeCommand.data(), writeCommand.size());
    return answer;
}

} // namespace velkor::sim
