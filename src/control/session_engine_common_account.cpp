#include "common/secure_buffer.h"
#include "common/status_codes.h"
#include "control/session_engine.h"

namespace velkor {

namespace {

std::u16string_view ViewOf(const OptText& text)
{
    return text ? std::u16string_view(*text) : std::u16string_view();
}

} // namespace

int32_t SessionEngine::CommAccountNet(const OptText& sessionKeyHash,
    const OptText& encipheredSessionKey, const OptText& document, Text& respData,
    Text& encipheredCommonAccount, const PageInteraction& page) const
{
    CommonAccountRequest form;
    WipeOnExit wipePlain(form.plainOutput);
    form.form = CommonAccountFormKind::NetBank;
    form.document = ViewOf(document);
    form.keys = { ViewOf(sessionKeyHash), ViewOf(encipheredSessionKey) };
    if (page.RunDialog([&form](Ui& ui) { return ui.RunCommonAccountForm(form); })
        != PageInteraction::kConfirmed) {
        return status::kNotConfirmed;
    }
    WipeString(respData);
    respData = form.plainOutput;
    encipheredCommonAccount = form.protectedOutput;
    return status::kOk;
}

} // namespace velkor
