#!/usr/bin/env bash
# Runs a Windows program under Wine: scripts/wine-env.sh PROGRAM.exe ARGS...
# CMake uses it as the cross-compiling emulator, so ctest runs the Windows
# tests through it. The Wine prefix lives under build/ and is created once.
# The first call starts a Wine server that stays, so that every later
# program starts in a fraction of a second; `scripts/wine-env.sh --stop`
# ends it (and the Wine services with it) after the suite.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX=${SNAPSTAMP_WINEPREFIX:-$root/build/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko installer dialogs in a prefix that only runs console programs.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export WINEARCH=win64

if [ "${1:-}" = --stop ]; then
  wineserver -k 2>/dev/null || true
  exit 0
fi

mkdir -p "$WINEPREFIX"
(
  # Programs started in parallel wait here until the prefix and the server
  # are ready, and only one of them creates them.
  flock 9
  if [ ! -f "$WINEPREFIX/.snapstamp-ready" ]; then
    wine wineboot --init </dev/null >/dev/null 2>&1 9>&-
    wineserver --wait 9>&-
    touch "$WINEPREFIX/.snapstamp-ready"
  fi
  # A server that Wine starts on its own inherits the caller's output and
  # keeps ctest waiting for its end; so the server and its services start
  # here, away from it, unless they run already. The server never stops by
  # itself: stopping on a timer would race with the next program.
  if wineserver -p </dev/null >/dev/null 2>&1 9>&-; then
    wine wineboot </dev/null >/dev/null 2>&1 9>&- || true
  fi
) 9>"$WINEPREFIX.lock"

exec wine "$@"
