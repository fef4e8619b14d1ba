#!/bin/sh
# The preview's e2e clip: one second of flat green (a first frame of known colour), then
# a moving test picture (so that playback changes the pane).
set -eu
out="$1"
mkdir -p "$out"
ffmpeg -loglevel error -y -f lavfi -i "color=c=0x00C000:s=320x240:r=25:d=1" \
  -f lavfi -i "testsrc=s=320x240:r=25:d=6" \
  -filter_complex "[0:v][1:v]concat=n=2:v=1,format=yuv420p[v]" -map "[v]" \
  -c:v flv -q:v 2 "$out/green-then-moving.flv"
