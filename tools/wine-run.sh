#!/usr/bin/env bash
# Runs one Windows program under Wine in a fresh throwaway prefix, with WINEDEBUG=-all and a
# virtual X server of its own, and removes both afterwards.
#   wine-run.sh PROGRAM [ARGS...]
# VESK_WINE_TEMPLATE names a prepared prefix (tools/wine-prefix.sh) to copy; without it one is made.
# VESK_KEEP_PREFIX=1 keeps the prefix for a look afterwards; VESK_USE_DISPLAY=1 uses $DISPLAY.
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh"
work=$(mktemp -d "${TMPDIR:-/tmp}/vesk-run.XXXXXX")
pfx=$work/prefix
xvfb_pid=""
cleanup() {
  WINEPREFIX=$pfx wineserver -k >/dev/null 2>&1
  WINEPREFIX=$pfx wineserver -w >/dev/null 2>&1
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  if [ "${VESK_KEEP_PREFIX:-0}" = 1 ]; then echo "prefix kept: $pfx" >&2; else rm -rf "$work"; fi
}
trap cleanup EXIT

if [ "${VESK_USE_DISPLAY:-0}" != 1 ] || [ -z "${DISPLAY:-}" ]; then
  # A private X server: -displayfd lets it pick a free display number itself.
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
  [ -s "$work/display" ] || { echo "wine-run: Xvfb did not start" >&2; exit 1; }
  export DISPLAY=":$(head -n1 "$work/display")"
fi

# A 32-bit program on a machine whose kernel runs 32-bit code only through the emulator: the tests
# stretch their waits and accept the emulator's fault codes (tests/support/DialogAnswerer.h).
if [ "$(od -An -tx1 -j"$(( $(od -An -tu4 -j60 -N4 "$1" 2>/dev/null) + 24 ))" -N2 "$1" 2>/dev/null | tr -d ' ')" = 0b01 ] &&
   [ "$(head -n1 /proc/sys/fs/binfmt_misc/qemu-i386 2>/dev/null)" = enabled ]; then
  export VESK_EMULATED_CPU=1
fi

mkdir -p "$pfx"
if [ -n "${VESK_WINE_TEMPLATE:-}" ] && [ -f "${VESK_WINE_TEMPLATE}/system.reg" ]; then
  cp -a "${VESK_WINE_TEMPLATE}/." "$pfx/"
else
  "$here/wine-prefix.sh" "$pfx" || exit 1
fi
export WINEPREFIX=$pfx WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml="
"$wine" "$@"
