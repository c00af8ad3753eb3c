# Runs the Windows test programs (and the program itself, where a test starts
# it) under Wine: a wrapper script in the build folder, made the
# cross-compiling emulator, so CTest and GoogleTest's discovery start every
# .exe through it. Its Wine prefix (a Windows of its own) lies under the
# build folder, made on first use; its code page is Korean (949), as on a
# pharmacy's machine; Wine's own messages are silenced.
if(JC_MINGW_ARCH STREQUAL "x86_64")
  find_program(JC_WINE_LOADER NAMES wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
else()
  find_program(JC_WINE_LOADER NAMES wine PATHS /usr/lib/wine NO_DEFAULT_PATH)
endif()
find_program(JC_WINESERVER NAMES wineserver PATHS /usr/lib/wine NO_DEFAULT_PATH)
if(NOT JC_WINE_LOADER OR NOT JC_WINESERVER)
  message(WARNING "Wine is missing (scripts/install-windows-deps.sh): the Windows tests cannot run")
  return()
endif()

set(JC_WINE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(JC_WINE_RUN ${CMAKE_BINARY_DIR}/wine-run)
file(WRITE ${JC_WINE_RUN} "#!/bin/sh
# Made by cmake/WineEmulator.cmake: runs a Windows program under Wine.
export WINEPREFIX='${JC_WINE_PREFIX}'
export WINELOADER='${JC_WINE_LOADER}'
export WINESERVER='${JC_WINESERVER}'
export WINEDEBUG=-all
# No Mono or Gecko installer when the prefix is made.
export WINEDLLOVERRIDES='mscoree,mshtml='
if [ ! -f \"$WINEPREFIX/.made\" ]; then
  # The first program makes the prefix; the others wait for it.
  flock \"$WINEPREFIX.lock\" sh -c '[ -f \"$WINEPREFIX/.made\" ] || { \"$WINELOADER\" wineboot -i >/dev/null 2>&1; \"$WINESERVER\" -w; touch \"$WINEPREFIX/.made\"; }'
fi
[ \"$1\" = --prefix-only ] && exit 0
# One Wine server for the prefix, kept 30 s after its last program: each
# test program then starts in well under a second instead of starting the
# prefix's services again. Whoever finds no server starts it, and the
# services with it, under the lock and with no file of the caller open: a
# service lives as long as the server, and one started by the test program
# itself would hold that program's output pipe open, so that a reader
# waiting for its end (the test discovery, CTest) would wait for the server.
# For the same reason the lock's own descriptor is closed for the command
# (-o): the server would otherwise hold the lock until it ends.
# A server that is running may be about to end: 30 s after its last program
# it stops its services and exits, and a program started then finds none
# and starts the next server itself, services and its output pipe with it
# (the reader then waits 30 s more, and the next program meets the same
# end). So a short program (cmd.exe) is run under the lock, with no file of
# the caller, unless a program was started through here less than 20 s ago:
# the server then lives at least 10 s more. The program itself starts at
# once after it.
flock -o \"$WINEPREFIX.lock\" sh -c 'if \"$WINESERVER\" -p30 </dev/null >/dev/null 2>&1 || [ -z \"$(find \"$WINEPREFIX/.started\" -newermt \"20 seconds ago\" 2>/dev/null)\" ]; then \"$WINELOADER\" cmd.exe /c exit 0 </dev/null >/dev/null 2>&1; fi; touch \"$WINEPREFIX/.started\"'
exec env LANG=ko_KR.UTF-8 LC_ALL=ko_KR.UTF-8 \"$WINELOADER\" \"$@\"
")
file(CHMOD ${JC_WINE_RUN} PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${JC_WINE_RUN})

# The prefix is made once, as a build step of its own (it takes a minute or
# two), before any test program is started to list its tests.
add_custom_command(OUTPUT ${JC_WINE_PREFIX}/.made COMMAND ${JC_WINE_RUN} --prefix-only
                   COMMENT "Making the Wine prefix for the tests")
add_custom_target(jc_wine_prefix DEPENDS ${JC_WINE_PREFIX}/.made)

# Programs with a window run in a prefix of their own, a copy of the one
# above made once: there "맑은 고딕" (and the Korean system fonts the window
# font links to) is replaced by Nanum Gothic from Debian's fonts-nanum, so
# Hangul renders as on a pharmacy's PC. Its wineserver (and with it Wine's
# desktop process, which holds the display the first window opened on) is
# ended with `wine-run-gui --end` once the virtual display goes. Tests that
# use it run one at a time (RESOURCE_LOCK wine_gui_prefix).
set(JC_WINE_GUI_PREFIX ${CMAKE_BINARY_DIR}/wineprefix-gui)
set(JC_WINE_GUI_RUN ${CMAKE_BINARY_DIR}/wine-run-gui)
file(WRITE ${JC_WINE_GUI_RUN} "#!/bin/sh
# Made by cmake/WineEmulator.cmake: runs a Windows program with a window under
# Wine, on the display DISPLAY names.
#   wine-run-gui --prefix-only   makes the prefix
#   wine-run-gui --end           ends every process of the prefix
#   wine-run-gui --wait          waits until every process of the prefix ended
export WINEPREFIX='${JC_WINE_GUI_PREFIX}'
export WINELOADER='${JC_WINE_LOADER}'
export WINESERVER='${JC_WINESERVER}'
export WINEDEBUG=-all
export WINEDLLOVERRIDES='mscoree,mshtml='
export LANG=ko_KR.UTF-8 LC_ALL=ko_KR.UTF-8
if [ \"$1\" = --end ]; then exec \"$WINESERVER\" -k; fi
if [ \"$1\" = --wait ]; then exec \"$WINESERVER\" -w; fi
if [ ! -f \"$WINEPREFIX/.made\" ]; then
  flock \"$WINEPREFIX.lock\" sh -c '[ -f \"$WINEPREFIX/.made\" ] || sh \"${PROJECT_SOURCE_DIR}/cmake/wine-gui-prefix.sh\" \"${JC_WINE_RUN}\" \"${JC_WINE_PREFIX}\"'
fi
[ \"$1\" = --prefix-only ] && exit 0
exec \"$WINELOADER\" \"$@\"
")
file(CHMOD ${JC_WINE_GUI_RUN} PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
add_custom_command(OUTPUT ${JC_WINE_GUI_PREFIX}/.made COMMAND ${JC_WINE_GUI_RUN} --prefix-only
                   DEPENDS ${JC_WINE_PREFIX}/.made COMMENT "Making the Wine prefix for the window's tests")
add_custom_target(jc_wine_gui_prefix DEPENDS ${JC_WINE_GUI_PREFIX}/.made)
