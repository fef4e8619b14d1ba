#!/usr/bin/env bash
# Runs one Windows program of the build under Wine in the project's prefix.
# The caller keeps a wineserver alive (scripts/wine-session.sh) so each run starts warm.
source "$(dirname "$0")/env.sh"
exec "$WINE" "$@"
