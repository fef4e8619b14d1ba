#!/usr/bin/env bash
# Creates the Wine prefix the tests and `make run` use, under build/.
set -euo pipefail
source "$(dirname "$0")/env.sh"

[ -f "$WINEPREFIX/.reelkeep-ready-2" ] && exit 0
echo "setup: creating the Wine prefix in $WINEPREFIX (takes a few seconds)"
rm -rf "$WINEPREFIX"
mkdir -p "$WINEPREFIX"
"$WINE" cmd /c exit >/dev/null 2>&1 || true
"$WINESERVER" -w

# A new prefix links the shell folders to $HOME; tests must write into the prefix.
user_dir="$WINEPREFIX/drive_c/users/$(id -un)"
for link in Desktop Documents Downloads Music Pictures Videos Templates; do
  if [ -L "$user_dir/$link" ]; then rm "$user_dir/$link"; mkdir -p "$user_dir/$link"; fi
done

# GUI runs go to a virtual desktop: closing windows on bare Xvfb costs two seconds each.
"$WINE" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
"$WINE" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
# A crashing test program must end, not wait in the debugger until the run times out.
"$WINE" reg delete 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /f >/dev/null 2>&1 || true
"$WINESERVER" -w
touch "$WINEPREFIX/.reelkeep-ready-2"
