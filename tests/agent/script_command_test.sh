#!/bin/sh
# velkor call stops at a malformed dialog script (2) before any call, runs with a sound one,
# confirms a PIN verification whose card is pulled and put back in the simulator, exits 3 when
# the script reports problems, and velkor serve refuses script mode.
velkor="$1"
simulator="$2"
config="$3"
dir=$(mktemp -d) || exit 1
trap 'rm -rf "$dir"' EXIT
echo '{"dialogs": [{"expect": "CTryFirm", "actions": [{"click": "OK"}]}]}' > "$dir/bad.json"
echo '{"dialogs": []}' > "$dir/empty.json"
fail() { echo "FAILED: $1"; exit 1; }

out=$("$velkor" call --ui "script=$dir/bad.json" 'GetAPIVersion()' 2>"$dir/err"); code=$?
[ "$code" -eq 2 ] || fail "malformed script: exit $code"
[ -z "$out" ] || fail "a call ran despite the malformed script: $out"
grep -q 'action 1: click takes a control id' "$dir/err" || fail "no report: $(cat "$dir/err")"
"$velkor" call --ui "script=$dir/missing.json" 'GetAPIVersion()' 2>/dev/null
[ $? -eq 2 ] || fail "missing script file"
out=$("$velkor" call --ui="script=$dir/empty.json" 'GetAPIVersion()') || fail "sound script: exit $?"
[ -n "$out" ] || fail "no result printed"
"$velkor" serve --port 0 --ui "script=$dir/empty.json" 2>"$dir/err"
[ $? -eq 2 ] || fail "serve accepted script mode"
grep -q 'for velkor call only' "$dir/err" || fail "serve: $(cat "$dir/err")"

# A confirmed verification: the card leaves the reader and comes back, then OK.
cat > "$dir/confirm.json" <<'JSON'
{"dialogs": [{"expect": "CTryFirm", "actions": [
  {"expect": {"1": {"enabled": false}, "1011": "確認密碼"}},
  {"card": "remove"}, {"wait": 1}, {"card": "insert"}, {"wait": 0.25},
  {"expect": {"1": {"enabled": true}}}, {"click": 1}]}]}
JSON
reader="ACS ACR83U 00 00"
verify="VerifyPINEx(\"123456\", \"<Tag1>確認密碼</Tag1>\")"
out=$(VELKOR_PCSC_LIBRARY="$simulator" VELKOR_SIM_CONFIG="$config" \
    "$velkor" call --ui "script=$dir/confirm.json" "ConnectCard(\"$reader\")" "$verify" 2>"$dir/err")
code=$?
[ "$code" -eq 0 ] || fail "confirmed verification: exit $code: $(cat "$dir/err")"
[ "$(echo $out)" = "0 0" ] || fail "confirmed verification printed: $out"

# The same with OK clicked while the card is still in: a script problem, the dialog cancelled.
cat > "$dir/early.json" <<'JSON'
{"dialogs": [{"expect": "CTryFirm", "actions": [{"click": 1}]}]}
JSON
out=$(VELKOR_PCSC_LIBRARY="$simulator" VELKOR_SIM_CONFIG="$config" \
    "$velkor" call --ui "script=$dir/early.json" "ConnectCard(\"$reader\")" "$verify" 2>"$dir/err")
code=$?
[ "$code" -eq 3 ] || fail "early OK: exit $code"
grep -q 'control 1 is disabled' "$dir/err" || fail "early OK: $(cat "$dir/err")"
grep -q 'still open when its actions ended; cancelled' "$dir/err" || fail "early OK: $(cat "$dir/err")"
[ "$(echo $out | cut -d' ' -f2)" != "0" ] || fail "a cancelled verification returned 0"
echo ok
