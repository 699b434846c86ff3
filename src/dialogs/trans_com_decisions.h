#pragma once

#include <functional>
#include <vector>

#include "dialogs/net_selection_decisions.h"

// TransCom: the customer picks one of the common accounts, narrowed by group (list 1091) and by a
// filter text (field 1001, button 1042); the chosen account's fields fill the detail rows. OK
// hands over the result built from the chosen item with kind '1'.
namespace velkor {

namespace trans_com {
inline constexpr int kFilterField = 1001;
inline constexpr int kFilterButton = 1042;
inline constexpr int kGroupList = 1091;
inline constexpr int kAccountList = 1092;
inline constexpr int kFirstDetailRow = 1002; // to 1009
inline constexpr int kFirstDetailLabel = 1018; // to 1025
inline constexpr int kDetailRows = 8;
inline constexpr size_t kFilterMaxChars = 64;
inline constexpr size_t kDetailMaxChars = 80;
inline constexpr size_t kFilterFieldMaxChars = 256;
inline constexpr size_t kGroupNameMaxChars = 48;
inline const Text kAllGroups = u"群組-全部";
inline const Text kGroupPrefix = u"群組-";
} // namespace trans_com

class TransComDecisions final : public NetSelectionDecisions {
public:
    TransComDecisions(NetSelectionRequest& request, DialogTimers& timers, MessageSink& messages,
        FontSizeFile fonts);

    // The wait cursor while the account list is rebuilt (true: wait, false: arrow).
    void SetWaitCursor(std::function<void(bool)> waitCursor)
    {
        waitCursor_ = std::move(waitCursor);
    }

    // The filter field's text as typed (kept to 64 characters).
    void SetFilterText(const Text& text);
    // The button "過濾".
    void ApplyFilter();
    // Entry `index` of the group list (then the filter) or of the account list (then the
    // details); false when the list has no such entry.
    bool Select(int listId, int index);
    void Ok() override;

    // Whether `item` matches the filter text `filter` (neither empty nor "*"): in the display
    // text after its first ')', or in field `field` (from 1) of the value.
    static bool Matches(const ListItem& item, std::u16string_view filter, int32_t field);

protected:
    void Initialise() override;

private:
    struct AccountRef {
        size_t element;
        size_t item;
    };
    // The group elements of the chosen group entry (all of them for "群組-全部").
    std::vector<size_t> ChosenGroups() const;
    // Lists the items of the chosen groups that `filter` matches (all for an empty filter).
    void ListAccounts(std::u16string_view filter);
    void ShowDetails(bool tellWhenEmpty);
    void Busy(bool busy);

    std::vector<size_t> groups_; // element indexes, in the order of the group list's entries
    bool allGroupsEntry_ = false;
    std::vector<AccountRef> shown_;
    std::function<void(bool)> waitCursor_;
};

} // namespace velkor
