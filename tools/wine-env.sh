# Sourced by the scripts that run Wine. $wine is Wine's 64-bit loader: it runs 64-bit programs itself
# and hands 32-bit ones to the 32-bit loader (emulated on this machine, see tools/wine32-setup.sh),
# in one 64-bit prefix with both registry views, as 64-bit Windows does. Debian's `wine` command
# would start every program through the 32-bit loader once that is installed.
if [ -x /usr/lib/wine/wine64 ]; then wine=/usr/lib/wine/wine64; else wine=wine; fi
