#!/usr/bin/env bash
# The set-up's two figures, run inside a Wine session (scripts/bench.sh):
#   size: Reelkeep-1.21-setup.exe against the program folder zipped (zip's default level);
#   silent install: "setup.exe /S" against copying the same files with xcopy, both under
#   Wine and both into C:\, interleaved, median of five runs each. A run that fails or
#   leaves its files missing fails the bench rather than counting as a fast one.
set -uo pipefail
source "$(dirname "$0")/../../scripts/env.sh"

size_limit=1.1
time_limit=3.0
[ -f "$SETUP_EXE" ] || { echo "bench-installer: $SETUP_EXE is missing (make installer)"; exit 1; }
work=$(mktemp -d "${TMPDIR:-/tmp}/reelkeep-bench-setup.XXXXXX")
trap 'rm -rf "$work"' EXIT

# The program folder as the set-up installs it.
mkdir -p "$work/program/Videos" "$work/program/Updates"
cp "$WIN_BIN"/{Reelkeep.exe,ffmpeg.exe,player.swf,Help.chm} "$work/program/"
(cd "$work/program" && zip -q -r "$work/program.zip" .)
setup_bytes=$(stat -c %s "$SETUP_EXE")
zip_bytes=$(stat -c %s "$work/program.zip")

drive_c="$WINEPREFIX/drive_c"
# timed FOLDER CMD...: the seconds CMD took; fails when it failed or left FOLDER without
# every file of the program folder.
timed() {
  local folder=$1 start seconds file
  shift
  start=$EPOCHREALTIME
  "$@" >/dev/null 2>&1 || { echo "bench-installer: '$*' failed" >&2; return 1; }
  seconds=$(echo "$EPOCHREALTIME - $start" | bc -l)
  for file in Reelkeep.exe ffmpeg.exe player.swf Help.chm Videos Updates; do
    [ -e "$drive_c/$folder/$file" ] || { echo "bench-installer: '$*' left no $file" >&2; return 1; }
  done
  echo "$seconds"
}
median() { printf '%s\n' "$@" | sort -g | sed -n "$(( ($# + 1) / 2 ))p"; }
copy_times=() install_times=()
for _ in 1 2 3 4 5; do
  rm -rf "$drive_c/bench-copy" "$drive_c/bench-install"
  copy_times+=("$(timed bench-copy "$WINE" xcopy /E /I /Y /Q "$(winepath -w "$work/program" 2>/dev/null)" 'C:\bench-copy')") || exit 1
  install_times+=("$(timed bench-install "$WINE" "$SETUP_EXE" /S '/D=C:\bench-install')") || exit 1
done
# Leave the prefix as it was: the bench's installation and its registration go.
rm -rf "$drive_c/bench-copy" "$drive_c/bench-install"
"$WINE" reg delete 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Reelkeep' /f >/dev/null 2>&1
rm -f "$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Reelkeep.lnk" \
      "$drive_c/users/Public/Desktop/Reelkeep.lnk"

status=0
report() { # figure value baseline limit unit
  local ratio
  ratio=$(echo "$2 / $3" | bc -l)
  printf '%s: %.2fx (limit %sx; %s %s against %s)\n' "$1" "$ratio" "$4" "$(printf %.2f "$2")" "$5" "$(printf %.2f "$3")"
  [ "$(echo "$ratio <= $4" | bc -l)" -eq 1 ] || status=1
}
report "set-up size against the zipped program folder" "$(echo "$setup_bytes / 1048576" | bc -l)" \
  "$(echo "$zip_bytes / 1048576" | bc -l)" "$size_limit" MB
report "silent install against copying the files" "$(median "${install_times[@]}")" \
  "$(median "${copy_times[@]}")" "$time_limit" s
# Inflating ffmpeg.exe makes the set-up CPU-bound while the copy mostly waits on Wine, so
# the time ratio rises with the machine's load: printed beside it for reading the figure.
echo "  (load average $(cut -d' ' -f1 /proc/loadavg) on $(nproc) cores while measuring)"
exit $status
