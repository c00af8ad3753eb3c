#!/bin/sh
# Runs a Windows program with a window (through the build's wine-run-gui) on
# a virtual X display of its own, then ends what Wine left running on that
# display. Exits with the program's status.
# Usage: on_virtual_display.sh WINE_RUN_GUI PROGRAM [ARGS...]
set -u
run=$1
shift
xvfb-run -a -s "-screen 0 1280x1024x24" "$run" "$@"
status=$?
"$run" --end >/dev/null 2>&1
exit $status
