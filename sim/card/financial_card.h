#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "card_factory.h"
#include "virtual_card.h"

// The virtual financial card: one application (A0 00 00 01 72 95 00 01) with the account file
// EF1001 (record 1 issuer, record 2 remark, records 3 to 10 accounts), the second account file
// EF1002 (records 1 to 8), the PIN file 00 C2 with a tries counter, the card serial behind READ
// BINARY, and the transaction command E2 that answers a serial number (SNUM, a per-card counter)
// and a TAC (transaction_mac.h). See sim/README.md for the profile fields.
namespace velkor::sim {

// An answer the card gives instead of its own to commands that begin with `prefix` (and, when
// `file` is set, only while that file is the current one), `times` times or always (-1).
struct ForcedAnswer {
    Bytes prefix;
    Bytes answer;
    std::optional<uint16_t> file;
    int times = -1;
};

struct FinancialCardProfile {
    CardBasics basics;
    Bytes serial; // the 16 bytes of READ BINARY; bytes 4 to 11 are the card serial
    // Records of EF1001 (index 0 = record 1) and EF1002; null = the record does not exist.
    std::vector<std::optional<Bytes>> ef1001;
    std::vector<std::optional<Bytes>> ef1002;
    Bytes pinBlock; // 8 bytes
    int pinTries = 3;
    int triesLeft = 3;
    Bytes tacKey; // 16 bytes
    uint32_t nextSnum = 1;
    // E2 answers 6982 unless the PIN was verified since the card was powered on or reset.
    bool transactionNeedsPin = true;
    std::vector<ForcedAnswer> forced;
};

class FinancialCard final : public VirtualCard {
public:
    explicit FinancialCard(FinancialCardProfile profile);
    ~FinancialCard() override;

    const Bytes& Atr() const override { return profile_.basics.atr; }
    CardProtocol Protocol() const override { return profile_.basics.protocol; }
    void PowerOn() override { ClearVolatileState(); }
    void PowerOff() override { ClearVolatileState(); }
    void Reset() override { ClearVolatileState(); }
    Bytes Transmit(const Bytes& command) override;

    // What tests look at.
    int TriesLeft() const { return profile_.triesLeft; }
    const Bytes& PinBlockForTesting() const { return profile_.pinBlock; }
    uint32_t NextSnum() const { return profile_.nextSnum; }

private:
    struct Apdu;

    void ClearVolatileState();
    Bytes Answer(const Bytes& command);
    // T=0 transport: answers with data wait behind 61xx for GET RESPONSE.
    Bytes TransmitT0(const Bytes& command);
    std::optional<Bytes> ForcedAnswerFor(const Bytes& command);
    Bytes Select(const Apdu& apdu);
    Bytes ReadBinary(const Apdu& apdu) const;
    Bytes ReadRecord(const Apdu& apdu) const;
    Bytes Verify(const Apdu& apdu);
    Bytes WriteRecord(const Apdu& apdu);
    Bytes SignTransaction(const Apdu& apdu);

    FinancialCardProfile profile_;
    bool applicationSelected_ = false;
    std::optional<uint16_t> currentFile_;
    bool pinVerified_ = false; // for the PIN write: cleared by selecting the application
    bool pinVerifiedThisSession_ = false; // for E2: kept until power-off or reset
    Bytes pendingResponse_; // T=0: the data the next GET RESPONSE returns
};

// The card kind "financial" of the card factory.
std::unique_ptr<VirtualCard> MakeFinancialCard(
    const nlohmann::json& description, const CardBasics& basics, std::string& error);

} // namespace velkor::sim
