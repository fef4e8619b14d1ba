#!/usr/bin/env bash
# Makes the caches and histories the page-name tests read, with the real browsers of
# Debian 12 (chromium, firefox-esr; install them first: they are not needed to run the
# tests). Two "sites" of our own, site-one.test and site-two.test, and a media host,
# media.test, all resolve to 127.0.0.1; a fresh profile of each browser visits
#   http://site-one.test/first.html   "First test card &amp; friends"   plays one.mp4
#   http://site-one.test/second.html  "Second test card"                plays two.mp4
#   http://site-two.test/third.html   "Third card &#x202E;reversed"     plays three.mp4
# in that order, each page playing its video from media.test to its end and going on to
# the next six seconds later. The browser is then closed and its cache and history are
# kept as they are:
#   chromium/Profile 1/History, chromium/Profile 1/Cache/Cache_Data   (block-file layout,
#                                                                      a second profile)
#   firefox/places.sqlite, firefox/cache2
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
caches=$here/../browser-caches
work=$(mktemp -d)
server_pid=""
browser_pid=""
cleanup() {
  [ -n "$browser_pid" ] && kill "$browser_pid" 2>/dev/null || true
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

make_site() {
  local www=$work/www
  mkdir -p "$www/media"
  # Noise keeps the encoder at its bit rate, so each video passes 200,000 bytes.
  local n=0
  for name in one two three; do
    n=$((n + 1))
    ffmpeg -loglevel error -f lavfi -i "testsrc=size=320x240:rate=25,noise=alls=30:allf=t" \
      -f lavfi -i "sine=frequency=$((300 + 100 * n))" -t 4 -c:v libx264 -b:v 420k -c:a aac -b:a 48k \
      -movflags +faststart "$here/media-$name.mp4"
    cp "$here/media-$name.mp4" "$www/media/$name.mp4"
  done
  page() {  # page FILE TITLE VIDEO NEXT
    sed -e "s|@TITLE@|$2|g" -e "s|@VIDEO@|$3|" -e "s|@NEXT@|$4|" "$here/watch.html.in" >"$www/$1"
  }
  page first.html 'First test card \&amp; friends' one.mp4 'http://site-one.test:PORT/second.html'
  page second.html 'Second test card' two.mp4 'http://site-two.test:PORT/third.html'
  page third.html 'Third card \&#x202E;reversed' three.mp4 ''
}

start_server() {
  rm -f "$work/port"
  python3 "$caches/serve.py" "$work/www" --port-file "$work/port" >"$work/server.log" 2>&1 &
  server_pid=$!
  for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.1; done
  port=$(cat "$work/port")
}

stop_server() { kill "$server_pid" 2>/dev/null || true; wait "$server_pid" 2>/dev/null || true; server_pid=""; }

wait_done() {
  for _ in $(seq 1800); do grep -q DONE "$work/server.log" && return 0; sleep 0.1; done
  echo "timed out" >&2; cat "$work/server.log" >&2; return 1
}

stop_browser() {
  kill -TERM "$browser_pid" 2>/dev/null || true
  for _ in $(seq 300); do kill -0 "$browser_pid" 2>/dev/null || break; sleep 0.1; done
  kill -KILL "$browser_pid" 2>/dev/null || true
  wait "$browser_pid" 2>/dev/null || true
  browser_pid=""
}

make_chromium() {
  start_server
  local profile=$work/chromium
  chromium --headless=new --no-sandbox --disable-gpu --no-first-run --no-default-browser-check \
    --autoplay-policy=no-user-gesture-required --user-data-dir="$profile" --profile-directory="Profile 1" \
    --host-resolver-rules="MAP *.test 127.0.0.1" \
    --enable-features=DiskCacheBackendExperiment:backend/blockfile \
    "http://site-one.test:$port/first.html" >"$work/chromium.log" 2>&1 &
  browser_pid=$!
  wait_done
  sleep 2
  stop_browser
  stop_server
  rm -rf "$here/chromium"; mkdir -p "$here/chromium/Profile 1/Cache"
  cp "$profile/Profile 1/History" "$here/chromium/Profile 1/"
  cp -r "$profile/Profile 1/Cache/Cache_Data" "$here/chromium/Profile 1/Cache/"
}

make_firefox() {
  start_server
  local profile=$work/firefox
  mkdir -p "$profile"
  cat >"$profile/user.js" <<'PREFS'
user_pref("network.dns.forceResolve", "127.0.0.1");
user_pref("network.proxy.type", 0);
user_pref("dom.allow_scripts_to_close_windows", true);
user_pref("media.autoplay.default", 0);
user_pref("browser.cache.disk.enable", true);
user_pref("browser.shell.checkDefaultBrowser", false);
user_pref("datareporting.policy.dataSubmissionEnabled", false);
user_pref("toolkit.telemetry.reportingpolicy.firstRun", false);
PREFS
  HOME=$profile-home firefox-esr --headless --no-remote --profile "$profile" \
    "http://site-one.test:$port/first.html" >"$work/firefox.log" 2>&1 &
  browser_pid=$!
  wait_done
  for _ in $(seq 100); do kill -0 "$browser_pid" 2>/dev/null || break; sleep 0.1; done
  stop_browser
  stop_server
  rm -rf "$here/firefox"; mkdir -p "$here/firefox"
  cp "$profile"/places.sqlite* "$here/firefox/"
  cp -r "$(find "$profile" "$profile-home" -type d -name cache2 | head -1)" "$here/firefox/"
}

parts=("$@")
[ ${#parts[@]} -gt 0 ] || parts=(chromium firefox)
make_site
for part in "${parts[@]}"; do
  case "$part" in
    chromium) make_chromium ;;
    firefox) make_firefox ;;
    *) echo "unknown part $part" >&2; exit 2 ;;
  esac
done
du -sh "$here"/*/ "$here"/*.mp4
