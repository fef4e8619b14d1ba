#!/usr/bin/env bash
# Checks the files that the conversion tests kept (one per format and surface, two of a batch) with the
# Linux ffprobe: container, codecs, frame size and audio rate of each preset.
set -uo pipefail
folder=${1:?usage: check-convert-outputs.sh FOLDER}
command -v ffprobe >/dev/null || { echo "ffprobe is missing"; exit 1; }

# format: extension, video codec, frame size, audio codec, audio rate (- = not checked)
expect() {
  case "$1" in
    0) echo ".mov - 480x320 aac -" ;;
    1) echo ".mp4 mpeg4 480x320 - -" ;;
    2) echo ".mp4 - 480x272 - 24000" ;;
    3) echo ".3gp h263 176x144 amr_nb 8000" ;;
    4) echo ".wmv wmv1 320x240 adpcm_ima_wav -" ;;
    5) echo ".avi mpeg4 320x240 - -" ;;
    6) echo ".mp3 none - mp3 -" ;;
  esac
}
field() { ffprobe -v error -select_streams "$1" -show_entries "stream=$2" -of csv=p=0 "$3" | head -n 1; }

checked=0 failed=0
# check NAME FORMAT: the kept file NAME-FORMAT<extension> against the format's preset.
check() {
  local name=$1 format=$2 extension vcodec size acodec rate file problem="" got
  read -r extension vcodec size acodec rate <<<"$(expect "$format")"
  file="$folder/$name-$format$extension"
  if [ ! -s "$file" ]; then
    problem="missing"
  else
    if [ "$vcodec" = none ]; then
      [ -z "$(field v codec_name "$file")" ] || problem="has a video stream"
    elif [ "$vcodec" != - ]; then
      got=$(field v codec_name "$file"); [ "$got" = "$vcodec" ] || problem="video $got, wanted $vcodec"
    fi
    if [ "$size" != - ]; then
      got=$(field v width,height "$file" | tr , x); [ "$got" = "$size" ] || problem="$problem size $got, wanted $size"
    fi
    if [ "$acodec" != - ]; then
      got=$(field a codec_name "$file"); [ "$got" = "$acodec" ] || problem="$problem audio $got, wanted $acodec"
    fi
    if [ "$rate" != - ]; then
      got=$(field a sample_rate "$file"); [ "$got" = "$rate" ] || problem="$problem rate $got, wanted $rate"
    fi
  fi
  checked=$((checked + 1))
  if [ -n "$problem" ]; then failed=$((failed + 1)); echo "convert output $name-$format: $problem"; fi
}
for surface in panel dialog; do
  for format in 0 1 2 3 4 5 6; do check "$surface" "$format"; done
done
# The batch dialog's two outputs (MP4 at 480x320).
check batch-a 1
check batch-b 1
echo "convert outputs checked with ffprobe: $((checked - failed)) passed, $failed failed"
[ "$failed" -eq 0 ]
