#include "control/velkor_ctrl.h"

namespace velkor {

Text CVelkorCtrl::ConvertIntToHex(int32_t inLength, const OptText& pInval)
{
    return cardEngine_.ConvertIntToHex(inLength, pInval, state_.lastErrorCode);
}

Text CVelkorCtrl::ConvertHexToInt(int32_t inLength, const OptText& pInval)
{
    return cardEngine_.ConvertHexToInt(inLength, pInval, state_.lastErrorCode);
}

int32_t CVelkorCtrl::DES(
    int32_t Opflag, int32_t KeyLen, const OptText& KeyVal, const OptText& inData)
{
    return cardEngine_.Des(Opflag, KeyLen, KeyVal, inData, state_.respData);
}

int32_t CVelkorCtrl::MAC(
    int32_t KeyLen, const OptText& KeyVal, const OptText& ICV, int32_t inLen, const OptText& inData)
{
    return cardEngine_.Mac(KeyLen, KeyVal, ICV, inLen, inData, state_.respData);
}

} // namespace velkor
