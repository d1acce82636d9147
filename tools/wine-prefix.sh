#!/usr/bin/env bash
# Makes a Wine prefix ready for the tests: booted, no Mono or Gecko prompts, windows not managed
# by an X window manager (without one, Wine stalls each time a dialog closes), no debugger, and
# Tahoma as on Windows.
#   wine-prefix.sh DIR
set -eu
dir=$1
rm -rf "$dir"
mkdir -p "$dir"
export WINEPREFIX=$dir WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml="
wineboot -i >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
# A program that crashes ends at once instead of waiting in the debugger.
aedebug='HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug'
wine reg add "$aedebug" /v Debugger /d '' /f >/dev/null 2>&1
wine reg add "$aedebug" /v Auto /d 1 /f >/dev/null 2>&1
# Tahoma with its real metrics (Debian's fonts-wine), so that text measured in a test is measured as
# on Windows; without it Wine draws another font in its place.
cp /usr/share/wine/fonts/tahoma*.ttf "$dir/drive_c/windows/Fonts/" 2>/dev/null || true
wineserver -w
