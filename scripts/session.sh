# Sourced. with_wine_session CMD...: runs CMD with an X display (Xvfb when none is set)
# and one wineserver kept alive for the whole run; tears both down afterwards.
with_wine_session() {
  local xvfb_pid="" status
  if [ -z "${DISPLAY:-}" ] || [ -n "${REELKEEP_OWN_XVFB:-}" ]; then
    command -v Xvfb >/dev/null || { echo "Xvfb is missing: cannot run the Wine layers"; return 1; }
    local display=:$((90 + RANDOM % 400))
    Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    export DISPLAY=$display
    for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
    xdpyinfo >/dev/null 2>&1 || { echo "Xvfb did not start"; kill "$xvfb_pid"; return 1; }
  fi
  "$WINESERVER" -p
  # The first program after -p boots the services; run it with its output discarded so
  # that later captured runs are not held open by the services' inherited stderr.
  "$WINE" cmd /c exit >/dev/null 2>&1
  "$@"
  status=$?
  "$WINESERVER" -k 2>/dev/null
  "$WINESERVER" -w 2>/dev/null
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null; unset DISPLAY; fi
  return $status
}
