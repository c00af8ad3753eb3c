#!/bin/sh
# Makes the Wine prefix for programs with a window (cmake/WineEmulator.cmake):
# a copy of the test prefix where the Korean families the window names are
# replaced by Nanum Gothic (Debian's fonts-nanum), and Wine draws the window
# frames itself (no window manager runs on a virtual display, and Wine would
# wait for one at every window that closes).
# Usage: wine-gui-prefix.sh WINE_RUN TEST_PREFIX  (WINEPREFIX, WINELOADER,
# WINESERVER set for the new prefix)
set -eu
run=$1
from=$2
rm -rf "$WINEPREFIX"
"$run" --prefix-only
cp -a "$from" "$WINEPREFIX"
rm -f "$WINEPREFIX/.made"
reg="$WINEPREFIX/window.reg"
# regedit reads UTF-16 with a byte-order mark.
printf '%s\r\n' 'Windows Registry Editor Version 5.00' '' \
  '[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]' \
  '"맑은 고딕"="NanumGothic"' '"Malgun Gothic"="NanumGothic"' \
  '"굴림"="NanumGothic"' '"Gulim"="NanumGothic"' '"돋움"="NanumGothic"' '"Dotum"="NanumGothic"' '' \
  '[HKEY_CURRENT_USER\Software\Wine\X11 Driver]' '"Managed"="N"' '' | iconv -f UTF-8 -t UTF-16 > "$reg"
"$WINELOADER" regedit /S "Z:$(echo "$reg" | tr / '\\')"
rm -f "$reg"
"$WINESERVER" -w
touch "$WINEPREFIX/.made"
