#!/usr/bin/env bash
# SQLite, compiled into the program to read the browsers' history files, is the public-
# domain amalgamation (sqlite3.c, sqlite3.h) exactly as its authors publish it: the npm
# package "sqlite3" carries their autoconf tarball unchanged in deps/. Cached outside git
# beside ffmpeg.exe; the digests make sure that no other text is ever compiled in.
set -euo pipefail
source "$(dirname "$0")/env.sh"

SQLITE_PACKAGE="sqlite3@6.0.1"
SQLITE_TARBALL="sqlite-autoconf-3520000"
declare -A digests=(
  [sqlite3.c]=a503acc9fe98f628eed36eb2aa2116a26f2541270d757f9b7cdbc2f19eb72b8f
  [sqlite3.h]=37537d6131c1d2e507b34a6cee5590e27cedb7d82f543f257afbc72c0cbbcc22
)
dest="$CACHE/$SQLITE_TARBALL"

intact() {
  for file in "${!digests[@]}"; do
    [ -f "$dest/$file" ] || return 1
    [ "$(sha256sum "$dest/$file" | cut -d' ' -f1)" = "${digests[$file]}" ] || return 1
  done
}

intact && exit 0
echo "setup: fetching SQLite from $SQLITE_PACKAGE"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
(cd "$tmp" && npm pack --silent "$SQLITE_PACKAGE" >/dev/null && tar xzf ./*.tgz &&
  tar xzf "package/deps/$SQLITE_TARBALL.tar.gz")
rm -rf "$dest.part"; mkdir -p "$dest.part"
for file in "${!digests[@]}"; do cp "$tmp/$SQLITE_TARBALL/$file" "$dest.part/"; done
rm -rf "$dest"; mv "$dest.part" "$dest"
intact || { echo "setup: the SQLite sources differ from the published amalgamation" >&2; exit 1; }
