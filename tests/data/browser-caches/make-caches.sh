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
#
# The players sites use, unchanged from npm (hls.js, dashjs, shaka-player), in players.html,
# against media/players/ made here (not kept: the caches hold every byte the tests need) and
# served as a plain static host serves files; players-expected.txt says what each should give:
#   players-blockfile/          Chromium, block-file layout: hls.js (TS with two variants;
#                               fMP4 with an audio group), dash.js (fMP4 H.264/AAC, $Number$;
#                               the same with SegmentTimeline and $Time$) and shaka-player
#                               (WebM VP9/Opus), one after another
#   players-simple/             the same in the Simple layout
#   players-firefox/            the same in Firefox
#   players-octet/              the same in the Simple layout, every answer typed
#                               application/octet-stream
#   hostile-simple/             Simple layout, dash.js and hls.js: a muted video-only stream
#                               played beside a video with sound; two videos with sound of the
#                               same length at once; a video watched with a skip; an HLS
#                               stream whose server kept two segments out of caches
#   hostile-nomanifest/         block-file layout: the same DASH playbacks with the manifests
#                               kept out of the cache (served no-store, as many sites do)
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

run_firefox() {  # run_firefox PAGE QUERY LOG DEST [server options]
  local page=$1 query=$2 log=$3 dest=$4
  shift 4
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
  start_server "$log" "$@"
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

make_players_media() {
  local out=$work/www/media/players
  rm -rf "$out"; mkdir -p "$out"
  local picture="testsrc=size=320x240:rate=25,noise=alls=30:allf=t"
  # Two-second segments, a key frame at each; the picture's noise holds the encoder at its rate.
  local h264=(-c:v libx264 -preset veryfast -pix_fmt yuv420p -g 50 -keyint_min 50 -sc_threshold 0)
  local rate_high=(-b:v:0 180k -maxrate:v:0 180k -bufsize:v:0 180k -s:v:0 320x240)
  local rate_low=(-b:v:1 70k -maxrate:v:1 70k -bufsize:v:1 70k -s:v:1 256x192)
  local aac=(-c:a aac -b:a 40k)
  local dash=(-f dash -seg_duration 2 -use_template 1 -init_seg_name 'init-$RepresentationID$.m4s')
  local number=(-use_timeline 0 -media_seg_name 'chunk-$RepresentationID$-$Number%05d$.m4s')
  tone() { echo "sine=frequency=$1"; }
  mkdir -p "$out/hls-ts" "$out/hls-fmp4" "$out/dash-number" "$out/dash-timeline" "$out/shaka-webm"
  # HLS, transport stream: two variants with their sound inside, the larger listed first.
  ffmpeg -loglevel error -f lavfi -i "$picture" -f lavfi -i "$(tone 440)" -t 10 -map 0:v -map 1:a -map 0:v \
    -map 1:a "${h264[@]}" "${rate_high[@]}" "${rate_low[@]}" "${aac[@]}" -f hls -hls_time 2 \
    -hls_playlist_type vod -master_pl_name master.m3u8 -var_stream_map "v:0,a:0 v:1,a:1" \
    -hls_segment_filename "$out/hls-ts/v%v/seg%d.ts" "$out/hls-ts/v%v/index.m3u8"
  # HLS, fragmented MP4: two picture variants and one sound rendition in an audio group.
  ffmpeg -loglevel error -f lavfi -i "$picture" -f lavfi -i "$(tone 494)" -t 10 -map 0:v -map 0:v -map 1:a \
    "${h264[@]}" "${rate_high[@]}" "${rate_low[@]}" "${aac[@]}" -f hls -hls_time 2 -hls_playlist_type vod \
    -hls_segment_type fmp4 -hls_fmp4_init_filename init.mp4 -master_pl_name master.m3u8 \
    -var_stream_map "v:0,agroup:aud v:1,agroup:aud a:0,agroup:aud,default:yes,name:audio" \
    -hls_segment_filename "$out/hls-fmp4/%v/seg%d.m4s" "$out/hls-fmp4/%v/index.m3u8"
  # DASH, fragmented MP4, two picture representations and one sound, numbered and timed.
  ffmpeg -loglevel error -f lavfi -i "$picture" -f lavfi -i "$(tone 523)" -t 10 -map 0:v -map 0:v -map 1:a \
    "${h264[@]}" "${rate_high[@]}" "${rate_low[@]}" "${aac[@]}" "${dash[@]}" "${number[@]}" \
    -adaptation_sets "id=0,streams=v id=1,streams=a" "$out/dash-number/manifest.mpd"
  # Shifted to start at 0: else the muxer names the first sound segment by the encoder's
  # priming (a negative time) while its manifest says 0.
  ffmpeg -loglevel error -f lavfi -i "$picture" -f lavfi -i "$(tone 587)" -t 10 -map 0:v -map 0:v -map 1:a \
    "${h264[@]}" "${rate_high[@]}" "${rate_low[@]}" "${aac[@]}" "${dash[@]}" -use_timeline 1 \
    -avoid_negative_ts make_zero -media_seg_name 'seg-$RepresentationID$-$Time$.m4s' -adaptation_sets "id=0,streams=v id=1,streams=a" \
    "$out/dash-timeline/manifest.mpd"
  # DASH, WebM: VP9 and Opus.
  ffmpeg -loglevel error -f lavfi -i "$picture" -f lavfi -i "$(tone 659)" -t 10 -map 0:v -map 1:a \
    -c:v libvpx-vp9 -pix_fmt yuv420p -b:v 180k -minrate 180k -maxrate 180k -g 50 -keyint_min 50 -deadline good \
    -cpu-used 5 -row-mt 1 -c:a libopus -b:a 40k -f dash -dash_segment_type webm -seg_duration 2 -use_template 1 \
    -use_timeline 0 -init_seg_name 'init-$RepresentationID$.webm' \
    -media_seg_name 'chunk-$RepresentationID$-$Number%05d$.webm' -adaptation_sets "id=0,streams=v id=1,streams=a" \
    "$out/shaka-webm/manifest.mpd"
  # Hostile cases: DASH H.264/AAC, one picture representation each, pictures told apart by
  # their source.
  hostile() {  # hostile NAME SECONDS PICTURE TONE|none [RATE]
    mkdir -p "$out/$1"
    local sound=(-f lavfi -i "$(tone "${4:-440}")") maps=(-map 0:v -map 1:a) sets="id=0,streams=v id=1,streams=a"
    [ "$4" = none ] && { sound=(); maps=(-map 0:v); sets="id=0,streams=v"; }
    local rate=(${5:+-b:v:0 $5 -maxrate:v:0 $5 -bufsize:v:0 $5})
    ffmpeg -loglevel error -f lavfi -i "$3" "${sound[@]}" -t "$2" "${maps[@]}" "${h264[@]}" "${rate_high[@]}" \
      "${rate[@]}" "${aac[@]}" "${dash[@]}" "${number[@]}" -adaptation_sets "$sets" "$out/$1/manifest.mpd"
  }
  hostile muted 10 "testsrc2=size=320x240:rate=25,noise=alls=30:allf=t" none
  hostile withsound 10 "$picture" 700
  hostile pair-a 10 "smptebars=size=320x240:rate=25,noise=alls=30:allf=t" 750
  hostile pair-b 10 "rgbtestsrc=size=320x240:rate=25,noise=alls=30:allf=t" 800
  # What is watched before the skip must make a clip of its own: more than 200,000 bytes.
  hostile skip 20 "$picture" 850 400k
  # HLS of one variant, twelve seconds; the server keeps segments 2 and 3 out of caches.
  mkdir -p "$out/hls-gap"
  ffmpeg -loglevel error -f lavfi -i "$picture" -f lavfi -i "$(tone 900)" -t 12 -map 0:v -map 1:a "${h264[@]}" \
    -b:v 180k -maxrate 180k -bufsize 180k "${aac[@]}" -f hls -hls_time 2 -hls_playlist_type vod \
    -hls_segment_filename "$out/hls-gap/seg%d.ts" "$out/hls-gap/index.m3u8"
  write_players_expected "$out"
}

# The length each playback's clip must have: the longer of the played picture and its sound
# as ffprobe reads their segments joined, and for the HLS gap the cached segments' span.
write_players_expected() {
  local out=$1 expected=$here/players-expected.txt
  seconds() { ffprobe -v error -show_entries format=duration -of csv=p=0 "$1"; }
  # Segments joined as they lie, then copied into Matroska: a WebM segment's header says no length.
  joined() {  # joined OUT INIT SEGMENT...
    local file=$1; shift
    cat "$@" >"$file"
    ffmpeg -loglevel error -y -i "$file" -c copy "$file.mkv"
    seconds "$file.mkv"
  }
  longer() { python3 -c "import sys; print('%.3f' % max(map(float, sys.argv[1:])))" "$@"; }
  {
    echo "# playback  seconds (the longer of picture and sound)"
    echo "hls-ts $(joined "$work/v.ts" $(ls -v "$out"/hls-ts/v0/seg*.ts))"
    echo "hls-fmp4 $(longer "$(joined "$work/v.mp4" "$out"/hls-fmp4/0/init_0.mp4 $(ls -v "$out"/hls-fmp4/0/seg*.m4s))" \
      "$(joined "$work/a.mp4" "$out"/hls-fmp4/audio/init_2.mp4 $(ls -v "$out"/hls-fmp4/audio/seg*.m4s))")"
    for set in dash-number dash-timeline muted withsound pair-a pair-b skip; do
      local video audio
      video=$(joined "$work/v.mp4" "$out/$set/init-0.m4s" $(ls -v "$out/$set"/*-0-*.m4s))
      audio=0
      ls "$out/$set"/init-2.m4s >/dev/null 2>&1 &&
        audio=$(joined "$work/a.mp4" "$out/$set/init-2.m4s" $(ls -v "$out/$set"/*-2-*.m4s))
      ls "$out/$set"/init-1.m4s >/dev/null 2>&1 && [ "$set" != dash-number ] && [ "$set" != dash-timeline ] &&
        audio=$(joined "$work/a.mp4" "$out/$set/init-1.m4s" $(ls -v "$out/$set"/*-1-*.m4s))
      echo "$set $(longer "$video" "$audio")"
    done
    echo "shaka-webm $(longer "$(joined "$work/v.webm" "$out"/shaka-webm/init-0.webm $(ls -v "$out"/shaka-webm/chunk-0-*))" \
      "$(joined "$work/a.webm" "$out"/shaka-webm/init-1.webm $(ls -v "$out"/shaka-webm/chunk-1-*))")"
    echo "hls-gap $(joined "$work/g.ts" $(ls -v "$out"/hls-gap/seg*.ts))"
  } >"$expected"
  cat "$expected"
}

fetch_players() {
  local dest=$work/www/lib pack=$work/npm
  mkdir -p "$dest" "$pack"
  (cd "$pack" && for p in hls.js@1.7.4 dashjs@5.2.1 shaka-player@5.2.12; do npm pack --silent "$p" >/dev/null; done &&
    for f in *.tgz; do mkdir -p "${f%.tgz}" && tar xzf "$f" -C "${f%.tgz}"; done)
  cp "$pack"/hls.js-*/package/dist/hls.min.js "$pack"/dashjs-*/package/dist/modern/umd/dash.all.min.js \
    "$pack"/shaka-player-*/package/dist/shaka-player.compiled.js "$dest/"
}

# The five playbacks of every player cache, one after another.
player_plays="play=hls:media/players/hls-ts/master.m3u8,hls:media/players/hls-fmp4/master.m3u8"
player_plays+=",dash:media/players/dash-number/manifest.mpd,dash:media/players/dash-timeline/manifest.mpd"
player_plays+=",shaka:media/players/shaka-webm/manifest.mpd"
# Players' scripts are kept out of caches: the committed caches stay small.
player_server=(--no-store /lib/)

make_players() {
  start_server "$work/players.log" "${player_server[@]}"
  run_chromium_page players.html "$work/players-blockfile" "$player_plays" "$work/players.log" DONE "$blockfile"
  keep_cache "$work/players-blockfile" "$here/players-blockfile"
  : >"$work/players.log"
  run_chromium_page players.html "$work/players-simple" "$player_plays" "$work/players.log" DONE
  keep_cache "$work/players-simple" "$here/players-simple"
  stop_server
  start_server "$work/players-octet.log" "${player_server[@]}" --octet-stream
  run_chromium_page players.html "$work/players-octet" "$player_plays" "$work/players-octet.log" DONE
  keep_cache "$work/players-octet" "$here/players-octet"
  stop_server
}

make_players_firefox() {
  run_firefox players.html "$player_plays" "$work/players-firefox.log" "$here/players-firefox" "${player_server[@]}"
}

hostile_dash="dash:media/players/muted/manifest.mpd+dash:media/players/withsound/manifest.mpd"
hostile_dash+=",dash:media/players/pair-a/manifest.mpd+dash:media/players/pair-b/manifest.mpd"
hostile_dash+=",dash:media/players/skip/manifest.mpd:seek=5-15"

make_hostile() {
  start_server "$work/hostile.log" "${player_server[@]}" --no-store hls-gap/seg2.ts --no-store hls-gap/seg3.ts
  run_chromium_page players.html "$work/hostile-simple" "play=$hostile_dash,hls:media/players/hls-gap/index.m3u8" \
    "$work/hostile.log" DONE
  keep_cache "$work/hostile-simple" "$here/hostile-simple"
  stop_server
  start_server "$work/hostile-nomanifest.log" "${player_server[@]}" --no-store .mpd
  run_chromium_page players.html "$work/hostile-nomanifest" "play=$hostile_dash" "$work/hostile-nomanifest.log" DONE \
    "$blockfile"
  keep_cache "$work/hostile-nomanifest" "$here/hostile-nomanifest"
  stop_server
}

# With arguments only the named parts are made again (media chromium half firefox
# streams-media streams streams-half hls streams-firefox players-media players
# players-firefox hostile); the player parts make their media first in any case.
parts=("$@")
[ ${#parts[@]} -gt 0 ] || parts=(media chromium half firefox streams-media streams streams-half hls streams-firefox players players-firefox hostile)
mkdir -p "$work/www"
for part in "${parts[@]}"; do
  [ "$part" = media ] && make_media
  [ "$part" = streams-media ] && make_streams_media
done
cp -r "$here/media" "$work/www/media"
cp "$here/play.html" "$here/mse.html" "$here/players.html" "$work/www/"
for part in "${parts[@]}"; do
  case "$part" in
    players|players-firefox|hostile)
      [ -d "$work/www/media/players" ] || { make_players_media; fetch_players; } ;;
  esac
done
for part in "${parts[@]}"; do
  case "$part" in
    media|streams-media) ;;
    players-media) make_players_media ;;
    players) make_players ;;
    players-firefox) make_players_firefox ;;
    hostile) make_hostile ;;
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
