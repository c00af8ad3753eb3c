#!/usr/bin/env bash
# The Windows program's window on the stand-in server, driven as an operator
# would: starts jumincheck.exe of a Windows build on a root (through the
# build's wine-run-gui, on the display this runs on), then its probe
# (jc_win32_probe.exe) reads the window back and runs the customer audit; a
# screenshot of the screen is taken; the probe then opens the first listed
# customer's history, repairs from its sound row and closes the window.
# Prints the probe's "key value" lines, "screenshot FILE" and "exit STATUS".
# Usage (inside xvfb-run): window_under_wine.sh BUILD ROOT SCREENSHOT
set -u
build=$1
root=$2
shot=$3
run="$build/wine-run-gui"
probe="$build/bin/jc_win32_probe.exe"
log=$(mktemp)
pid=
finish() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null
  "$run" --end >/dev/null 2>&1
  rm -f "$log"
}
trap finish EXIT

"$run" "$build/bin/jumincheck.exe" --root "Z:$root" >"$log" 2>&1 &
pid=$!
"$run" "$probe" layout audit || echo "probe-failed first"
import -window root "$shot" && echo "screenshot $shot"
"$run" "$probe" history repair-sound close || echo "probe-failed second"
for _ in $(seq 1 600); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.05
done
if kill -0 "$pid" 2>/dev/null; then
  echo "error the program did not end within 30 s of its close"
else
  wait "$pid"
  echo "exit $?"
  pid=
fi
echo "program-output $(tr '\n' ' ' < "$log")"
