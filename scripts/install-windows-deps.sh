#!/usr/bin/env bash
# Installs the Debian packages that building the Windows program (32-bit,
# cross-compiled with MinGW) and testing it under Wine need, on top of what
# scripts/install-deps.sh installs for the Linux build.
# Safe to run again: when everything is present it only checks and returns.
set -euo pipefail

# Every package is named with its architecture: once a package is installed
# for both amd64 and i386, dpkg-query without one answers "ambiguous".
PACKAGES=(
  cmake:amd64 ninja-build:amd64 googletest:all
  # The compilers of the "posix" thread model, for both targets.
  g++-mingw-w64-i686-posix:amd64 g++-mingw-w64-x86-64-posix:amd64 mingw-w64-tools:amd64
  wine:all wine32:i386 wine64:amd64
  # Wine's odbc32 hands ODBC calls to the host's unixODBC of the program's
  # own bitness: these let the 32-bit program reach FreeTDS in the tests.
  libodbc2:i386 odbcinst1debian2:i386 tdsodbc:i386
  python3:amd64 locales:all
  # The setup program (scripts/package.sh) and the listing of what it holds.
  nsis:amd64 p7zip-full:amd64
  # The window's tests: a virtual display, Nanum Gothic for the Korean fonts,
  # the screenshot after the stand-in's audit.
  xvfb:amd64 xauth:amd64 fonts-nanum:all imagemagick:amd64
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
if [ "${#missing[@]}" -gt 0 ]; then
  echo "Installing: ${missing[*]}" >&2
  export DEBIAN_FRONTEND=noninteractive
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
  fi
  $SUDO apt-get update -qq
  # An ":all" package is installed by its plain name.
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]/%:all/}"
fi

# The tests run Wine with LANG=ko_KR.UTF-8 (code page 949, as on a Korean
# Windows). Without the locale generated, Wine reads the command line as
# ASCII and every Hangul argument loses its high bits.
if ! locale -a 2>/dev/null | grep -qix 'ko_KR.utf8'; then
  $SUDO localedef -i ko_KR -f UTF-8 ko_KR.UTF-8
fi
