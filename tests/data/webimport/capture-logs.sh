#!/usr/bin/env bash
# Rewrites the golden ffmpeg logs (*.log) beside this script: makes the streams, serves
# them on 127.0.0.1, and keeps all the real Windows ffmpeg.exe printed while copying each
# one as the import does (verbose). Run inside a Wine session, e.g.
#   REELKEEP_WINEPREFIX=$PWD/build/prefix-me scripts/wine-session.sh tests/data/webimport/capture-logs.sh
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../../scripts/env.sh"
ffmpeg_exe="$FFMPEG_EXE"
work=$(mktemp -d)
trap 'kill $server 2>/dev/null; rm -rf "$work"' EXIT
"$here/make-clips.sh" "$work/site"
cp -r "$work/site/dash" "$work/site/dash-missing"
rm "$work/site/dash-missing/chunk-stream1-00003.m4s"
# A segment that a server answers with a page: the tool reads past it without a word.
cp -r "$work/site/hls" "$work/site/hls-html"
printf '<html><body>This video is not available.</body></html>' >"$work/site/hls-html/v1/seg2.ts"
# A fixed port, so that the addresses inside the logs do not change from one capture to the next.
(cd "$work/site" && exec python3 -m http.server 38517 --bind 127.0.0.1 >/dev/null 2>&1) &
server=$!
sleep 1
# The import's input options (src/platform/ToolInputs.cpp): web protocols, playlist and segment demuxers.
web_input=(-protocol_whitelist http,https,tcp,tls,crypto -format_whitelist hls,dash,mpegts,mov,aac,mp3)
copy() {
  local name=$1 input=$2 map=$3
  "$WINE" "$ffmpeg_exe" -hide_banner -nostdin -loglevel verbose -y "${web_input[@]}" -rw_timeout 30000000 \
      -user_agent test -headers $'Referer: http://127.0.0.1/\r\n' \
      -i "http://127.0.0.1:38517/$input" $map -c copy -f mp4 'C:\capture.mp4' </dev/null >/dev/null 2>"$here/$name.log" || true
}
copy hls-missing-segment hls-missing/v1/index.m3u8 "-map 0:v:0 -map 0:a:0?"
copy hls-html-segment hls-html/v1/index.m3u8 "-map 0:v:0 -map 0:a:0?"
copy dash-whole dash/manifest.mpd "-map 0:v:1 -map 0:a:0?"
copy dash-missing-fragment dash-missing/manifest.mpd "-map 0:v:1 -map 0:a:0?"
copy missing-playlist nowhere/index.m3u8 "-map 0:v:0"
rm -f "$WINEPREFIX/drive_c/capture.mp4"
