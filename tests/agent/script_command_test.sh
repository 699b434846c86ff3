#!/bin/sh
# velkor call stops at a malformed dialog script (2) before any call, runs with a sound one, and
# velkor serve refuses script mode.
velkor="$1"
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
echo ok
