#!/usr/bin/env bash
# Makes the web import's test streams with the Linux ffmpeg into folder $1 (created if
# needed), laid out as a web server serves them:
#   clip.mp4                  a short progressive MP4 (H.264 and AAC)
#   hls/master.m3u8           two variants, 320x180 and 640x360, H.264 and AAC, 10 s, 2-s segments
#   hls-missing/master.m3u8   the same, but the 640x360 variant lost its third segment
#   hls-sound/master.m3u8     two picture-only variants with one separate sound playlist
#   hls-mpeg2/index.m3u8      a media playlist of MPEG-2 video and MP2 sound, 6 s
#   dash/manifest.mpd         the same two pictures and one sound as DASH representations, 10 s
# With "big" as $2, also big/index.m3u8: about 50 MB in 1 MB segments, for the benchmark.
set -euo pipefail
out=${1:?usage: make-clips.sh OUTPUT_FOLDER [big]}
mkdir -p "$out"
cd "$out"
make() { ffmpeg -nostdin -hide_banner -loglevel error -y "$@"; }
picture="testsrc=size=640x360:rate=25"
sound="sine=frequency=440:sample_rate=44100"
two_sizes="[0:v]split=2[a][b];[a]scale=320:180[small];[b]scale=640:360[large]"
h264="-c:v libx264 -preset ultrafast -pix_fmt yuv420p -g 25"

make -f lavfi -i "$picture" -f lavfi -i "$sound" -t 10 $h264 -c:a aac -b:a 64k -shortest source.mp4
make -i source.mp4 -t 3 -c copy clip.mp4

rm -rf hls && mkdir -p hls
make -i source.mp4 -filter_complex "$two_sizes" -map "[small]" -map 0:a -map "[large]" -map 0:a \
     $h264 -b:v:0 300k -b:v:1 800k -c:a aac -b:a 64k \
     -f hls -hls_time 2 -hls_playlist_type vod -master_pl_name master.m3u8 \
     -var_stream_map "v:0,a:0 v:1,a:1" -hls_segment_filename 'hls/v%v/seg%d.ts' 'hls/v%v/index.m3u8'
rm -rf hls-missing && cp -r hls hls-missing && rm hls-missing/v1/seg2.ts

rm -rf hls-sound && mkdir -p hls-sound
make -i source.mp4 -filter_complex "$two_sizes" -map "[small]" -map "[large]" -map 0:a \
     $h264 -b:v:0 300k -b:v:1 800k -c:a aac -b:a 64k \
     -f hls -hls_time 2 -hls_playlist_type vod -master_pl_name master.m3u8 \
     -var_stream_map "v:0,agroup:sound v:1,agroup:sound a:0,agroup:sound,default:yes" \
     -hls_segment_filename 'hls-sound/s%v/seg%d.ts' 'hls-sound/s%v/index.m3u8'

rm -rf hls-mpeg2 && mkdir -p hls-mpeg2
make -i source.mp4 -t 6 -c:v mpeg2video -q:v 5 -c:a mp2 -f hls -hls_time 2 -hls_playlist_type vod \
     -hls_segment_filename 'hls-mpeg2/seg%d.ts' hls-mpeg2/index.m3u8

rm -rf dash && mkdir -p dash
make -i source.mp4 -filter_complex "$two_sizes" -map "[small]" -map "[large]" -map 0:a \
     $h264 -b:v:0 300k -b:v:1 800k -c:a aac -b:a 64k \
     -f dash -seg_duration 2 -use_template 1 -use_timeline 0 -adaptation_sets "id=0,streams=v id=1,streams=a" \
     dash/manifest.mpd
rm source.mp4

if [ "${2:-}" = big ]; then
  rm -rf big && mkdir -p big
  # Five seconds at 8 Mb/s, looped ten times without converting again: about 50 MB.
  make -f lavfi -i "testsrc2=size=1280x720:rate=25,noise=alls=40:allf=t" -f lavfi -i "$sound" -t 5 \
       $h264 -b:v 8M -maxrate 8M -bufsize 8M -c:a aac -shortest big-source.mp4
  make -stream_loop 9 -i big-source.mp4 -c copy -f hls -hls_time 1 -hls_playlist_type vod \
       -hls_segment_filename 'big/s%03d.ts' big/index.m3u8
  rm big-source.mp4
fi
