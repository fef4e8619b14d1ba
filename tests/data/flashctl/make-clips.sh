#!/usr/bin/env bash
# Makes the player control's test clips with the Linux ffmpeg into folder $1. The folder
# and clip names hold blanks, "&" and "=", which the host passes to the player unescaped.
set -euo pipefail
out=${1:?usage: make-clips.sh OUTPUT_FOLDER}
mkdir -p "$out/flash clips"
cd "$out/flash clips"
make() { ffmpeg -nostdin -hide_banner -loglevel error -y "$@"; }

# A plain red picture with sound, as an FLV without a seek index: the pane must show red.
make -f lavfi -i "color=c=red:s=640x360:r=30" -f lavfi -i "sine=frequency=440:sample_rate=44100" -t 2 \
     -c:v flv1 -q:v 5 -c:a libmp3lame -b:a 64k "red & blue=purple 2s.flv"
# The playback benchmark's clip: 640 x 360 at 30 frames per second, 10 seconds.
make -f lavfi -i "testsrc=size=640x360:rate=30" -t 10 -c:v libx264 -preset ultrafast -pix_fmt yuv420p -an \
     "bench 640x360 30fps.mp4"
# Files that are no clips.
printf 'This is a text file, not a video.\n' > "not a video.mp4"
# Clips the pane must cope with: the red clip cut off a third of the way in, and a 4K one.
head -c "$(( $(stat -c %s "red & blue=purple 2s.flv") / 3 ))" "red & blue=purple 2s.flv" > "red cut short.flv"
make -f lavfi -i "color=c=red:s=3840x2160:r=10" -t 1 -c:v libx264 -preset ultrafast -pix_fmt yuv420p -an "red 4k.mp4"
