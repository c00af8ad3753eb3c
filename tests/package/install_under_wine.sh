#!/usr/bin/env bash
# The setup program installed, run and uninstalled under Wine, silently, as an
# administrator's script would on a pharmacy PC: made by scripts/package.sh
# from a 64-bit Windows build (the pharmacy's 32-bit setup program cannot run
# where the machine has no 32-bit execution; both come from the same script),
# installed with /S into the build's prefix for windowed programs; the
# program, README and Start-menu entry are where they belong and nothing goes
# into C:\TELVARO; the installed program answers --help; the uninstaller (/S)
# leaves nothing behind, registry entry included.
# Usage (inside xvfb-run): install_under_wine.sh BUILD_DIR
set -u
build=$(cd "$1" && pwd)
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
run="$build/wine-run-gui"
prefix="$build/wineprefix-gui"
setup="$build/jumincheck-setup-x64.exe"
installed="$prefix/drive_c/Program Files/jumincheck"
menu="$prefix/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/jumincheck"
key='Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\jumincheck\]'
failed=0
fail() { echo "FAILED: $*"; failed=1; }
finish() { "$run" --end >/dev/null 2>&1; }
trap finish EXIT

bash "$source_dir/scripts/package.sh" "$build" "$setup" || { echo "FAILED: the setup program was not made"; exit 1; }
"$run" --prefix-only
# A run that failed halfway leaves nothing for this one to trip on.
rm -rf "$installed" "$menu"

"$run" "Z:$setup" /S
"$run" --wait
for f in jumincheck.exe README.txt uninstall.exe; do
  [ -f "$installed/$f" ] || fail "$f is not installed in Program Files"
done
[ -f "$menu/jumincheck.lnk" ] || fail "no Start-menu entry"
[ -e "$prefix/drive_c/TELVARO" ] && fail "something was installed into C:\\TELVARO"
find "$prefix/drive_c" -iname 'IndvInfmCrypto*' | grep -q . && fail "a crypto module was installed"
grep -q "$key" "$prefix/system.reg" || fail "no uninstall entry in the registry"
cmp -s "$build/bin/jumincheck.exe" "$installed/jumincheck.exe" || fail "the installed program is not the built one"
echo "installed $(cd "$installed" && ls | tr '\n' ' ')"

help=$("$run" 'C:\Program Files\jumincheck\jumincheck.exe' --help 2>&1)
status=$?
[ "$status" = 0 ] || fail "--help ended with status $status"
echo "$help" | grep -q 'audit-customers' || fail "--help did not list the commands: $help"
echo "help-status $status"

"$run" 'C:\Program Files\jumincheck\uninstall.exe' /S
# The uninstaller runs a copy of itself from the temporary folder; wait for it.
"$run" --wait
[ -e "$installed" ] && fail "left behind: $(ls -A "$installed")"
[ -e "$menu" ] && fail "the Start-menu entry is left"
grep -q "$key" "$prefix/system.reg" && fail "the uninstall entry is left in the registry"
[ "$failed" = 0 ] && echo "uninstalled cleanly"
exit "$failed"
