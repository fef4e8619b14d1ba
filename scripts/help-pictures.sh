#!/usr/bin/env bash
# Takes the pictures of the user's guide from the running program (the HelpPictures e2e
# test, under Wine) and puts them into docs/help/images/, where the guide is built from.
set -euo pipefail
source "$(dirname "$0")/env.sh"
source "$ROOT/scripts/session.sh"
"$ROOT/scripts/make-prefix.sh"
shots="${REELKEEP_SCREENSHOTS:-$BUILD/screenshots}"
rm -f "$shots"/help-*.png
with_wine_session "$ROOT/tests/e2e/run.sh" --gtest_filter='HelpPictures.*'
for picture in "$shots"/help-*.png; do
  name=$(basename "$picture")
  cp "$picture" "$ROOT/docs/help/images/${name#help-}"
done
echo "help-pictures: docs/help/images/ refreshed; rebuild the guide with make win"
