#!/bin/sh
# The Debian packages as a customer and a bank would get them: built from the tested build (no
# second build), checked by lintian, unpacked into a temporary root and run from there: the
# agent's version and a card session on the packaged simulator, the packaged key tool and host
# library, the systemd units (systemd-analyze verify) and the agent started through socket
# activation, answering a page's calls through the packaged velkor.js, then exiting once idle.
# Usage: package_test.sh <build dir> <source dir> [node]
set -eu
build=$1
source=$2
node=${3:-}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
agent_pid=
cleanup() {
    [ -n "$agent_pid" ] && kill "$agent_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
skip_note() { echo "NOT CHECKED (tool unavailable): $*"; }

echo "== cpack"
cpack --config "$build/CPackConfig.cmake" -B "$work/packages" >"$work/cpack.log" 2>&1 \
    || { cat "$work/cpack.log"; fail "cpack"; }
for package in velkor velkor-sim velkor-bank-tools; do
    deb=$(ls "$work/packages/${package}_"*.deb 2>/dev/null) || fail "no $package package"
    echo "$package: $(wc -c <"$deb") bytes"
done

echo "== lintian"
if command -v lintian >/dev/null; then
    lintian --fail-on error "$work"/packages/*.deb || fail "lintian reports problems"
else
    skip_note "lintian"
fi

echo "== unpack and run"
root=$work/root
for deb in "$work"/packages/*.deb; do
    dpkg-deb -x "$deb" "$root"
done
velkor=$root/usr/bin/velkor
version=$("$velkor" --version)
echo "velkor --version: $version"
# Each package names its key set's kind, as the program does, and excludes the other kind.
case $version in
*"(demo key set)") kind=demo other=production ;;
*) kind=production other=demo ;;
esac
for deb in "$work"/packages/*.deb; do
    [ "$(dpkg-deb -f "$deb" Provides)" = "velkor-keyset-$kind" ] \
        && [ "$(dpkg-deb -f "$deb" Conflicts)" = "velkor-keyset-$other" ] \
        || fail "$deb does not mark the $kind key set"
    if [ $kind = demo ]; then
        dpkg-deb -f "$deb" Description | grep -q "DEMO KEY SET" || fail "$deb hides the demo set"
    fi
done
# apt refuses a package of the other kind beside them.
mkdir -p "$work/other/DEBIAN"
printf 'Package: velkor-other-key-set\nVersion: 1\nArchitecture: all\nMaintainer: t <t@example.com>
Provides: velkor-keyset-%s\nDescription: packages built with the other key set\n' $other \
    >"$work/other/DEBIAN/control"
dpkg-deb -b "$work/other" "$work/other.deb" >/dev/null
if command -v apt-get >/dev/null; then
    apt-get install --simulate -q "$work"/packages/velkor_*.deb "$work/other.deb" >"$work/apt.log" 2>&1 \
        && fail "the $kind packages install beside the $other key set"
    grep -q "Conflicts: velkor-keyset-$other" "$work/apt.log" || fail "apt: $(cat "$work/apt.log")"
else
    skip_note "apt-get: the conflict with the other key set's packages"
fi
for program in "$velkor" "$root/usr/bin/velkor-cardsim" "$root/usr/bin/velkor-keytool"; do
    missing=$(ldd "$program" | grep "not found" || true)
    [ -z "$missing" ] || fail "$program: $missing"
done

# GetInstallWay reports the packaged agent as installed for users who registered nothing.
grep -qx "executable=/usr/bin/velkor" "$root/usr/share/velkor/registration" \
    || fail "the package's registration record"

simulator=$(ls "$root"/usr/lib/*/velkor/libvelkor-pcsc-sim.so)
export VELKOR_PCSC_LIBRARY="$simulator"
export VELKOR_SIM_CONFIG="$root/usr/share/velkor/sim/configs/demo.json"
session=$("$velkor" call 'ConnectCard("ACS ACR83U 00 00")' 'ListEF1001Accounts()' \
    'GetEF1001TotalAccounts()' \
    'VerifyPIN("123456")' \
    'AccountWithdraw("2510", "00000001", "12345678", "00000000100000", "8220012345678901")' \
    2>/dev/null | tr '\n' ' ')
[ "$session" = "0 0 3 0 0 " ] || fail "card session on the packaged simulator: $session"

