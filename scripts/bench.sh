#!/usr/bin/env bash
# Runs every benchmark: bench_*.exe of the Windows build under one Wine session, then
# bench_* of the native build. Each prints "<figure>: <ratio>x (limit <limit>x)" lines;
# a benchmark that fails (over its limit, or unable to measure) fails the whole run.
set -uo pipefail
source "$(dirname "$0")/env.sh"
source "$ROOT/scripts/session.sh"
failed=()

run_win_benches() {
  local bench found=0
  for bench in "$WIN_BIN"/bench_*.exe; do
    [ -e "$bench" ] || continue
    found=1
    echo "== $(basename "$bench") (Wine)"
    "$WINE" "$bench" || failed+=("$(basename "$bench")")
  done
  [ "$found" -eq 1 ] || { echo "no bench_*.exe in $WIN_BIN"; failed+=(win); }
}

"$ROOT/scripts/make-prefix.sh"
with_wine_session run_win_benches
echo "== set-up (Wine)"
with_wine_session "$ROOT/bench/installer/bench-installer.sh" || failed+=(set-up)

found=0
for bench in "$NATIVE_BUILD"/bench/bench_*; do
  [ -x "$bench" ] || continue
  found=1
  echo "== $(basename "$bench") (native)"
  "$bench" || failed+=("$(basename "$bench")")
done
[ "$found" -eq 1 ] || echo "(no native benchmarks built in $NATIVE_BUILD/bench)"

if [ ${#failed[@]} -gt 0 ]; then
  echo "FAILED benchmarks: ${failed[*]}"
  exit 1
fi
echo "all benchmarks within their limits"
