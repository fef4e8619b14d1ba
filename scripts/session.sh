# Sourced. with_wine_session CMD...: runs CMD with an X display (Xvfb when none is set)
# and one wineserver kept alive for the whole run; tears both down afterwards.
with_wine_session() {
  local xvfb_pid="" status
  if [ -z "${DISPLAY:-}" ] || [ -n "${REELKEEP_OWN_XVFB:-}" ]; then
    command -v Xvfb >/dev/null || { echo "Xvfb is missing: cannot run the Wine layers"; return 1; }
    # Xvfb picks a free display itself and writes its number once it accepts clients, so
    # several runs on one machine never fight over a display.
    local display_file number=""
    display_file=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$display_file" >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 100); do
      number=$(tr -dc 0-9 <"$display_file")
      [ -n "$number" ] && break
      sleep 0.1
    done
    rm -f "$display_file"
    [ -n "$number" ] || { echo "Xvfb did not start"; kill "$xvfb_pid"; return 1; }
    export DISPLAY=:$number
    xdpyinfo >/dev/null 2>&1 || { echo "Xvfb does not answer on $DISPLAY"; kill "$xvfb_pid"; return 1; }
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
