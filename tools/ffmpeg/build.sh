#!/usr/bin/env bash
# Builds Reelkeep's ffmpeg.exe with mingw-w64 from Debian's own sources: bookworm's ffmpeg
# with Debian's patches, and the libraries the presets and the preview need (x264, LAME,
# opencore-amr, dav1d, libxml2 for DASH), each from its Debian source package. Only the
# components of components.txt are enabled, and our own patches/ go on top of Debian's.
#
#   tools/ffmpeg/build.sh LINK   ensures the tool is built, then points LINK at it
#   tools/ffmpeg/build.sh --key  prints the cache key alone
#
# The tool is cached outside the clone, under CACHE/ffmpeg/KEY/, KEY made of the source
# packages' versions and this recipe: a second run finds it, a changed version or recipe
# builds anew. Needs the deb-src lines that scripts/setup.sh adds.
set -euo pipefail
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
CACHE="${XDG_CACHE_HOME:-$HOME/.cache}/reelkeep"
SOURCES=(ffmpeg x264 lame opencore-amr dav1d libxml2)
HOST=x86_64-w64-mingw32
CC="$HOST-gcc-posix"
CXX="$HOST-g++-posix"

# "package version" of what apt-get source would fetch, from the local package lists: no
# download, one apt run for all of them.
source_versions() {
  apt-get source --print-uris -qq "${SOURCES[@]}" 2>/dev/null | sed -n "s/^'[^']*' \([^_ ]*\)_\([^ ]*\)\.dsc .*/\1 \2/p"
}

