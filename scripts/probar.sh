#!/usr/bin/env bash
# Installs what it needs, builds and runs every test suite: the native build,
# the same tests under AddressSanitizer and UndefinedBehaviorSanitizer, the
# 32-bit Windows product build, and the Windows suite under Wine. Any build or
# test failure ends the script with a non-zero status.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/dependencias.sh
trabajos=$(nproc)

seccion() { echo "== $1 ($(date +%T))"; }

for preset in default asan; do
  seccion "$preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$trabajos"
  ctest --preset "$preset" -j "$trabajos"
done

# The product: 32-bit TransZorvosOdrana.exe and transzorvos.exe. Its tests
# need 32-bit Wine, whose loader is a 32-bit Linux program; some kernels
# (sandboxes, containers without the 32-bit system call layer) cannot start
# any such program. Where it starts, the 32-bit suite runs too; elsewhere the
# same sources are tested in the 64-bit build below.
seccion windows
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$trabajos"
if /usr/lib/wine/wine --version >/dev/null 2>&1; then
  xvfb-run -a ctest --preset windows -j "$trabajos"
else
  echo "windows: este sistema no puede iniciar programas de 32 bits; solo se compila"
fi

# The Windows suite under 64-bit Wine, end-to-end tests included (they open
# windows, hence the virtual X display).
seccion windows64
cmake --preset windows64 >/dev/null
cmake --build --preset windows64 -j "$trabajos"
xvfb-run -a ctest --preset windows64 -j "$trabajos"

seccion "todo correcto"
