#!/usr/bin/env bash
# Makes the capture test media with the Linux ffmpeg into folder $1 (created if needed).
# Browser caches are only examined above 200000 bytes, so the short clips are padded in
# ways the probe ignores: zeros after the last FLV tag, a "free" box after the MP4 boxes.
set -euo pipefail
out=${1:?usage: make-clips.sh OUTPUT_FOLDER}
mkdir -p "$out"
cd "$out"
make() { ffmpeg -nostdin -hide_banner -loglevel error -y "$@"; }
tone() { echo -f lavfi -i "sine=frequency=440:sample_rate=$1"; }
pad_zeros() { head -c "$2" /dev/zero >> "$1"; }
pad_free_box() {
  local size=$(( $2 + 8 ))
  printf "\\x$(printf %02x $(( size >> 24 & 255 )))\\x$(printf %02x $(( size >> 16 & 255 )))\\x$(printf %02x $(( size >> 8 & 255 )))\\x$(printf %02x $(( size & 255 )))free" >> "$1"
  head -c "$2" /dev/zero >> "$1"
}

make -f lavfi -i testsrc=size=320x240:rate=25 $(tone 22050) -t 2 \
     -c:v flv1 -b:v 200k -c:a libmp3lame -b:a 64k flv-sound.flv
pad_zeros flv-sound.flv 300000
make -f lavfi -i testsrc=size=320x240:rate=25 -t 2 -c:v flv1 -b:v 200k -an flv-silent.flv
pad_zeros flv-silent.flv 300000
make -f lavfi -i testsrc=size=320x240:rate=25 $(tone 44100) -t 2 \
     -c:v libx264 -preset ultrafast -crf 35 -pix_fmt yuv420p -c:a aac -b:a 48k mp4-sound.mp4
pad_free_box mp4-sound.mp4 300000
make $(tone 44100) -t 20 -c:a libmp3lame -b:a 128k audio-only.mp3
# A stream cut off by the network: real content up to the cut, well past the size rule.
make -f lavfi -i testsrc=size=320x240:rate=25 $(tone 22050) -t 8 \
     -c:v flv1 -b:v 600k -c:a libmp3lame -b:a 64k long.flv
head -c 250000 long.flv > truncated.flv
rm long.flv
# An FLV signature followed by noise. The noise is the same on every build: some random
# bytes happen to read as a video stream, and the test would pass or fail by chance.
python3 -c 'import random, sys; random.seed(1); sys.stdout.buffer.write(b"FLV\x01\x05\x00\x00\x00\x09" + random.randbytes(250000))' > corrupt.flv
printf 'This is a web page, not a video.\n%.0s' $(seq 8000) > text-page
