#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks for building and testing Reelkeep.
# Idempotent and quiet when nothing is missing.
set -euo pipefail
source "$(dirname "$0")/env.sh"

packages=(cmake ninja-build g++ g++-mingw-w64-x86-64-posix mingw-w64-tools
          wine wine64 xvfb xauth x11-utils imagemagick librsvg2-bin icoutils
          ffmpeg googletest zlib1g-dev libz-mingw-w64-dev locales fonts-dejavu-core python3 nsis fp-utils-3.2.2 zip bc osslsigncode
          openssl faketime)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
# Node.js may come from elsewhere than Debian; only ask for Debian's npm when none runs.
command -v npm >/dev/null || missing+=(npm)
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  SUDO=""; [ "$(id -u)" -eq 0 ] || SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}" >/dev/null
fi

# The Windows ffmpeg.exe ships inside an npm package; it is cached outside git.
if [ ! -f "$CACHE/ffmpeg.exe" ]; then
  echo "setup: fetching $FFMPEG_PACKAGE"
  mkdir -p "$CACHE"
  tmp=$(mktemp -d)
  (cd "$tmp" && npm pack --silent "$FFMPEG_PACKAGE" >/dev/null && tar xzf ./*.tgz)
  cp "$tmp/package/ffmpeg.exe" "$CACHE/ffmpeg.exe.part"
  mv "$CACHE/ffmpeg.exe.part" "$CACHE/ffmpeg.exe"
  rm -rf "$tmp"
fi

"$(dirname "$0")/fetch-sqlite.sh"

"$(dirname "$0")/make-prefix.sh"
