#!/usr/bin/env bash
# Installs the Debian packages Velkor builds, tests and runs with. Idempotent: apt runs only
# when something is missing. Usage: scripts/install-deps.sh [build|test]
set -euo pipefail

build_packages=(
  build-essential cmake ninja-build pkg-config clang-format
  libssl-dev libpcsclite-dev nlohmann-json3-dev
  qt6-base-dev qt6-websockets-dev qt6-httpserver-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-arphic-uming fonts-dejavu-core
  help2man
)
test_packages=(
  pcscd vsmartcard-vpcd pcsc-tools xvfb
  xdotool x11-apps imagemagick qt6-qpa-plugins libxcb-cursor0
  chromium
  clang-14 libfuzzer-14-dev
  lintian file systemd
)

wanted=("${build_packages[@]}")
if [ "${1:-build}" = test ]; then
  wanted+=("${test_packages[@]}")
fi

# Node.js may come from Debian (nodejs + npm) or from a vendor package that bundles npm: ask for
# the Debian packages only when the commands are missing.
if [ "${1:-build}" = test ]; then
  command -v node >/dev/null 2>&1 || wanted+=(nodejs)
  command -v npm >/dev/null 2>&1 || wanted+=(npm)
fi

missing=()
for pkg in "${wanted[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$pkg")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
