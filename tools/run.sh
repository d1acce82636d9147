#!/usr/bin/env bash
# Builds the installer and starts it under Wine, with the test heads copied to C:\heads of its
# prefix (build/run-prefix, kept between runs so registrations stay) ready to pick.
#   run.sh [--32] [ARGS...]   --32: the 32-bit program users run (and its 32-bit heads), as 64-bit
#                             Windows runs it; without it the 64-bit build.
# Without a display it starts a virtual one, saves a screenshot of the window and says where.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/tools/wine-env.sh"
build=${VESK_BUILD_DIR:-$root/build}
arch=win64
if [ "${1:-}" = --32 ]; then
  arch=win32
  shift
fi
"$root/tools/install-deps.sh"
# 32-bit Wine as well: the prefix is the same for both builds, with SysWOW64 for 32-bit programs.
"$root/tools/wine32-setup.sh" || [ $arch = win64 ]
"$root/tools/build.sh" $arch

pfx=$build/run-prefix
# A prefix made before 32-bit Wine was there has no SysWOW64: the 32-bit program needs a new one.
if [ ! -f "$pfx/system.reg" ] || { [ $arch = win32 ] && [ ! -d "$pfx/drive_c/windows/syswow64" ]; }; then
  "$root/tools/wine-prefix.sh" "$pfx"
fi
export WINEPREFIX=$pfx WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml="
mkdir -p "$pfx/drive_c/heads"
cp -f "$build/$arch/bin/heads/"*.ocx "$build/$arch/bin/heads/"*.dll "$pfx/drive_c/heads/"
exe=$build/$arch/bin/VeskInstaller.exe

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
# The 32-bit program starts through the emulator: give it longer.
sleep $([ $arch = win32 ] && echo 20 || echo 6)
import -window root "$shot"
echo "No display here: the installer runs on the virtual display $DISPLAY."
echo "Screenshot of its window: $shot"
if [ -t 0 ]; then
  echo "Press Enter to close it."
  read -r _
fi
