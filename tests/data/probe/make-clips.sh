#!/usr/bin/env bash
# Makes the probe test clips with the Linux ffmpeg into folder $1 (created if needed).
# Small on purpose (1-2 s, tens of kB): the clips are rebuilt, never committed.
set -euo pipefail
out=${1:?usage: make-clips.sh OUTPUT_FOLDER}
mkdir -p "$out"
cd "$out"
make() { ffmpeg -nostdin -hide_banner -loglevel error -y "$@"; }
tone() { echo -f lavfi -i "sine=frequency=440:sample_rate=$1"; }

make -f lavfi -i testsrc=size=320x240:rate=25 $(tone 22050) -t 2 \
     -c:v flv1 -b:v 200k -c:a libmp3lame -b:a 64k flv-320x240-sound.flv
make -f lavfi -i testsrc=size=320x240:rate=25 -t 2 -c:v flv1 -b:v 200k -an flv-320x240-silent.flv
make -f lavfi -i testsrc=size=1920x1080:rate=30000/1001 $(tone 44100) -t 1 \
     -c:v flv1 -q:v 20 -c:a libmp3lame -b:a 64k flv-1920x1080-sound.flv
make -f lavfi -i testsrc=size=320x240:rate=30000/1001 $(tone 44100) -t 2 \
     -c:v libx264 -preset ultrafast -crf 35 -pix_fmt yuv420p -c:a aac -b:a 48k mp4-320x240-sound.mp4
make -f lavfi -i testsrc=size=1920x1080:rate=24000/1001 $(tone 44100) -t 1 \
     -c:v libx264 -preset ultrafast -crf 40 -pix_fmt yuv420p -c:a aac -b:a 64k mp4-1920x1080-sound.mp4
make -f lavfi -i testsrc=size=1920x1080:rate=24000/1001 -t 1 \
     -c:v libx264 -preset ultrafast -crf 40 -pix_fmt yuv420p -an mp4-1920x1080-silent.mp4
# Container tags that the report lists as aligned "key : value" metadata lines.
make -f lavfi -i testsrc=size=640x360:rate=30000/1001 $(tone 44100) -t 1 \
     -c:v libx264 -preset ultrafast -crf 40 -pix_fmt yuv420p -c:a aac -b:a 48k \
     -movflags use_metadata_tags -metadata width=640 -metadata height=360 \
     -metadata framerate=29.97 -metadata duration=30.03 -metadata "title=Grüße aus Köln" \
     mp4-640x360-tagged.mp4

# WebM and Ogg, with and without sound, and an Ogg that holds sound only.
make -f lavfi -i testsrc=size=320x240:rate=25 $(tone 44100) -t 1 \
     -c:v libvpx -b:v 100k -c:a libvorbis webm-320x240-sound.webm
make -f lavfi -i testsrc=size=320x240:rate=25 -t 1 -c:v libvpx -b:v 100k -an webm-320x240-silent.webm
make -f lavfi -i testsrc=size=320x240:rate=25 $(tone 44100) -t 1 \
     -c:v libtheora -q:v 3 -c:a libvorbis ogg-320x240-sound.ogv
make $(tone 44100) -t 1 -c:a libvorbis ogg-sound-only.ogg

# Files that are not whole videos.
: > zero-bytes.flv
head -c 40000 flv-320x240-sound.flv > truncated.flv
printf 'This is not a video.\r\nJust text.\r\n' > text-only.flv

# Conversion clips: 10 s for every format, 60 s for Stop and the runner's benchmark, 12 s
# for the batch benchmark, and
# one whose duration reads 00:00:00 in the list. Small frames keep them quick to convert.
make -f lavfi -i testsrc=size=320x240:rate=25 $(tone 44100) -t 10 \
     -c:v flv1 -q:v 12 -c:a libmp3lame -b:a 64k convert-10s.flv
make -f lavfi -i testsrc=size=320x240:rate=25 $(tone 44100) -t 60 \
     -c:v flv1 -q:v 20 -c:a libmp3lame -b:a 32k convert-60s.flv
make -f lavfi -i testsrc=size=320x240:rate=25 $(tone 44100) -t 12 \
     -c:v flv1 -q:v 12 -c:a libmp3lame -b:a 64k convert-12s.flv
make -f lavfi -i testsrc=size=160x120:rate=25 $(tone 22050) -t 0.4 \
     -c:v flv1 -q:v 12 -c:a libmp3lame -b:a 32k convert-under-1s.flv

# A large library in tests and benchmarks is thousands of copies of these: a few kB each,
# three lengths, sizes and kinds.
make -f lavfi -i color=c=navy:size=160x120:rate=15 $(tone 22050) -t 1 \
     -c:v flv1 -q:v 25 -c:a libmp3lame -b:a 16k library-1s.flv
make -f lavfi -i color=c=olive:size=176x144:rate=15 $(tone 22050) -t 3 \
     -c:v libx264 -preset ultrafast -crf 45 -pix_fmt yuv420p -c:a aac -b:a 16k library-3s.mp4
make -f lavfi -i color=c=teal:size=128x96:rate=10 $(tone 22050) -t 5 \
     -c:v flv1 -q:v 31 -c:a libmp3lame -b:a 8k library-5s.flv