cache_key() {
  local versions
  versions=$(source_versions)
  if [ "$(wc -l <<<"$versions")" -ne ${#SOURCES[@]} ]; then
    echo "build.sh: not every source package of ${SOURCES[*]} is known to apt (deb-src lines missing?)" >&2
    return 1
  fi
  {
    echo "$versions"
    # The toolchain is part of what is built.
    dpkg-query -W -f='${Package} ${Version}\n' gcc-mingw-w64-x86-64-posix mingw-w64-x86-64-dev libz-mingw-w64-dev
    cat "$HERE/build.sh" "$HERE/components.txt" "$HERE"/patches/*.patch
  } | sha256sum | cut -c1-16
}

# components.txt as configure switches: "demuxer flv" gives --enable-demuxer=flv.
configure_switches() {
  sed -e 's/#.*//' "$HERE/components.txt" | while read -r kind name _; do
    [ -n "${kind:-}" ] && echo "--enable-$kind=$name"
  done
}

fetch_sources() {
  local package patch
  for package in "${SOURCES[@]}"; do
    # As root apt cannot hand the download to its unprivileged user in a private folder;
    # it says so and carries on, which is all right here.
    apt-get source -qq -o APT::Sandbox::User=root "$package" >"$WORK/$package.log" 2>&1
  done
  for patch in "$HERE"/patches/*.patch; do
    patch -d "$WORK"/ffmpeg-*/ -p1 --quiet <"$patch"
  done
}

# Runs a build step with its chatter in a log of its own, shown when the step fails.
step() {
  local name=$1
  shift
  if ! "$@" >"$WORK/$name.log" 2>&1; then
    tail -n 40 "$WORK/$name.log" >&2
    echo "build.sh: $name failed; its log is $WORK/$name.log" >&2
    return 1
  fi
}

# Makes the -posix compilers the ones autotools and meson find by their host triplet.
write_toolchain() {
  mkdir -p "$WORK/bin"
  ln -sf "$(command -v "$CC")" "$WORK/bin/$HOST-gcc"
  ln -sf "$(command -v "$CXX")" "$WORK/bin/$HOST-g++"
  cat >"$WORK/cross.meson" <<EOF
[binaries]
c = '$CC'
cpp = '$CXX'
ar = '$HOST-ar'
strip = '$HOST-strip'
windres = '$HOST-windres'
pkgconfig = 'pkg-config'

[host_machine]
system = 'windows'
cpu_family = 'x86_64'
cpu = 'x86_64'
endian = 'little'
EOF
}

# Debian's patches touch Makefile.am files; the shipped Makefile.in serve, so make must
# not try to run automake again.
NO_AUTOTOOLS=(ACLOCAL=true AUTOCONF=true AUTOMAKE=true AUTOHEADER=true)

autotools_library() {
  local folder=$1
  shift
  cd "$WORK"/"$folder"-*/
  ./configure --host=$HOST --prefix="$PREFIX" --enable-static --disable-shared "$@" &&
    make -j"$JOBS" "${NO_AUTOTOOLS[@]}" && make install "${NO_AUTOTOOLS[@]}"
}

x264_library() {
  cd "$WORK"/x264-*/
  ./configure --host=$HOST --cross-prefix=$HOST- --prefix="$PREFIX" --enable-static --enable-strip \
    --bit-depth=8 --disable-cli --disable-opencl --disable-avs --disable-swscale --disable-lavf \
    --disable-ffms --disable-gpac --disable-lsmash && make -j"$JOBS" && make install
}

dav1d_library() {
  cd "$WORK"/dav1d-*/
  meson setup build --cross-file "$WORK/cross.meson" --prefix="$PREFIX" --libdir=lib \
    --default-library=static --buildtype=release -Denable_tools=false -Denable_tests=false &&
    ninja -C build -j"$JOBS" && ninja -C build install
}

build_libraries() {
  step x264 x264_library
  step lame autotools_library lame --disable-frontend --disable-gtktest --disable-decoder
  step opencore-amr autotools_library opencore-amr
  # Reading manifests only: no network, no compression or character sets of its own.
  step libxml2 autotools_library libxml2 --without-python --without-http --without-ftp --without-zlib \
    --without-lzma --without-iconv --without-icu --without-threads --without-catalog --without-modules
  step dav1d dav1d_library
}

build_ffmpeg() {
  local revision
  revision=$(source_versions | sed -n 's/^ffmpeg [^-]*-//p')
  mapfile -t switches < <(configure_switches)
  cd "$WORK"/ffmpeg-*/
  ./configure --arch=x86_64 --target-os=mingw32 \
      --cross-prefix=$HOST- --cc="$CC" --cxx="$CXX" --pkg-config=pkg-config --pkg-config-flags=--static \
      --extra-version="$revision" --extra-cflags="-I$PREFIX/include -DLIBXML_STATIC" \
      --extra-ldflags="-L$PREFIX/lib -static" --extra-libs="-lstdc++ -lcrypt32" \
      --enable-gpl --enable-version3 --enable-static --disable-shared --disable-autodetect \
      --disable-everything --disable-programs --enable-ffmpeg --disable-doc --disable-avdevice \
      --disable-postproc --disable-debug --enable-w32threads --enable-schannel --enable-zlib \
      --enable-libx264 --enable-libmp3lame --enable-libopencore-amrnb --enable-libdav1d --enable-libxml2 \
      "${switches[@]}" &&
    make -j"$JOBS" ffmpeg.exe && $HOST-strip -o "$WORK/ffmpeg.exe" ffmpeg.exe
}

KEY=$(cache_key)
if [ "${1:-}" = --key ]; then
  echo "$KEY"
  exit 0
fi
LINK=${1:?usage: build.sh LINK | --key}
TOOL="$CACHE/ffmpeg/$KEY/ffmpeg.exe"
if [ ! -f "$TOOL" ]; then
  echo "setup: building ffmpeg.exe from Debian's sources (once per machine, some minutes)"
  WORK="$CACHE/ffmpeg/$KEY.work"
  PREFIX="$WORK/prefix"
  JOBS=$(nproc)
  rm -rf "$WORK"
  mkdir -p "$WORK"
  started=$SECONDS
  (cd "$WORK" && fetch_sources)
  write_toolchain
  export PATH="$WORK/bin:$PATH" PKG_CONFIG_LIBDIR="$PREFIX/lib/pkgconfig"
  build_libraries
  step ffmpeg build_ffmpeg
  mv "$WORK/ffmpeg.exe" "$WORK/ffmpeg.exe.done"
  mkdir -p "$(dirname "$TOOL")"
  mv "$WORK/ffmpeg.exe.done" "$TOOL"
  rm -rf "$WORK"
  echo "setup: ffmpeg.exe built in $((SECONDS - started)) s"
fi
mkdir -p "$(dirname "$LINK")"
ln -sfn "$TOOL" "$LINK"
