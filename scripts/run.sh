#!/usr/bin/env bash
# Starts Reelkeep.exe from the build's program folder under Wine. Uses your X display
# when DISPLAY is set, otherwise a private Xvfb (the program then runs headless until
# you end it with Ctrl+C). Extra arguments go to the program (for example /min).
set -uo pipefail
source "$(dirname "$0")/env.sh"
source "$(dirname "$0")/session.sh"

program="$WIN_BIN/Reelkeep.exe"
[ -f "$program" ] || { echo "run: $program is not built (make win)"; exit 1; }
[ -z "${DISPLAY:-}" ] && echo "run: no DISPLAY; Reelkeep runs on a private Xvfb display (Ctrl+C ends it)"
# Ctrl+C ends the program; this script stays to take down Xvfb and the wineserver.
trap : INT
with_wine_session "$WINE" "$program" "$@"
