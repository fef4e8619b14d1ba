#!/usr/bin/env bash
# The join benchmark's streams, made with the Linux ffmpeg at build time: 160 s of a noisy
# picture at 5 Mbit/s (about 100 MB) and of sound at 512 kbit/s (about 10 MB), each
# fragmented as players fetch them.
set -euo pipefail
out=$1
mkdir -p "$out"
fragments=(-movflags frag_keyframe+empty_moov+default_base_moof -f mp4)
ffmpeg -nostdin -y -v error -f lavfi -i "testsrc2=size=640x360:rate=25,noise=alls=40:allf=t" -t 160 -an \
  -c:v libx264 -preset ultrafast -b:v 5M -maxrate 5M -bufsize 5M -g 50 "${fragments[@]}" "$out/video.mp4"
# Encoders keep noise well below 500 kbit/s; plain 16-bit samples at 32 kHz are 512 kbit/s.
ffmpeg -nostdin -y -v error -f lavfi -i anoisesrc=a=0.5 -t 160 -vn -ac 1 -ar 32000 -c:a pcm_s16le \
  -frag_duration 1000000 -movflags frag_keyframe+empty_moov+default_base_moof -f mov "$out/audio.mp4"
