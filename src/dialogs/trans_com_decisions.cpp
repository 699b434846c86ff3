#include "dialogs/trans_com_decisions.h"

#include <algorithm>
#include <set>

#include "common/secure_buffer.h"
#include "dialogs/document_scanner.h"
#include "net_selection_result.h"

namespace velkor {

using namespace trans_com;

namespace {

constexpr char16_t kGroupType = u'1';

bool ContainsNoCase(std::u16string_view text, std::u16string_view part)
{
    return scanner::FindNoCase(text, part) != scanner::kNotFound;
}

// Field `number` (from 1) of a value whose fields are separated by "||".
std::u16string_view FieldOf(std::u16string_view value, int32_t number)
{
    if (number < 1) {
        return {};
    }
    for (int32_t i = 1; i < number; ++i) {
        const size_t separator = value.find(u"||");
        if (separator == std::u16string_view::npos) {
            return {};
        }
        value.remove_prefix(separator + 2);
    }
    return value.substr(0, std::min(value.find(u"||"), kFilterFieldMaxChars));
}

} // namespace

TransComDecisions::TransComDecisions(
    NetSelectionRequest& request, DialogTimers& timers, MessageSink& messages, FontSizeFile fonts)
    : NetSelectionDecisions(DialogKind::kTransCom, request, timers, messages, std::move(fonts))
{
    static const std::pair<int, const char16_t*> kTemplate[] = { { 1012, u"過濾帳號" },
        { kFilterField, u"*" }, { kFilterButton, u"過濾" },
        { 1013, u"(請輸入戶名or帳號說明,輸入*表顯示全部帳號)" }, { 1016, u"群組" },
        { 1017, u"選取常用帳號" }, { 1018, u"銀行別" }, { 1019, u"帳號" }, { 1020, u"收款人戶名" },
        { 1021, u"收款人ID" }, { 1022, u"Email" }, { 1023, u"Static_13" }, { 1024, u"Static_14" },
        { 1025, u"Static_15" }, { 1103, u"顯示字型" } };
    for (const auto& [id, text] : kTemplate) {
        Mutable(id).text = text;
    }
    Mutable(kGroupList);
    Mutable(kAccountList);
    for (int row = 0; row < kDetailRows; ++row) {
        Mutable(kFirstDetailRow + row);
    }
}

void TransComDecisions::Initialise()
{
    const ParameterDocument& document = Document();
    for (size_t i = 0; i < document.titles.size() && i < kDetailRows; ++i) {
        Mutable(kFirstDetailLabel + static_cast<int>(i)).text = document.titles[i];
    }
    NetControl& groups = Mutable(kGroupList);
    for (size_t i = 0; i < document.elements.size(); ++i) {
        const DocumentElement& element = document.elements[i];
        if (element.type != kGroupType) {
            continue;
        }
        groups_.push_back(i);
        groups.entries.push_back(kGroupPrefix + element.name.substr(0, kGroupNameMaxChars));
        allGroupsEntry_ = allGroupsEntry_ || element.items.Count() > 0;
    }
    if (allGroupsEntry_) {
        groups.entries.insert(groups.entries.begin(), kAllGroups);
    }
    groups.selected = groups.entries.empty() ? -1 : 0;
    ListAccounts({});
    if (document.select > 0 && static_cast<size_t>(document.select) < groups.entries.size()) {
        Select(kGroupList, document.select);
    } else {
        ShowDetails(false);
    }
}

void TransComDecisions::SetFilterText(const Text& text)
{
    Mutable(kFilterField).text = text.substr(0, kFilterMaxChars);
}

std::vector<size_t> TransComDecisions::ChosenGroups() const
{
    const NetControl& groups = Control(kGroupList);
    if (groups.selected < 0) {
        return groups_; // no group entry: every group's items, as at the start
    }
    const Text& chosen = groups.entries[static_cast<size_t>(groups.selected)];
    if (allGroupsEntry_ && groups.selected == 0) {
        return groups_;
    }
    // Found by name, as the list shows it: two groups of the same name both answer.
    std::vector<size_t> found;
    for (const size_t element : groups_) {
        const DocumentElement& group = Document().elements[element];
        if (kGroupPrefix + group.name.substr(0, kGroupNameMaxChars) == chosen) {
            found.push_back(element);
        }
    }
    return found;
}

bool TransComDecisions::Matches(const ListItem& item, std::u16string_view filter, int32_t field)
{
    const size_t bracket = item.display.find(u')');
    if (bracket != Text::npos
        && ContainsNoCase(std::u16string_view(item.display).substr(bracket + 1), filter)) {
        return true;
    }
    return ContainsNoCase(FieldOf(item.value, field), filter);
}

void TransComDecisions::ListAccounts(std::u16string_view filter)
{
    Busy(true);
    const ParameterDocument& document = Document();
    NetControl& accounts = Mutable(kAccountList);
    shown_.clear();
    accounts.entries.clear();
    std::set<Text> listed;
    for (const size_t element : ChosenGroups()) {
        const ItemList& items = document.elements[element].items;
        for (size_t i = 0; i < items.Count(); ++i) {
            if (!filter.empty()) {
                if (!Matches(items[i], filter, document.filter)
                    || !listed.insert(items[i].display).second) {
                    continue;
                }
            }
            shown_.push_back({ element, i });
            accounts.entries.push_back(items[i].display);
        }
    }
    accounts.selected = accounts.entries.empty() ? -1 : 0;
    Busy(false);
}

void TransComDecisions::ApplyFilter()
{
    if (!IsOpen()) {
        return;
    }
    const Text filter = Control(kFilterField).text;
    if (filter.empty()) {
        return;
    }
    ListAccounts(filter == u"*" ? std::u16string_view() : std::u16string_view(filter));
    ShowDetails(true);
}

bool TransComDecisions::Select(int listId, int index)
{
    if (!IsOpen() || (listId != kGroupList && listId != kAccountList)) {
        return false;
    }
    NetControl& list = Mutable(listId);
    if (index < 0 || static_cast<size_t>(index) >= list.entries.size()) {
        return false;
    }
    list.selected = index;
    if (listId == kGroupList) {
        // A new group lists all its items, then the filter narrows them as the button would.
        ListAccounts({});
        if (Control(kFilterField).text.empty()) {
            ShowDetails(true);
        } else {
            ApplyFilter();
        }
    } else {
        ShowDetails(true);
    }
    return true;
}

void TransComDecisions::ShowDetails(bool tellWhenEmpty)
{
    for (int row = 0; row < kDetailRows; ++row) {
        WipeString(Mutable(kFirstDetailRow + row).text);
    }
    const NetControl& accounts = Control(kAccountList);
    if (accounts.selected < 0 || accounts.entries[static_cast<size_t>(accounts.selected)].empty()) {
        if (tellWhenEmpty) {
            messages_.ShowMessage(net_selection::kChooseAccount, kBankCaption);
        }
        return;
    }
    const AccountRef ref = shown_[static_cast<size_t>(accounts.selected)];
    Text result
        = ResultForItem(Document().elements[ref.element], ref.item, net_selection::kKindCommon);
    WipeOnExit<Text> wipeResult(result);
    std::u16string_view fields
        = std::u16string_view(result).substr(std::min<size_t>(3, result.size()));
    const size_t rows = std::min<size_t>(Document().titles.size(), kDetailRows);
    for (size_t row = 0; row < rows && !fields.empty(); ++row) {
        const size_t separator = fields.find(u"||");
        Mutable(kFirstDetailRow + static_cast<int>(row)).text
            = Text(fields.substr(0, std::min(separator, kDetailMaxChars)));
        fields.remove_prefix(
            separator == std::u16string_view::npos ? fields.size() : separator + 2);
    }
}

void TransComDecisions::Ok()
{
    if (!IsOpen()) {
        return;
    }
    const NetControl& accounts = Control(kAccountList);
    if (accounts.selected < 0 || accounts.entries[static_cast<size_t>(accounts.selected)].empty()) {
        messages_.ShowMessage(net_selection::kChooseAccount, kBankCaption);
        return;
    }
    const AccountRef ref = shown_[static_cast<size_t>(accounts.selected)];
    Text result
        = ResultForItem(Document().elements[ref.element], ref.item, net_selection::kKindCommon);
    Finish(result);
}

void TransComDecisions::Busy(bool busy)
{
    if (waitCursor_) {
        waitCursor_(busy);
    }
}

} // namespace velkor
