#!/usr/bin/env bash
# Checks what a Windows build made, without running it (a 32-bit Windows
# program cannot run where the machine has no 32-bit execution):
#   - jumincheck.exe and IndvInfmCrypto.dll are programs of the build's
#     architecture;
#   - the module exports exactly the twelve entry points of its contract,
#     under their plain names (no "_name@N" decoration);
#   - neither needs a DLL beside it: every import is one of Windows's own.
# Usage: scripts/check-windows-build.sh BUILD_DIR
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR="${1:?usage: scripts/check-windows-build.sh BUILD_DIR}"
OBJDUMP="$(sed -n 's/^CMAKE_OBJDUMP:FILEPATH=//p' "$BUILD_DIR/CMakeCache.txt")"
ARCH="$(sed -n 's/^JC_MINGW_ARCH:STRING=//p' "$BUILD_DIR/CMakeCache.txt")"
case "$ARCH" in
  i686) FORMAT=pei-i386 ;;
  x86_64) FORMAT=pei-x86-64 ;;
  *) echo "check-windows-build: $BUILD_DIR is no MinGW build" >&2; exit 2 ;;
esac
EXPECTED_EXPORTS="decodeBase64 decryptDataWithCert decryptDataWithKey encodeBase64 encryptDataWithCert encryptDataWithKey getErrorCode getErrorMessage initialize release setCertViewPolicy setEncryptionPassword"
# The system's own DLLs (matched without regard to case).
SYSTEM_DLLS="kernel32.dll advapi32.dll bcrypt.dll odbc32.dll user32.dll gdi32.dll shell32.dll comctl32.dll comdlg32.dll ole32.dll msvcrt.dll secur32.dll ws2_32.dll"
failed=0
fail() { echo "FAILED: $*" >&2; failed=1; }

for file in "$BUILD_DIR/bin/jumincheck.exe" "$BUILD_DIR/bin/IndvInfmCrypto.dll"; do
  if [ ! -f "$file" ]; then fail "$file is missing"; continue; fi
  format="$("$OBJDUMP" -f "$file" | sed -n 's/.*file format //p')"
  [ "$format" = "$FORMAT" ] || fail "$file is $format, not $FORMAT"
  for dll in $("$OBJDUMP" -p "$file" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z'); do
    case " $SYSTEM_DLLS " in *" $dll "*) ;; *) fail "$file needs $dll beside it" ;; esac
  done
done

module="$BUILD_DIR/bin/IndvInfmCrypto.dll"
if [ -f "$module" ]; then
  # The name table of the export directory: "[ n] name" lines.
  exports="$("$OBJDUMP" -p "$module" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
             sed -n 's/^\s*\[\s*[0-9]*\]\s*//p' | sort | tr '\n' ' ' | sed 's/ $//')"
  [ "$exports" = "$EXPECTED_EXPORTS" ] || fail "the module exports '$exports', not '$EXPECTED_EXPORTS'"
fi

if [ "$failed" = 0 ]; then echo "check-windows-build: $BUILD_DIR: $FORMAT, twelve plain exports, no DLL beside the program"; fi
exit "$failed"
