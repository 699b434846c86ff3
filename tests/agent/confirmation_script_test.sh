#!/bin/sh
# Confirmed withdrawals driven through `velkor call --ui script=FILE` on the simulator, in virtual
# time: the page's description checked against the transaction (first and later check), a zero
# amount that needs no check, a card pulled again after it came back, both time-outs, and argument
# errors that open no dialog at all.
velkor="$1"
simulator="$2"
config="$3"
dir=$(mktemp -d) || exit 1
trap 'rm -rf "$dir"' EXIT
fail() { echo "FAILED: $1"; exit 1; }

reader="ACS ACR83U 00 00"
account="8220012345678901"
document() { # account shown, amount shown
    echo "<Tag1>提款：確認交易資料</Tag1><Tag6>提款帳號</Tag6><Tag7>$1</Tag7><Tag12>提款金額</Tag12><Tag13>$2</Tag13>"
}
# check NAME RESULT SCRIPT MONEY DOCUMENT [PIN]: the withdrawal under SCRIPT gives RESULT and
# velkor call exits 0 (no script problem).
check() {
    printf '%s' "$3" > "$dir/$1.json"
    result=$(VELKOR_PCSC_LIBRARY="$simulator" VELKOR_SIM_CONFIG="$config" \
        "$velkor" call --ui "script=$dir/$1.json" \
        "AccountWithdrawEx(\"2510\", \"00000001\", \"12345678\", \"$4\", \"$account\", \"$reader\", \"${6:-123456}\", \"$5\")" \
        2>"$dir/$1.err")
    code=$?
    [ "$code" = 0 ] || fail "$1: exit $code: $(cat "$dir/$1.err")"
    [ "$result" = "$2" ] || fail "$1: result $result, expected $2: $(cat "$dir/$1.err")"
}
hundred="00000000100000"
# The status codes the withdrawal gives, by their names in status_codes.h.
kNotConfirmed=20756
kConfirmationFirstCheckFailed=20757
kConfirmationLaterCheckFailed=20758
kBadLength=8194
confirm='{"card": "remove"}, {"wait": 1}, {"card": "insert"}, {"wait": 0.25}, {"click": 1}'

# The description names another account: the first check fails, no message.
check first_check "$kConfirmationFirstCheckFailed" '{"dialogs": [{"expect": "CTryFirm", "actions": []}]}' \
    "$hundred" "$(document 8220099999999999 1000.00)"
# The account matches but the amount does not (1000.00 is not 100.00 even as a prefix).
check later_check "$kConfirmationLaterCheckFailed" '{"dialogs": [{"expect": "CTryFirm", "actions": []}]}' \
    "00000000010000" "$(document $account 1000.00)"

# A matching description: the amount is shown with separators, OK waits for the card to come back
# and is disabled again while the card is out a second time; the card signs.
check signed 0 "{\"dialogs\": [{\"expect\": \"CTryFirm\", \"actions\": [
    {\"expect\": {\"1023\": \"1,000.00\", \"1\": {\"enabled\": false}}},
    {\"card\": \"remove\"}, {\"wait\": 1}, {\"card\": \"insert\"}, {\"wait\": 0.25},
    {\"expect\": {\"1\": {\"enabled\": true}}},
    {\"card\": \"remove\"}, {\"wait\": 0.25}, {\"expect\": {\"1\": {\"enabled\": false}}},
    {\"card\": \"insert\"}, {\"wait\": 0.25}, {\"click\": 1}]}]}" \
    "$hundred" "$(document $account 1000.00)"

# A zero amount runs the dialog without checks, so a description without the account passes.
check zero 0 "{\"dialogs\": [{\"expect\": \"CTryFirm\", \"actions\": [$confirm]}]}" \
    "00000000000000" "<Tag1>提款</Tag1>"

# The card never leaves: the removal time runs out after the whole budget.
check no_removal "$kNotConfirmed" '{"dialogs": [{"expect": "CTryFirm", "actions": [{"wait": 61},
    {"expectMessage": "超過允許插拔時間,取消交易"}]}]}' "$hundred" "$(document $account 1000.00)"
# The card comes back but OK is never pressed.
check no_ok "$kNotConfirmed" '{"dialogs": [{"expect": "CTryFirm", "actions": [{"card": "remove"},
    {"wait": 1}, {"card": "insert"}, {"wait": 61},
    {"expectMessage": "超過允許交易時間，取消交易。"}]}]}' "$hundred" "$(document $account 1000.00)"

# Argument errors come before any dialog: a dialog opening here would be a script problem (3).
check short_pin "$kBadLength" '{"dialogs": []}' "$hundred" "$(document $account 1000.00)" 12345
check long_money "$kBadLength" '{"dialogs": []}' "000000001000000" "$(document $account 1000.00)"
echo ok
