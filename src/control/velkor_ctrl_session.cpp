#include "common/status_codes.h"
#include "control/velkor_ctrl.h"
#include "pcsc/reader_session.h"

namespace velkor {

// The context is established by ListReaders or by the first connection.
int32_t CVelkorCtrl::ConnectReader()
{
    return status::kOk;
}

int32_t CVelkorCtrl::ListReaders()
{
    return cardEngine_.ListReaders(state_.readerNameTable, state_.readerCount);
}

// A page that asks before listing learns -1, and keeps seeing it until a listing or connection.
int32_t CVelkorCtrl::GetReaderNumber()
{
    if (state_.readerCount == 0) {
        state_.readerCount = -1;
    }
    return state_.readerCount;
}

Text CVelkorCtrl::GetReaderName(int32_t Offset)
{
    if (Offset < 0 || Offset >= state_.readerCount || Offset >= ControlState::kReaderNameCapacity) {
        return {};
    }
    return state_.readerNameTable[static_cast<size_t>(Offset)];
}

int32_t CVelkorCtrl::ConnectCard(const OptText& pReaderName)
{
    state_.ClearCardSession();
    state_.readerSlotIndex = 0;
    if (state_.readerCount < 1) {
        state_.readerCount = 1; // a page may connect a reader it knows without listing
    }
    return ConnectCardInto(pReaderName);
}

// The card is always connected the same way; `reset_flag` is accepted for pages that pass it.
int32_t CVelkorCtrl::ReConnectCard(const OptText& pReaderName, int32_t /*reset_flag*/)
{
    state_.ClearCardSession();
    return ConnectCardInto(pReaderName);
}

int32_t CVelkorCtrl::ConnectCardInto(const OptText& readerName)
{
    if (!readerName) {
        return status::kNoReaderName;
    }
    int32_t atrHexLength = 0;
    Text atrHex;
    const int32_t result
        = cardEngine_.ConnectCard(readerName, state_.readerSlotIndex, atrHexLength, atrHex);
    if (result == status::kOk) {
        state_.cardStatusText = std::move(atrHex);
    }
    return result;
}

// Keeps the context and the binding, so the next connection is quick.
int32_t CVelkorCtrl::DisconnectCard()
{
    readerSession_.DisconnectSlot(state_.readerSlotIndex, pcsc::kResetCard);
    state_.ClearCardSession();
    return status::kOk;
}

// Stored texts stay: a page may still read the last transaction's results.
int32_t CVelkorCtrl::DisconnectReader()
{
    return cardEngine_.DisconnectCard(state_.readerSlotIndex);
}

// pcsc-lite answers a probe of an empty reader with "no smart card" where other PC/SC services
// say "card removed"; both mean the card was taken out.
int32_t CVelkorCtrl::CheckCardInsert()
{
    std::vector<uint8_t> atr;
    const int32_t result
        = readerSession_.ProbeSlot(atr, state_.readerSlotIndex, pcsc::kShareExclusive);
    if (result == 0) {
        return 0;
    }
    return result == pcsc::kRemovedCard || result == pcsc::kNoSmartcard ? 1 : -1;
}

Text CVelkorCtrl::GetCardStatus()
{
    return state_.cardStatusText;
}

Text CVelkorCtrl::GetReaderStatus(int32_t AttribID)
{
    int32_t length = 0;
    Text value;
    const int32_t result
        = cardEngine_.ReaderStatus(state_.readerSlotIndex, AttribID, length, value);
    if (result != status::kOk) {
        state_.lastErrorCode = result;
        return {};
    }
    return value;
}

} // namespace velkor
