#!/usr/bin/env bash
# Makes a Wine prefix ready for the tests: booted, no Mono or Gecko prompts, windows not managed
# by an X window manager (without one, Wine stalls each time a dialog closes), no debugger, and
# Tahoma as on Windows.
#   wine-prefix.sh DIR
set -eu
dir=$1
. "$(dirname "$0")/wine-env.sh"
rm -rf "$dir"
mkdir -p "$dir"
export WINEPREFIX=$dir WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml="
"$wine" wineboot -i >/dev/null 2>&1
"$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
# A program that crashes ends at once instead of waiting in the debugger.
aedebug='HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug'
# Both registry views: 32-bit programs read the key from the 32-bit one.
for view in 64 32; do
  "$wine" reg add "$aedebug" /v Debugger /d '' /f /reg:$view >/dev/null 2>&1
  "$wine" reg add "$aedebug" /v Auto /d 1 /f /reg:$view >/dev/null 2>&1
done
# Tahoma with its real metrics (Debian's fonts-wine), so that text measured in a test is measured as
# on Windows; without it Wine draws another font in its place.
cp /usr/share/wine/fonts/tahoma*.ttf "$dir/drive_c/windows/Fonts/" 2>/dev/null || true
wineserver -w
