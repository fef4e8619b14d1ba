# Shared environment for the set-up, test, run and bench scripts. Sourced, not run.
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD="$ROOT/build"
CACHE="${XDG_CACHE_HOME:-$HOME/.cache}/reelkeep"
# Overridable so that several developers' runs on one machine keep out of each other's way.
export WINEPREFIX="${REELKEEP_WINEPREFIX:-$BUILD/wineprefix}"
NATIVE_BUILD="${REELKEEP_NATIVE_BUILD:-$BUILD/native}"
WIN_BUILD="${REELKEEP_WIN_BUILD:-$BUILD/win}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEARCH=win64
export WINELOADER=/usr/lib/wine/wine64
# Keeps Wine from offering to download Mono and Gecko into a new prefix, and from copying
# the shortcuts made in our prefixes (the set-up's, in every e2e run and bench) into the
# Linux desktop's own menu: a test install must leave the machine's desktop alone.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree=;mshtml=;winemenubuilder.exe=d}"
WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver64
# Our ffmpeg.exe (tools/ffmpeg/build.sh): a link into the cache, made by the set-up.
FFMPEG_EXE="${FFMPEG_EXE:-$BUILD/ffmpeg.exe}"
WIN_BIN="$WIN_BUILD/bin"
# `make installer` puts the set-up beside the Windows build tree.
SETUP_EXE="$(dirname "$WIN_BUILD")/Reelkeep-1.21-setup.exe"
