#!/usr/bin/env bash
# Runs the test layers: native (sanitizers), win (under Wine), e2e (Reelkeep.exe under
# Wine + Xvfb). A layer that cannot run fails the run.
set -uo pipefail
source "$(dirname "$0")/env.sh"
layer="${1:-all}"
failed=()

run_native() {
  echo "== native tests"
  ctest --test-dir "$NATIVE_BUILD" --output-on-failure || failed+=(native)
}

run_win() {
  echo "== win tests (Wine)"
  ctest --test-dir "$WIN_BUILD" --output-on-failure -R '^win$' || failed+=(win)
}

run_e2e() {
  echo "== e2e tests (Wine + Xvfb)"
  "$ROOT/tests/e2e/run.sh" || failed+=(e2e)
}

source "$ROOT/scripts/session.sh"
case "$layer" in
  native) run_native ;;
  win) with_wine_session run_win ;;
  e2e) with_wine_session run_e2e ;;
  all) run_native; with_wine_session run_win; with_wine_session run_e2e ;;
esac

if [ ${#failed[@]} -gt 0 ]; then
  echo "FAILED layers: ${failed[*]}"
  exit 1
fi
echo "all requested test layers passed"
