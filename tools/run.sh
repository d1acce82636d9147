#!/usr/bin/env bash
# Builds the installer and starts it under Wine, with the test heads copied to C:\heads of its
# prefix (build/run-prefix, kept between runs so registrations stay) ready to pick.
# Without a display it starts a virtual one, saves a screenshot of the window and says where.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/tools/wine-env.sh"
build=${VESK_BUILD_DIR:-$root/build}
"$root/tools/install-deps.sh"
"$root/tools/build.sh" win64

pfx=$build/run-prefix
[ -f "$pfx/system.reg" ] || "$root/tools/wine-prefix.sh" "$pfx"
export WINEPREFIX=$pfx WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml="
mkdir -p "$pfx/drive_c/heads"
cp -f "$build/win64/bin/heads/"*.ocx "$build/win64/bin/heads/"*.dll "$pfx/drive_c/heads/"
exe=$build/win64/bin/VeskInstaller.exe

if [ -n "${DISPLAY:-}" ]; then
  echo "Starting the installer on $DISPLAY (test heads in C:\\heads)."
  exec "$wine" "$exe" "$@"
fi

shot=$build/screenshot.png
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$build/run-display" >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 100); do [ -s "$build/run-display" ] && break; sleep 0.05; done
export DISPLAY=":$(head -n1 "$build/run-display")"
stop() { wineserver -k >/dev/null 2>&1 || true; kill "$xvfb" 2>/dev/null || true; }
trap stop EXIT
# Nobody can answer the start-up question about the .ocx association here: say "do not ask again"
# for this prefix so that the screenshot shows the main window.
"$wine" reg add 'HKCU\Software\VB and VBA Program Settings\VeskOCXInstall\LocSettings' /v AssociateMsg /d 1 /f \
  >/dev/null 2>&1
"$wine" "$exe" "$@" &
sleep 6
import -window root "$shot"
echo "No display here: the installer runs on the virtual display $DISPLAY."
echo "Screenshot of its window: $shot"
if [ -t 0 ]; then
  echo "Press Enter to close it."
  read -r _
fi
