#!/usr/bin/env bash
# End-to-end layer: the real Reelkeep.exe in scratch program folders under Wine, driven
# from outside by reelkeep_e2e_tests.exe. Runs inside a Wine session (scripts/session.sh):
# an X display and a kept wineserver. Beside the driver runs the screenshot loop: the
# driver drops <name>.req (holding the PNG's Linux path) into a request folder, the loop
# takes the picture of the whole display (or the part the request's second line names)
# and answers with <name>.done.
# Extra arguments go to the driver (for example --gtest_filter=TrayStart.*).
set -uo pipefail
source "$(dirname "$0")/../../scripts/env.sh"

driver="$WIN_BIN/reelkeep_e2e_tests.exe"
[ -x "$driver" ] || { echo "e2e: driver not built: $driver"; exit 1; }
[ -x "$WIN_BIN/Reelkeep.exe" ] || { echo "e2e: Reelkeep.exe not built in $WIN_BIN"; exit 1; }
[ -n "${DISPLAY:-}" ] || { echo "e2e: no X display; run through scripts/test.sh or scripts/wine-session.sh"; exit 1; }
xdpyinfo >/dev/null 2>&1 || { echo "e2e: X display $DISPLAY does not answer"; exit 1; }
command -v import >/dev/null || { echo "e2e: ImageMagick's import is missing (scripts/setup.sh installs it)"; exit 1; }

export REELKEEP_SCREENSHOTS="${REELKEEP_SCREENSHOTS:-$BUILD/screenshots}"
mkdir -p "$REELKEEP_SCREENSHOTS"
requests=$(mktemp -d "${TMPDIR:-/tmp}/reelkeep-e2e-shots.XXXXXX")
export REELKEEP_E2E_SHOT_REQUESTS="$requests"
# The set-up under test (make installer); the installer test fails without it.
export REELKEEP_SETUP="${REELKEEP_SETUP:-$SETUP_EXE}"
# The driver's stderr goes to a file that the tests read: programs they start with
# WINEDEBUG set write their Wine traces there. Shown afterwards without those traces.
export REELKEEP_E2E_STDERR_LOG="$requests/stderr.log"
: >"$REELKEEP_E2E_STDERR_LOG"

serve_screenshots() {
  local request picture answer
  for request in "$requests"/*.req; do
    [ -e "$request" ] || continue
    picture=$(sed -n 1p "$request")
    crop=$(sed -n 2p "$request")
    mkdir -p "$(dirname "$picture")"
    if answer=$(import -window root ${crop:+-crop "$crop" +repage} "$picture" 2>&1); then answer=ok
    else answer="import failed: $answer"; fi
    rm -f "$request"
    echo "$answer" >"${request%.req}.tmp"
    mv "${request%.req}.tmp" "${request%.req}.done"
  done
}

# Certificates of the HTTPS site: a test root that the driver trusts in the prefix for the
# length of its run, a server certificate for 127.0.0.1 made by it, and one the server made
# for itself, which nobody trusts.
tls="$requests/tls"
mkdir -p "$tls"
(
  cd "$tls" &&
    openssl req -x509 -newkey rsa:2048 -nodes -keyout root.key -out root.pem -days 2 -subj "/CN=Reelkeep test root" \
      -addext basicConstraints=critical,CA:true -addext keyUsage=critical,keyCertSign,cRLSign &&
    openssl req -newkey rsa:2048 -nodes -keyout site.key -out site.csr -subj "/CN=127.0.0.1" &&
    printf 'subjectAltName=DNS:127.0.0.1,IP:127.0.0.1\nextendedKeyUsage=serverAuth\n' >site.ext &&
    openssl x509 -req -in site.csr -CA root.pem -CAkey root.key -CAcreateserial -out site.pem -days 2 -extfile site.ext &&
    openssl req -x509 -newkey rsa:2048 -nodes -keyout self.key -out self.pem -days 2 -subj "/CN=127.0.0.1" \
      -addext subjectAltName=DNS:127.0.0.1,IP:127.0.0.1 &&
    openssl x509 -in root.pem -outform der -out root.der
) >/dev/null 2>&1 || { echo "e2e: the test certificates could not be made"; exit 1; }
export REELKEEP_E2E_TEST_ROOT="Z:${tls//\//\\}\\root.der"

# The web site of the import tests, on 127.0.0.1 only.
python3 "$ROOT/tests/e2e/http_server.py" "$WIN_BIN" "$requests/http.port" "$tls" &
http_pid=$!
# Polled every tenth of a second for up to 30 s (a loaded machine starts Python slowly),
# or until the server has ended.
for _ in $(seq 300); do
  [ -s "$requests/http.port" ] && break
  kill -0 "$http_pid" 2>/dev/null || break
  sleep 0.1
done
[ -s "$requests/http.port" ] || { echo "e2e: the test web server did not start"; kill "$http_pid"; exit 1; }
export REELKEEP_E2E_HTTP_URL="http://127.0.0.1:$(sed -n 1p "$requests/http.port")"
export REELKEEP_E2E_HTTPS_URL="https://127.0.0.1:$(sed -n 2p "$requests/http.port")"
# Every program the tests start talks to 127.0.0.1 only: the site is the test server, and
# the update agent, due a minute after a first start, finds a closed port (its road from
# fetch to offer is a Windows test, which need not wait that minute).
export REELKEEP_SITE_URL="$REELKEEP_E2E_HTTP_URL"
export REELKEEP_UPDATE_URL="http://127.0.0.1:9/actual-version/"

"$WINE" "$driver" --gtest_brief=1 "$@" 2>>"$REELKEEP_E2E_STDERR_LOG" &
driver_pid=$!
while kill -0 "$driver_pid" 2>/dev/null; do
  serve_screenshots
  sleep 0.1
done
wait "$driver_pid"
status=$?
kill "$http_pid" 2>/dev/null
wait "$http_pid" 2>/dev/null
grep -v -e ':trace:' -e ':fixme:' -e '^ALSA lib' -e '^$' "$REELKEEP_E2E_STDERR_LOG" >&2
rm -rf "$requests"
[ "$status" -eq 0 ] || echo "e2e: driver failed with status $status"
exit "$status"
