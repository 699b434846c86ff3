#include "dialogs/document_profile.h"

#include "dialogs/dialog_texts.h"

namespace velkor {

namespace {

using enum DocumentTag;
using enum ElementAttribute;

DocumentProfile MakeTransSet()
{
    return { DialogKind::kTransSet, { kCaption, kKeyType, kTimeOut, kAddComm, kFoxShow }, 512, 3,
        { kName, kType, kCiph, kCheck, kDefault }, 512, 512, 0, true, false, true,
        dialog_text::kLogoutSuffix, dialog_text::kNoListData, dialog_text::kListDataFailed };
}

DocumentProfile MakeTransSetNet()
{
    return { DialogKind::kTransSetNet, { kCaption, kKeyType, kTimeOut, kFoxShow }, 128, 12,
        { kName, kType, kCiph, kDefault }, 128, 3200, 0, false, false, false,
        dialog_text::kLeaveSuffix, dialog_text::kNoListData, dialog_text::kListDataFailed };
}

DocumentProfile MakeTransDeal()
{
    return { DialogKind::kTransDeal, { kCaption, kKeyType, kTimeOut, kFoxShow }, 128, 1,
        { kName, kType, kCiph, kDefault }, 128, 300, 0, false, false, false,
        dialog_text::kLeaveSuffix, dialog_text::kNoListData, dialog_text::kListDataFailed };
}

DocumentProfile MakeTransCom()
{
    return { DialogKind::kTransCom, { kCaption, kTimeOut, kSelect, kFoxShow, kFilter }, 256, 40,
        { kName, kType, kCiph, kDefault }, 128, 3200, 8, false, false, false,
        dialog_text::kLeaveSuffix, dialog_text::kNoListData, dialog_text::kListDataFailed };
}

DocumentProfile MakeTransOth()
{
    return { DialogKind::kTransOth, { kCaption, kKeyType, kTimeOut, kAddComm, kFoxShow }, 128, 1,
        { kName, kType, kCiph, kCheck, kMin, kDefault }, 128, 0, 0, false, true, false,
        dialog_text::kLeaveSuffix, dialog_text::kNoEncAccountData,
        dialog_text::kEncAccountDataFailed };
}

} // namespace

const DocumentProfile& ProfileFor(DialogKind kind)
{
    static const DocumentProfile transSet = MakeTransSet();
    static const DocumentProfile transSetNet = MakeTransSetNet();
    static const DocumentProfile transDeal = MakeTransDeal();
    static const DocumentProfile transCom = MakeTransCom();
    static const DocumentProfile transOth = MakeTransOth();
    switch (kind) {
    case DialogKind::kTransSet:
        return transSet;
    case DialogKind::kTransSetNet:
        return transSetNet;
    case DialogKind::kTransDeal:
        return transDeal;
    case DialogKind::kTransCom:
        return transCom;
    case DialogKind::kTransOth:
        break;
    }
    return transOth;
}

namespace {
const char16_t* TagName(DocumentTag tag)
{
    switch (tag) {
    case kCaption:
        return u"Caption";
    case kKeyType:
        return u"KeyType";
    case kTimeOut:
        return u"TimeOut";
    case kAddComm:
        return u"AddComm";
    case kFoxShow:
        return u"FoxShow";
    case kSelect:
        return u"Select";
    case kFilter:
        break;
    }
    return u"Filter";
}
} // namespace

// Built by appending: `u"<" + Text(...)` inserts at the front, which GCC 12 at -O3 takes for an
// overlapping copy (-Wrestrict).
Text StartTagOf(DocumentTag tag)
{
    return Text(u"<").append(TagName(tag)).append(u">");
}
Text EndTagOf(DocumentTag tag)
{
    return Text(u"</").append(TagName(tag)).append(u">");
}

Text AttributeNameOf(ElementAttribute attribute)
{
    switch (attribute) {
    case kName:
        return u"Name";
    case kType:
        return u"Type";
    case kCiph:
        return u"Ciph";
    case kCheck:
        return u"check";
    case kMin:
        return u"min";
    case kDefault:
        break;
    }
    return u"Default";
}

} // namespace velkor
