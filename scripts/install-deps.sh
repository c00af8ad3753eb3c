#!/usr/bin/env bash
# Installs every Debian package that building, testing and running jumincheck needs.
# Safe to run again: when everything is present it only checks and returns.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev libegl-dev libxkbcommon-dev
  libsqlite3-dev sqlite3
  unixodbc unixodbc-dev tdsodbc libsqliteodbc
  libssl-dev openssl
  libinih-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  clang libclang-rt-dev llvm
  fonts-nanum
  xvfb xauth x11-utils xdotool python3
)

missing=()
for p in "${PACKAGES[@]}"; do
  # Once the Windows tests' 32-bit packages are in too, a name without its
  # architecture is ambiguous to dpkg-query: ask for the machine's own.
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" &&
     ! dpkg-query -W -f='${Status}' "$p:$(dpkg --print-architecture)" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ "${#missing[@]}" -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "Installing: ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
