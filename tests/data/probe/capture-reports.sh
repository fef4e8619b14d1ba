#!/usr/bin/env bash
# Rewrites the golden probe reports (*.report) beside this script: makes the clips, then
# runs the real Windows ffmpeg.exe on each under Wine and keeps all it printed, byte for
# byte. Run inside a Wine session, e.g.
#   REELKEEP_WINEPREFIX=$PWD/build/prefix-me scripts/wine-session.sh tests/data/probe/capture-reports.sh
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../../scripts/env.sh"
ffmpeg_exe="$FFMPEG_EXE"
# Fixed Windows folder, so that the file names inside the reports do not depend on who captured them.
clips="$WINEPREFIX/drive_c/probe-clips"
rm -rf "$clips"
"$here/make-clips.sh" "$clips"
# The program's probe: local files and media containers only (src/platform/ToolInputs.cpp).
local_input=(-protocol_whitelist file,pipe -format_whitelist flv,mov,matroska,mpegts,avi,asf,mp3,aac,ogg,wav)
for clip in "$clips"/*; do
  name=$(basename "$clip")
  "$WINE" "$ffmpeg_exe" "${local_input[@]}" -i "C:\\probe-clips\\$name" </dev/null >/dev/null \
    2>"$here/${name%.*}.report" || true
done
rm -rf "$clips"
