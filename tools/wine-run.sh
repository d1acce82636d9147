#!/usr/bin/env bash
# Runs one Windows program under Wine in a fresh throwaway prefix, with WINEDEBUG=-all and a
# virtual X server when there is no display, and removes the prefix afterwards.
#   wine-run.sh PROGRAM [ARGS...]
# VESK_WINE_TEMPLATE names a prepared prefix (tools/wine-prefix.sh) to copy; without it one is made.
# VESK_KEEP_PREFIX=1 keeps the prefix for a look afterwards.
set -u
here=$(cd "$(dirname "$0")" && pwd)
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi
pfx=$(mktemp -d "${TMPDIR:-/tmp}/vesk-prefix.XXXXXX")
cleanup() {
  WINEPREFIX=$pfx wineserver -k >/dev/null 2>&1
  WINEPREFIX=$pfx wineserver -w >/dev/null 2>&1
  [ "${VESK_KEEP_PREFIX:-0}" = 1 ] || rm -rf "$pfx"
}
trap cleanup EXIT
if [ -n "${VESK_WINE_TEMPLATE:-}" ] && [ -f "${VESK_WINE_TEMPLATE}/system.reg" ]; then
  cp -a "${VESK_WINE_TEMPLATE}/." "$pfx/"
else
  "$here/wine-prefix.sh" "$pfx" || exit 1
fi
export WINEPREFIX=$pfx WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml="
wine "$@"
