#!/usr/bin/env bash
# The set-up's two figures, run inside a Wine session (scripts/bench.sh):
#   size: Reelkeep-1.21-setup.exe against the program folder zipped (zip's default level);
#   silent install: "setup.exe /S" against copying the same files with xcopy: each a Wine
#   process of its own writing into C:\, in pairs whose order alternates, median of seven
#   runs each. A run that fails, or leaves a file missing or different from the program
#   folder's, fails the bench rather than counting as a fast one.
set -uo pipefail
source "$(dirname "$0")/../../scripts/env.sh"

size_limit=0.85
time_limit=12
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
# timed FOLDER CMD...: "<wall> <cpu>" seconds of CMD, the CPU time being that of its own
# Wine process; fails when CMD failed or left FOLDER short of the program folder.
timed() {
  local folder=$1 file wall user system
  shift
  # Neither side pays for writing back what the run before it left in the page cache.
  sync
  { TIMEFORMAT='%R %U %S'; time "$@" >/dev/null 2>&1; } 2>"$work/time" ||
    { echo "bench-installer: '$*' failed" >&2; return 1; }
  for file in Videos Updates; do
    [ -d "$drive_c/$folder/$file" ] || { echo "bench-installer: '$*' left no $file" >&2; return 1; }
  done
  for file in Reelkeep.exe ffmpeg.exe player.swf Help.chm; do
    cmp -s "$work/program/$file" "$drive_c/$folder/$file" ||
      { echo "bench-installer: '$*' left $file missing or different" >&2; return 1; }
  done
  read -r wall user system <"$work/time"
  echo "$wall $(echo "$user + $system" | bc -l)"
}
median() { printf '%s\n' "$@" | sort -g | sed -n "$(( ($# + 1) / 2 ))p"; }
copy_source=$(winepath -w "$work/program" 2>/dev/null)
copy() { timed bench-copy "$WINE" xcopy /E /I /Y /Q "$copy_source" 'C:\bench-copy'; }
install() { timed bench-install "$WINE" "$SETUP_EXE" /S '/D=C:\bench-install'; }
copy_wall=() copy_cpu=() install_wall=() install_cpu=()
for round in 1 2 3 4 5 6 7; do
  rm -rf "$drive_c/bench-copy" "$drive_c/bench-install"
  if (( round % 2 )); then
    copied=$(copy) || exit 1
    installed=$(install) || exit 1
  else
    installed=$(install) || exit 1
    copied=$(copy) || exit 1
  fi
  copy_wall+=("${copied% *}") copy_cpu+=("${copied#* }")
  install_wall+=("${installed% *}") install_cpu+=("${installed#* }")
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
report "silent install against copying the files" "$(median "${install_wall[@]}")" \
  "$(median "${copy_wall[@]}")" "$time_limit" s
# Expanding the lzma stream makes the set-up CPU-bound while the copy mostly waits on Wine,
# so the time ratio moves with the machine's load: both printed beside it for reading it.
printf '  (load average %s on %s cores; CPU seconds of the Wine process: install %.2f, copy %.2f)\n' \
  "$(cut -d' ' -f1 /proc/loadavg)" "$(nproc)" "$(median "${install_cpu[@]}")" "$(median "${copy_cpu[@]}")"
exit $status
