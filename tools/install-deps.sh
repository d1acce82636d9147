#!/usr/bin/env bash
# Installs what the build, the tests and the run command need on Debian 12, when it is missing.
# Runs as root, or through sudo when there is one.
set -euo pipefail
need=()
have() { command -v "$1" >/dev/null 2>&1; }
have cmake || need+=(cmake)
have make || need+=(make)
have x86_64-w64-mingw32-g++-posix || need+=(mingw-w64)
have i686-w64-mingw32-g++-posix || need+=(mingw-w64)
have wine || need+=(wine wine64)
[ -x /usr/lib/wine/wine64 ] || need+=(wine64)
have Xvfb || need+=(xvfb)
have xvfb-run || need+=(xvfb)
have xauth || need+=(xauth)
have import || need+=(imagemagick)
have clang++ || need+=(clang)
[ -d /usr/src/googletest/googletest ] || need+=(googletest)
ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1 || need+=(libclang-rt-14-dev)
have python3 || need+=(python3)
[ -f /usr/share/wine/fonts/tahoma.ttf ] || need+=(fonts-wine)
[ ${#need[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${need[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${need[@]}" fonts-dejavu-core >/dev/null
