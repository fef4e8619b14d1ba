#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks for building and testing Reelkeep.
# Idempotent and quiet when nothing is missing.
set -euo pipefail
source "$(dirname "$0")/env.sh"

packages=(cmake ninja-build g++ g++-mingw-w64-x86-64-posix mingw-w64-tools
          wine wine64 xvfb xauth x11-utils imagemagick librsvg2-bin icoutils
          ffmpeg googletest zlib1g-dev libz-mingw-w64-dev locales fonts-dejavu-core python3 nsis fp-utils-3.2.2 zip bc osslsigncode
          openssl faketime
          # Our ffmpeg.exe, built from Debian's sources (tools/ffmpeg/build.sh).
          dpkg-dev patch nasm meson pkg-config)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
SUDO=""; [ "$(id -u)" -eq 0 ] || SUDO=sudo
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}" >/dev/null
fi

# The Windows ffmpeg.exe is built from Debian's own sources, which apt fetches only with
# deb-src lines: bookworm's, with its updates and security fixes.
if [ -z "$(apt-get source --print-uris -qq ffmpeg 2>/dev/null)" ]; then
  echo "setup: adding Debian's source packages to apt"
  $SUDO tee /etc/apt/sources.list.d/reelkeep-sources.sources >/dev/null <<'SOURCES'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: http://deb.debian.org/debian-security
Suites: bookworm-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES
  $SUDO apt-get update -qq
fi
# Built once per machine into the cache, keyed by the sources' versions and the recipe;
# the build tree links to it.
"$ROOT/tools/ffmpeg/build.sh" "$BUILD/ffmpeg.exe"

"$(dirname "$0")/fetch-sqlite.sh"

"$(dirname "$0")/make-prefix.sh"
