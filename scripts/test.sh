#!/usr/bin/env bash
# Runs the test layers: native (sanitizers), win (under Wine), e2e (Reelkeep.exe under
# Wine + Xvfb); "all" is the three. "large" runs what grows with size instead: the fuzz
# target's full rounds and the e2e suites named *AtScale. A layer that cannot run fails
# the run.
set -uo pipefail
source "$(dirname "$0")/env.sh"
layer="${1:-all}"
failed=()

# ctest keeps a passing test's output to itself; its log has the slowest tests' lines.
show_slowest() {
  grep -h '^\[ slow' "$1/Testing/Temporary/LastTest.log" 2>/dev/null || true
}

run_native() {
  echo "== native tests"
  ctest --test-dir "$NATIVE_BUILD" --output-on-failure -LE large || failed+=(native)
  show_slowest "$NATIVE_BUILD"
}

run_win() {
  echo "== win tests (Wine)"
  # The conversion tests keep one output per format here for the Linux ffprobe.
  local outputs="$WIN_BUILD/convert-outputs"
  rm -rf "$outputs"
  mkdir -p "$outputs"
  export REELKEEP_CONVERT_OUTPUTS="Z:${outputs//\//\\}"
  ctest --test-dir "$WIN_BUILD" --output-on-failure -R '^win$' || failed+=(win)
  show_slowest "$WIN_BUILD"
  "$ROOT/tests/win/check-convert-outputs.sh" "$outputs" || failed+=(win-convert-outputs)
}

run_e2e() {
  echo "== e2e tests (Wine + Xvfb)"
  "$ROOT/tests/e2e/run.sh" --gtest_filter='-*AtScale.*' || failed+=(e2e)
}

run_large_native() {
  echo "== large: full-round fuzzing"
  ctest --test-dir "$NATIVE_BUILD" --output-on-failure -L large || failed+=(large-native)
}

run_large_e2e() {
  echo "== large: e2e at scale (Wine + Xvfb)"
  "$ROOT/tests/e2e/run.sh" --gtest_filter='*AtScale.*' || failed+=(large-e2e)
}

case "$layer" in
  native|win|e2e|all|large) ;;
  *) echo "unknown test layer '$layer' (native, win, e2e, all or large)" >&2; exit 2 ;;
esac

source "$ROOT/scripts/session.sh"
case "$layer" in
  native) run_native ;;
  win) with_wine_session run_win ;;
  e2e) with_wine_session run_e2e ;;
  all) run_native; with_wine_session run_win; with_wine_session run_e2e ;;
  large) run_large_native; with_wine_session run_large_e2e ;;
esac

if [ ${#failed[@]} -gt 0 ]; then
  echo "FAILED layers: ${failed[*]}"
  exit 1
fi
echo "all requested test layers passed"
