#!/usr/bin/env bash
# Runs one command inside a Wine session (X display + a kept-alive wineserver), e.g.
#   REELKEEP_WINEPREFIX=$PWD/build/prefix-me scripts/wine-session.sh scripts/wine-run.sh build/me/bin/x.exe
set -uo pipefail
source "$(dirname "$0")/env.sh"
source "$(dirname "$0")/session.sh"
"$(dirname "$0")/make-prefix.sh"
with_wine_session "$@"
