#!/usr/bin/env bash
# Starts jumincheck on a virtual X display, answers the boxes start-up raises
# with the Return key, reads the main window's title and geometry, closes it
# the way a window manager does and reports the exit status. Prints
# "key value" lines; exits non-zero when a step fails.
# Usage (run inside xvfb-run):
#   window_under_x.sh JUMINCHECK             jumincheck on an empty root of its own
#   window_under_x.sh PROGRAM ARGS...        PROGRAM ARGS as given, from the current
#                                            directory (a script that ends by exec'ing
#                                            jumincheck, such as scripts/run.sh)
set -u
exe=$1
shift
here=$(cd "$(dirname "$0")" && pwd)
title='소득공제 주민번호 검증(ver 1.0)'
root=$(mktemp -d)
log=$(mktemp)
pid=
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null
  rm -rf "$root" "$log"
}
trap cleanup EXIT

fail() { echo "error $*"; echo "program-output $(tr '\n' ' ' < "$log")"; exit 1; }

if [ $# -eq 0 ]; then set -- --root "$root"; fi
"$exe" "$@" >"$log" 2>&1 &
pid=$!

# Wait (up to 60 s) for a window of the program; answer every box until the
# main window is up. Each box is a window named after the executable.
boxes=0
main=
deadline=$((SECONDS + 60))
while [ -z "$main" ]; do
  [ $SECONDS -lt $deadline ] || fail "no main window within 60 s"
  kill -0 "$pid" 2>/dev/null || fail "the program ended before its window opened"
  timeout 5 xdotool search --all --sync --onlyvisible --pid "$pid" --name '.' >/dev/null 2>&1
  box=$(xdotool search --all --onlyvisible --pid "$pid" --name '^jumincheck$' 2>/dev/null | head -1)
  if [ -n "$box" ]; then
    xdotool windowfocus --sync "$box" key Return || fail "could not press Return in box $box"
    boxes=$((boxes + 1))
    # Wait until the answered box is gone before looking again.
    while xwininfo -id "$box" 2>/dev/null | grep -q 'IsViewable'; do
      [ $SECONDS -lt $deadline ] || fail "box $box stayed open"
      sleep 0.05
    done
    continue
  fi
  for w in $(xdotool search --all --onlyvisible --pid "$pid" --name '.' 2>/dev/null); do
    [ "$(xdotool getwindowname "$w")" = "$title" ] && main=$w
  done
  [ -n "$main" ] || sleep 0.05
done

echo "boxes $boxes"
echo "title $(xdotool getwindowname "$main")"
info=$(xwininfo -id "$main")
field() { echo "$info" | sed -n "s/^ *$1: *//p" | head -1; }
echo "client $(field Width)x$(field Height)"
echo "position $(field 'Absolute upper-left X'),$(field 'Absolute upper-left Y')"
echo "screen $(xdpyinfo | sed -n 's/^ *dimensions: *\([0-9]*x[0-9]*\) pixels.*/\1/p')"

python3 "$here/x11_close_window.py" "$main" || fail "could not ask the window to close"
status=
for _ in $(seq 1 600); do
  if ! kill -0 "$pid" 2>/dev/null; then
    wait "$pid"
    status=$?
    break
  fi
  sleep 0.05
done
[ -n "$status" ] || fail "the program did not end within 30 s of the close"
pid=
echo "exit $status"
echo "program-output $(tr '\n' ' ' < "$log")"
