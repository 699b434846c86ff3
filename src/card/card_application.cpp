#include "card/card_application.h"

namespace velkor::card {

pcsc::ApduResult SelectApplication(pcsc::CardSlot slot)
{
    uint8_t le = 0x00;
    pcsc::ApduResponse response;
    return pcsc::TransmitApdu(slot, { 0x00, 0xA4, 0x04, 0x00 }, kApplicationId, le, response);
}

Result EnterApplication(pcsc::CardSlot slot)
{
    return Succeeded(SelectApplication(slot)) ? Outcome::Done : Outcome::ApplicationNotSelected;
}

pcsc::ApduResult SelectFile(pcsc::CardSlot slot, const FileId& file)
{
    return pcsc::TransmitApdu(slot, { 0x00, 0xA4, 0x02, 0x00 }, file);
}

pcsc::ApduResult ReadRecord(
    pcsc::CardSlot slot, uint8_t record, uint8_t le, pcsc::ApduResponse& response)
{
    return pcsc::TransmitApdu(slot, { 0x00, 0xB2, record, 0x04 }, {}, le, response);
}

} // namespace velkor::card
