#!/usr/bin/env bash
# Makes the Windows setup program with NSIS (Debian's nsis) and checks what it
# holds (7z lists an NSIS setup program): jumincheck.exe, README.txt and the
# uninstaller, nothing else (our test crypto module is not in it).
#   scripts/package.sh            from the 32-bit build (./build-win32, built
#                                 first when missing), the program a pharmacy
#                                 PC runs: dist/jumincheck-setup.exe
#   scripts/package.sh BUILD_DIR [OUT]
#                                 from that Windows build; a 64-bit build gives
#                                 a 64-bit setup program (what can run under
#                                 64-bit Wine where 32-bit programs cannot)
# It installs under Program Files with a Start-menu entry (package/jumincheck.nsi).
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR="${1:-${JC_WIN32_BUILD_DIR:-build-win32}}"
OUT="${2:-dist/jumincheck-setup.exe}"
bash scripts/install-windows-deps.sh
if [ $# -eq 0 ] && [ ! -f "$BUILD_DIR/bin/jumincheck.exe" ]; then
  bash scripts/build-windows.sh 32
fi
EXE="$BUILD_DIR/bin/jumincheck.exe"
[ -f "$EXE" ] || { echo "package: $EXE is missing (scripts/build-windows.sh 32)" >&2; exit 2; }
ARCH="$(sed -n 's/^JC_MINGW_ARCH:STRING=//p' "$BUILD_DIR/CMakeCache.txt")"
DEFINES=()
case "$ARCH" in
  i686) ;;
  x86_64) DEFINES=(-DAMD64) ;;
  *) echo "package: $BUILD_DIR is no MinGW build" >&2; exit 2 ;;
esac
VERSION="$(git describe --always --dirty 2>/dev/null || echo 0)"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
# The README as a text file Windows's Notepad shows: UTF-8 with a byte-order
# mark, lines ending in CR LF.
{ printf '\xef\xbb\xbf'; sed 's/$/\r/' README.md; } > "$work/README.txt"
mkdir -p "$(dirname "$OUT")"
makensis -V2 -NOCD "${DEFINES[@]}" -DEXE="$(realpath "$EXE")" -DREADME="$work/README.txt" \
  -DOUTFILE="$(realpath -m "$OUT")" -DVERSION="$VERSION" package/jumincheck.nsi

# What it holds: the program, the README, the uninstaller; never a module.
listing="$(7z l -ba -slt "$OUT" | sed -n 's/^Path = //p' | sort)"
expected="README.txt
jumincheck.exe
uninstall.exe"
if [ "$listing" != "$expected" ]; then
  echo "package: $OUT holds:" >&2
  echo "$listing" >&2
  echo "package: expected:" >&2
  echo "$expected" >&2
  exit 1
fi
if 7z l -ba "$OUT" | grep -qi 'IndvInfmCrypto\|TELVARO'; then
  echo "package: $OUT holds the crypto module or a path of the pharmacy system" >&2
  exit 1
fi
echo "package: $OUT ($ARCH): jumincheck.exe, README.txt, uninstall.exe"
