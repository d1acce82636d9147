#!/usr/bin/env bash
# Lets this machine run 32-bit Windows programs under Wine the way 64-bit Windows runs them: Wine's
# 32-bit loader (Debian's wine32:i386) beside the 64-bit one, in the same 64-bit prefix, with both
# registry views and System32/SysWOW64. This machine's kernel cannot execute 32-bit Linux programs
# itself, so a user-mode emulator runs them through binfmt_misc: qemu-i386 10 from bookworm-backports
# (Debian 12's own 7.2 is far too slow for Wine: its address-space reservation alone takes minutes).
# Installs what is missing (Debian 12, as root or through sudo) and keeps it for the next run; the
# binfmt registration does not survive a reboot and is made again whenever it is missing.
# Exits 0 when 32-bit Wine runs, 1 with the reason on standard error when it cannot be made to.
set -euo pipefail
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
updated=0
update() { [ $updated = 1 ] || { $sudo apt-get update -qq; updated=1; }; }

qemu_ok() { qemu-i386 --version 2>/dev/null | grep -qE 'version ([1-9][0-9])\.'; }
if ! qemu_ok; then
  list=/etc/apt/sources.list.d/vesk-bookworm-backports.list
  grep -rqs 'bookworm-backports' /etc/apt/sources.list /etc/apt/sources.list.d/ ||
    echo 'deb http://deb.debian.org/debian bookworm-backports main' | $sudo tee "$list" >/dev/null
  update
  $sudo apt-get install -y -qq --no-install-recommends -t bookworm-backports qemu-user-static >/dev/null
  qemu_ok || { echo "wine32-setup: qemu-i386 10 or later could not be installed" >&2; exit 1; }
fi

binfmt=/proc/sys/fs/binfmt_misc
if [ ! -e "$binfmt/register" ]; then
  $sudo mount -t binfmt_misc binfmt_misc "$binfmt" 2>/dev/null ||
    { echo "wine32-setup: binfmt_misc cannot be mounted here" >&2; exit 1; }
fi
if [ ! -e "$binfmt/qemu-i386" ]; then
  # 32-bit x86 ELF executables and shared objects; F opens the emulator now, P keeps argv[0].
  magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
  mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
  printf '%s' ":qemu-i386:M::$magic:$mask:$(command -v qemu-i386):FP" | $sudo tee "$binfmt/register" >/dev/null ||
    { echo "wine32-setup: the emulator cannot be registered with binfmt_misc" >&2; exit 1; }
fi

if [ ! -x /usr/lib/wine/wine ]; then
  dpkg --print-foreign-architectures | grep -qx i386 || { $sudo dpkg --add-architecture i386; updated=0; }
  update
  $sudo apt-get install -y -qq --no-install-recommends wine32:i386 >/dev/null
fi
/usr/lib/wine/wine --version >/dev/null 2>&1 || { echo "wine32-setup: Wine's 32-bit loader does not start" >&2; exit 1; }
