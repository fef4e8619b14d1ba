#!/usr/bin/env bash
# Regenerates the browser caches the capture tests read, with the real browsers of
# Debian 12 (chromium, firefox-esr; install them first: they are not needed to run the
# tests). Media come from the Linux ffmpeg and are served from 127.0.0.1 only.
#
#   media/                      the served files, byte for byte
#   chromium-blockfile/         a Chromium cache in the block-file layout
#   chromium-simple/            the same four files in the Simple layout
#   chromium-half/first-run/    big.mp4 cut off mid-download (Simple layout)
#   chromium-half/second-run/   the same cache after a second, whole playback
#   firefox/                    a Firefox cache2 folder
#   media/streams/              a video and an audio stream per codec pair, fragmented, with
#                               pieces.json: the ranges a player fetches (pieces.py)
#   media/hls/                  an HLS playlist and its MPEG-TS segments
#   streams-blockfile/          Chromium, block-file layout: mse.html playing the H.264+AAC
#                               and the VP9+Opus pair, each once with query ranges and once
#                               with Range headers
#   streams-simple/             the same playbacks in the Simple layout
#   streams-firefox/            the same playbacks in Firefox (header ranges leave nothing),
#                               and an MP3 fetched whole
#   streams-half/first-run/     block-file layout: the VP9+Opus pair with query ranges,
#                               stopped after half its pieces
#   streams-half/second-run/    the same cache after the whole playback
#   hls-blockfile/              block-file layout: the HLS playlist played natively
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
server_pid=""
browser_pid=""
cleanup() {
  [ -n "$browser_pid" ] && kill "$browser_pid" 2>/dev/null || true
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

make_media() {
  local media=$here/media
  mkdir -p "$media"; rm -f "$media"/*.*
  # Noise keeps the encoders at their bit rates, so small files still pass 200,000 bytes.
  local src=(-f lavfi -i "testsrc=size=320x240:rate=25,noise=alls=30:allf=t" -f lavfi -i sine=frequency=440)
  # Just over 2 MiB, index first: played with ranges it spans three 1 MiB pieces.
  ffmpeg -loglevel error "${src[@]}" -t 22 -c:v libx264 -preset veryfast -b:v 780k -maxrate 780k -bufsize 400k \
    -c:a aac -b:a 64k -movflags +faststart "$media/big.mp4"
  ffmpeg -loglevel error "${src[@]}" -t 4 -c:v libx264 -b:v 420k -c:a aac -b:a 48k "$media/tail.mp4"
  ffmpeg -loglevel error "${src[@]}" -t 5 -c:v libvpx -b:v 420k -c:a libvorbis "$media/clip.webm"
  ffmpeg -loglevel error "${src[@]}" -t 4 -c:v flv -b:v 420k -c:a aac -b:a 48k "$media/clip.flv"
  ls -l "$media"
}

make_streams_media() {
  local streams=$here/media/streams hls=$here/media/hls
  rm -rf "$streams" "$hls"; mkdir -p "$streams" "$hls"
  local picture=(-f lavfi -i "testsrc=size=320x240:rate=25,noise=alls=30:allf=t" -t 14 -an -pix_fmt yuv420p)
  local tone=(-f lavfi -i sine=frequency=440 -t 14 -vn)
  # One fragment (an MP4 moof+mdat, a WebM Cluster) per second: 15 pieces per stream.
  local fragments=(-movflags frag_keyframe+empty_moov+default_base_moof)
  ffmpeg -loglevel error "${picture[@]}" -c:v libx264 -preset veryfast -b:v 150k -maxrate 150k -bufsize 150k \
    -g 25 -keyint_min 25 -sc_threshold 0 "${fragments[@]}" "$streams/h264.mp4"
  ffmpeg -loglevel error "${tone[@]}" -c:a aac -b:a 48k -frag_duration 1000000 "${fragments[@]}" "$streams/aac.mp4"
  ffmpeg -loglevel error "${picture[@]}" -c:v libvpx-vp9 -b:v 150k -minrate 150k -maxrate 150k -g 25 \
    -keyint_min 25 -deadline good -cpu-used 5 -row-mt 1 -f webm -dash 1 "$streams/vp9.webm"
  ffmpeg -loglevel error "${tone[@]}" -c:a libopus -b:a 48k -f webm -dash 1 -cluster_time_limit 1000 \
    "$streams/opus.webm"
  python3 "$here/pieces.py" "$streams/pieces.json" "$streams"/*.mp4 "$streams"/*.webm
  # Sound alone, fetched whole: no clip however its path reads.
  ffmpeg -loglevel error -f lavfi -i anoisesrc=a=0.1 -t 20 -c:a libmp3lame -b:a 128k "$streams/tone.mp3"
  # HLS: four 3-second segments of more than 200,000 bytes each, picture and sound in each.
  ffmpeg -loglevel error -f lavfi -i "testsrc=size=320x240:rate=25,noise=alls=30:allf=t" -f lavfi \
    -i sine=frequency=660 -t 12 -pix_fmt yuv420p -c:v libx264 -preset veryfast -b:v 600k -maxrate 600k \
    -bufsize 300k -g 75 -keyint_min 75 -sc_threshold 0 -c:a aac -b:a 64k -f hls -hls_time 3 \
    -hls_playlist_type vod -hls_segment_filename "$hls/seg%d.ts" "$hls/playlist.m3u8"
  ls -l "$streams" "$hls"
}

start_server() {  # start_server LOG [--stall-after N]
  local log=$1; shift
  rm -f "$work/port"
  python3 "$here/serve.py" "$work/www" --port-file "$work/port" "$@" >"$log" 2>&1 &
  server_pid=$!
  for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.1; done
  port=$(cat "$work/port")
}

stop_server() { kill "$server_pid" 2>/dev/null || true; wait "$server_pid" 2>/dev/null || true; server_pid=""; }

wait_for_line() {  # wait_for_line LOG PATTERN SECONDS
  for _ in $(seq $(($3 * 10))); do grep -q "$2" "$1" && return 0; sleep 0.1; done
  echo "timed out waiting for $2 in $1" >&2; cat "$1" >&2; return 1
}

# Ends the browser the way a user's quit does, so that it writes its cache out.
stop_browser() {
  kill -TERM "$browser_pid" 2>/dev/null || true
  for _ in $(seq 300); do kill -0 "$browser_pid" 2>/dev/null || break; sleep 0.1; done
  kill -KILL "$browser_pid" 2>/dev/null || true
  wait "$browser_pid" 2>/dev/null || true
  browser_pid=""
}

run_chromium() {  # run_chromium PROFILE QUERY LOG WAIT_PATTERN [extra flags]
  run_chromium_page play.html "$@"
}

run_chromium_page() {  # run_chromium_page PAGE PROFILE QUERY LOG WAIT_PATTERN [extra flags]
  local page=$1 profile=$2 query=$3 log=$4 pattern=$5; shift 5
  chromium --headless=new --no-sandbox --disable-gpu --no-first-run --no-default-browser-check \
    --autoplay-policy=no-user-gesture-required --user-data-dir="$profile" "$@" \
    "http://127.0.0.1:$port/$page?$query" >"$work/chromium.log" 2>&1 &
  browser_pid=$!
  wait_for_line "$log" "$pattern" 120
  sleep 1
  stop_browser
}

keep_cache() {  # keep_cache PROFILE DEST
  rm -rf "$2"; mkdir -p "$2"
  cp -r "$1/Default/Cache/Cache_Data" "$2/"
}

make_chromium() {
  local query="play=big.mp4,tail.mp4,clip.webm&fetch=clip.flv"
  start_server "$work/server.log"
  run_chromium "$work/blockfile" "$query" "$work/server.log" DONE \
    --enable-features=DiskCacheBackendExperiment:backend/blockfile
  keep_cache "$work/blockfile" "$here/chromium-blockfile"
  : >"$work/server.log"
  run_chromium "$work/simple" "$query" "$work/server.log" DONE
  keep_cache "$work/simple" "$here/chromium-simple"
  stop_server
}

make_half() {
  # Half a download: the server stops sending big.mp4 after 1.2 MB and the browser quits.
  start_server "$work/half.log" --stall-after 1200000
  run_chromium "$work/half" "play=big.mp4" "$work/half.log" STALLED
  keep_cache "$work/half" "$here/chromium-half/first-run"
  stop_server
  # The same port again: the URL is part of the cache key.
  start_server "$work/rest.log" --port "$port"
  run_chromium "$work/half" "play=big.mp4" "$work/rest.log" DONE
  keep_cache "$work/half" "$here/chromium-half/second-run"
  stop_server
}

# The four playbacks every stream cache holds, one after another.
stream_plays="play=h264.mp4+aac.mp4:query,h264.mp4+aac.mp4:header,vp9.webm+opus.webm:query,vp9.webm+opus.webm:header"
blockfile=--enable-features=DiskCacheBackendExperiment:backend/blockfile

make_streams() {
  start_server "$work/streams.log"
  run_chromium_page mse.html "$work/streams-blockfile" "$stream_plays" "$work/streams.log" DONE "$blockfile"
  keep_cache "$work/streams-blockfile" "$here/streams-blockfile"
  : >"$work/streams.log"
  run_chromium_page mse.html "$work/streams-simple" "$stream_plays" "$work/streams.log" DONE
  keep_cache "$work/streams-simple" "$here/streams-simple"
  stop_server
}

make_streams_half() {
  start_server "$work/streams-half.log"
  run_chromium_page mse.html "$work/streams-half" "play=vp9.webm+opus.webm:query:8" "$work/streams-half.log" DONE \
    "$blockfile"
  keep_cache "$work/streams-half" "$here/streams-half/first-run"
  stop_server
  start_server "$work/streams-rest.log" --port "$port"
  run_chromium_page mse.html "$work/streams-half" "play=vp9.webm+opus.webm:query" "$work/streams-rest.log" DONE \
    "$blockfile"
  keep_cache "$work/streams-half" "$here/streams-half/second-run"
  stop_server
}

make_hls() {
  start_server "$work/hls.log"
  run_chromium_page mse.html "$work/hls" "hls=media/hls/playlist.m3u8" "$work/hls.log" DONE "$blockfile"
  keep_cache "$work/hls" "$here/hls-blockfile"
  stop_server
}

run_firefox() {  # run_firefox PAGE QUERY LOG DEST
  local page=$1 query=$2 log=$3 dest=$4
  local profile=$work/firefox-$(basename "$dest")
  mkdir -p "$profile"
  cat >"$profile/user.js" <<'PREFS'
user_pref("dom.allow_scripts_to_close_windows", true);
user_pref("media.autoplay.default", 0);
user_pref("browser.cache.disk.enable", true);
user_pref("browser.shell.checkDefaultBrowser", false);
user_pref("datareporting.policy.dataSubmissionEnabled", false);
user_pref("toolkit.telemetry.reportingpolicy.firstRun", false);
PREFS
  start_server "$log"
  HOME=$profile-home firefox-esr --headless --no-remote --profile "$profile" \
    "http://127.0.0.1:$port/$page?$query" >"$work/ff.log" 2>&1 &
  browser_pid=$!
  wait_for_line "$log" DONE 180
  for _ in $(seq 100); do kill -0 "$browser_pid" 2>/dev/null || break; sleep 0.1; done
  stop_browser
  stop_server
  local cache
  cache=$(find "$profile" "$profile-home" -type d -name cache2 | head -1)
  rm -rf "$dest"; mkdir -p "$dest"
  cp -r "$cache" "$dest/"
}

make_firefox() {
  run_firefox play.html "play=big.mp4,tail.mp4,clip.webm&fetch=clip.flv" "$work/firefox.log" "$here/firefox"
}

make_streams_firefox() {
  run_firefox mse.html "$stream_plays&fetch=media/streams/tone.mp3" "$work/streams-firefox.log" "$here/streams-firefox"
}

# With arguments only the named parts are made again (media chromium half firefox
# streams-media streams streams-half hls streams-firefox).
parts=("$@")
[ ${#parts[@]} -gt 0 ] || parts=(media chromium half firefox streams-media streams streams-half hls streams-firefox)
mkdir -p "$work/www"
for part in "${parts[@]}"; do
  [ "$part" = media ] && make_media
  [ "$part" = streams-media ] && make_streams_media
done
cp -r "$here/media" "$work/www/media"
cp "$here/play.html" "$here/mse.html" "$work/www/"
for part in "${parts[@]}"; do
  case "$part" in
    media|streams-media) ;;
    streams) make_streams ;;
    streams-half) make_streams_half ;;
    hls) make_hls ;;
    streams-firefox) make_streams_firefox ;;
    chromium) make_chromium ;;
    half) make_half ;;
    firefox) make_firefox ;;
    *) echo "unknown part $part" >&2; exit 2 ;;
  esac
done
du -sh "$here"/*/
