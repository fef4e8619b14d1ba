#!/usr/bin/env bash
# End-to-end layer: the real Reelkeep.exe in a scratch program folder under Wine.
set -euo pipefail
source "$(dirname "$0")/../../scripts/env.sh"
[ -x "$WIN_BIN/reelkeep_e2e_tests.exe" ] || { echo "e2e driver not built"; exit 1; }
exec "$WINE" "$WIN_BIN/reelkeep_e2e_tests.exe" --gtest_brief=1