"$root/usr/bin/velkor-keytool" generate "$work/keys" >/dev/null || fail "velkor-keytool generate"
[ -s "$work/keys/control_public.pem" ] || fail "velkor-keytool wrote no key set"
# The bank's host library builds and links from what the package installs, and nothing else of
# the tree.
cat >"$work/bank.cpp" <<'PROGRAM'
#include <host/bank_session.h>
#include <host/tac_check.h>
int main()
{
    const auto key = velkor::host::NewSessionKey();
    const auto tac = velkor::host::ComputeTac(
        std::span<const uint8_t>(key.data(), key.size()), "00000001", "2510");
    return key.size() == 16 && tac.size() == 16 ? 0 : 1;
}
PROGRAM
pc_dir=$(dirname "$(ls "$root"/usr/lib/*/pkgconfig/velkor-host.pc)")
# shellcheck disable=SC2046 # pkg-config's flags are separate words
c++ -std=c++20 -o "$work/bank" "$work/bank.cpp" $(PKG_CONFIG_PATH=$pc_dir \
    pkg-config --define-variable=prefix="$root/usr" --cflags --libs velkor-host) \
    || fail "a program using the packaged host library does not build"
"$work/bank" || fail "the packaged host library misbehaves"

echo "== systemd units"
units=$root/usr/lib/systemd/user
if command -v systemd-analyze >/dev/null; then
    # The units name the installed program; here it lies in the unpacked root.
    mkdir "$work/units" "$work/runtime"
    chmod 700 "$work/runtime"
    for unit in velkor.socket velkor.service; do
        sed "s|/usr/bin/velkor|$velkor|" "$units/$unit" >"$work/units/$unit"
    done
    man_check=--man=no
    command -v man >/dev/null && man_check=--man=yes
    report=$(MANPATH=$root/usr/share/man XDG_RUNTIME_DIR=$work/runtime systemd-analyze \
        verify --user $man_check "$work/units/velkor.socket" "$work/units/velkor.service" 2>&1) \
        && [ -z "$report" ] || fail "systemd-analyze verify: $report"
else
    skip_note "systemd-analyze"
fi

echo "== socket activation"
if ! command -v systemd-socket-activate >/dev/null; then
    skip_note "systemd-socket-activate"
    exit 0
fi
if [ -z "$node" ] || [ ! -d "$source/web/node_modules/ws" ]; then
    skip_note "node with web/node_modules (npm ci in web/): the call through the socket"
    exit 0
fi
# The socket unit's address with a free port (the test must not take the agent's own).
grep -qx "ListenStream=127.0.0.1:8931" "$units/velkor.socket" || fail "the socket's address"
port=$("$node" -e "const s=require('net').createServer().listen(0,'127.0.0.1',()=>{
    console.log(s.address().port); s.close(); })")
origin=http://bank.test
# Like systemd, it hands the agent a clean environment: the simulator is named explicitly.
systemd-socket-activate -l "127.0.0.1:$port" -E VELKOR_PCSC_LIBRARY -E VELKOR_SIM_CONFIG \
    "$velkor" serve --idle-exit 2 --ui none --allow-origin "$origin" >"$work/agent.log" 2>&1 &
agent_pid=$!
i=0
until grep -q "Listening on" "$work/agent.log"; do
    i=$((i + 1))
    [ $i -lt 100 ] || fail "systemd-socket-activate does not listen: $(cat "$work/agent.log")"
    sleep 0.1
done
rss() { awk '/^VmRSS/ { print $2 " kB" }' "/proc/$agent_pid/status"; }
echo "waiting socket, before any page (systemd-socket-activate holding it): $(rss)"
answers=$("$node" "$here/page_call.mjs" "$root/usr/share/velkor/web/velkor.js" \
    "$source/web/node_modules" "$port" "$origin" \
    GetAPIVersion '[]' ConnectCard '["ACS ACR83U 00 00"]' ListEF1001Accounts '[]' \
    GetEF1001TotalAccounts '[]' \
    | tr '\n' ' ') || fail "the page's calls: $(cat "$work/agent.log")"
[ "$answers" = '"Version 1.0.0.1 " 0 0 3 ' ] || fail "answers through the socket: $answers"
grep -q "listening on the socket of its socket unit, port $port" "$work/agent.log" \
    || fail "the agent did not adopt the socket: $(cat "$work/agent.log")"
echo "agent after a page's calls: $(rss)"
i=0
while kill -0 "$agent_pid" 2>/dev/null; do
    i=$((i + 1))
    [ $i -lt 100 ] || fail "the agent did not exit when idle"
    sleep 0.1
done
wait "$agent_pid" || fail "the idle agent exited with $?"
agent_pid=
grep -q "idle, exiting" "$work/agent.log" || fail "the agent ended otherwise: $(cat "$work/agent.log")"
echo "agent after its idle exit: not running (0 kB)"
echo "package test passed"
