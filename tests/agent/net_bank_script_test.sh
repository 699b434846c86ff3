#!/bin/sh
# The net-bank procedures through velkor call with scripted dialogs, under a session key made the
# way the bank makes it (the key enciphered to the control's public key, and its SHA-1): a file's
# contents and name come back enciphered, a FIFO ends at once with its message, and TransferNet
# runs the dialog its document names.
velkor="$1"
key_set="$2"
dir=$(mktemp -d) || exit 1
trap 'rm -rf "$dir"' EXIT
fail() { echo "FAILED: $1"; exit 1; }
hex() { od -An -v -tx1 | tr -d ' \n' | tr a-f A-F; }

head -c 16 /dev/urandom > "$dir/key"
key=$(openssl pkeyutl -encrypt -pubin -inkey "$key_set/control_public.pem" -in "$dir/key" | hex)
hash=$(openssl dgst -sha1 -binary "$dir/key" | hex)
[ -n "$key" ] && [ -n "$hash" ] || fail "no session key"
pair="\"$hash\", \"$key\""

# Runs `velkor call` with one FileOpen choosing $1, then the calls after it.
transfer() {
    printf '{"dialogs": [{"expect": "FileOpen", "actions": [{"file": "%s"}]}]}' "$1" > "$dir/s.json"
    shift
    timeout 60 "$velkor" call --ui "script=$dir/s.json" "FileTransfer($pair)" "$@" 2>"$dir/err"
}

printf '01234567890123456789' > "$dir/twenty"
out=$(transfer "$dir/twenty" 'GetRespLength()' 'GetRespData()' 'GetClearFileName()') \
    || fail "20-byte file: exit $?: $(cat "$dir/err")"
set -- $out
[ "$1 $2" = "0 20" ] || fail "20-byte file: $out"
[ ${#3} -eq 34 ] || fail "20-byte file: RespData $3"
[ "$4" = "\"$dir/twenty\"" ] || fail "20-byte file: name $4"

# A FIFO must not hold the call (the in-process tests cover the other files without contents).
mkfifo "$dir/fifo"
out=$(transfer "$dir/fifo" 'GetRespLength()') || fail "FIFO: exit $? (a hang ends in 124)"
[ "$(echo $out)" = "0 0" ] && grep -q "檔案$dir/fifo 無法開啟" "$dir/err" || fail "FIFO: $out"

echo '{"dialogs": [{"expect": "FileOpen", "actions": [{"click": 2}]}]}' > "$dir/cancel.json"
out=$("$velkor" call --ui "script=$dir/cancel.json" "FileTransfer($pair)" 2>&1)
[ "$out" = "-1" ] || fail "cancelled: $out"

# FunType " 1 " in mixed case: TransCom, whose second account the customer picks.
document='<Caption>網路銀行</Caption><fUnTyPe> 1 </FUNTYPE><TimeOut>60</TimeOut><AtmNode Type=\"1\" Ciph=\"0\" Name=\"家人\">(媽媽)王美麗%%017||0009876543210||王美麗;;(弟弟)王小華%%812||0000123456||王小華;;</AtmNode>'
cat > "$dir/com.json" <<'JSON'
{"dialogs": [{"expect": "TransCom", "actions": [{"select": [1092, 1]}, {"click": 1}]}]}
JSON
out=$("$velkor" call --ui "script=$dir/com.json" "TransferNet($pair, \"$document\")" \
    'GetClearImportAccount()' 'GetEncImportAccount()' 2>"$dir/err") \
    || fail "TransferNet: exit $?: $(cat "$dir/err")"
set -- $out
[ "$1 $2" = '0 "1||812||0000123456||王小華||"' ] || fail "TransferNet: $out"
echo "$3" | grep -Eq '^"([0-9A-F]{16})+"$' || fail "TransferNet: enciphered $3"

# No function type: the transfer-account dialog, whose second result is the import account.
document='<Caption>網路銀行</Caption><TimeOut>60</TimeOut><AtmNode Type=\"0\" Ciph=\"0\" Name=\"約定帳號\">房租-臺灣銀行%%004||1234567890;;</AtmNode>'
echo '{"dialogs": [{"expect": "CTransSetNet", "actions": [{"click": 1}]}]}' > "$dir/net.json"
out=$("$velkor" call --ui "script=$dir/net.json" "TransferNet($pair, \"$document\")" \
    'GetClearImportAccount()' 2>"$dir/err") || fail "CTransSetNet: exit $?: $(cat "$dir/err")"
[ "$(echo $out)" = '0 "004||1234567890||0||"' ] || fail "CTransSetNet: $out"
exit 0
