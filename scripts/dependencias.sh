#!/usr/bin/env bash
# Installs, with apt, what building and testing need on Debian 12: the native
# build, clang for the second native test build, and the Windows cross-build
# with Wine (32-bit Wine through the i386 architecture; 64-bit Wine for hosts
# that cannot start 32-bit programs) and Xvfb for the tests that open windows.
# With --nativo, only what the native build needs (the demo).
# Only installs what is missing, so a prepared machine starts at once.
set -euo pipefail

paquetes=(cmake g++ make libxml2-dev libgtest-dev libgmock-dev python3-dbf libxml2-utils)
windows=1
if [ "${1:-}" = "--nativo" ]; then
  windows=""
else
  paquetes+=(clang mingw-w64 wine wine64 wine32:i386 xvfb xauth)
fi
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

if [ -n "$windows" ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
  actualizar=1
fi
faltan=()
for p in "${paquetes[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || faltan+=("$p")
done
if ((${#faltan[@]})) || [ -n "${actualizar:-}" ]; then
  $sudo apt-get update -qq
fi
if ((${#faltan[@]})); then
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${faltan[@]}"
fi
