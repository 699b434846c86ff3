#include "owned_handles.h"

#include "card_use_registry.h"

namespace velkor::pcsc {

int32_t ContextHandle::Establish()
{
    Release();
    return Api().EstablishContext(value_);
}

int32_t ContextHandle::Release()
{
    if (value_ == 0) {
        return 0;
    }
    const int32_t result = Api().ReleaseContext(value_);
    value_ = 0;
    return result;
}

int32_t CardHandle::Disconnect(DWORD disposition)
{
    if (value_ == 0) {
        return 0;
    }
    const int32_t result = Api().Disconnect(value_, disposition);
    if (disposition != SCARD_LEAVE_CARD) {
        detail::RecordCardReset(reader_);
    }
    value_ = 0;
    return result;
}

} // namespace velkor::pcsc
