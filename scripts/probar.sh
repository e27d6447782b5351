#!/usr/bin/env bash
# Installs what it needs, builds and runs every test suite:
# - native, GCC Release (-O3), the build users and packagers make;
# - native, clang Release, so both compilers stay warning-free and green;
# - native, GCC Debug under AddressSanitizer and UndefinedBehaviorSanitizer;
# - the Windows product (32-bit TransZorvosOdrana.exe and transzorvos.exe),
#   always built; its suite, end-to-end tests of the real program included,
#   runs under Wine and Xvfb where this machine starts 32-bit programs, and
#   otherwise the same sources are built and tested for 64-bit Windows.
# Any build or test failure ends the script with a non-zero status. It ends
# by printing which suites ran.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/dependencias.sh
trabajos=$(nproc)
corridas=()

seccion() { echo "== $1 ($(date +%T))"; }

nativa() {
  local preset=$1 descripcion=$2
  seccion "$preset: $descripcion"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$trabajos"
  ctest --preset "$preset" -j "$trabajos"
  corridas+=("$preset: $descripcion")
}

nativa default "GCC, Release"
nativa clang "clang, Release"
nativa asan "GCC, Debug, AddressSanitizer y UndefinedBehaviorSanitizer"

seccion "windows: producto de 32 bits"
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$trabajos"

# 32-bit Wine's loader is itself a 32-bit Linux program: if it starts, the
# suite of what users run can run. Some kernels (sandboxes, containers
# without the 32-bit system call layer) start no such program.
if /usr/lib/wine/wine --version >/dev/null 2>&1; then
  seccion "windows: pruebas de 32 bits bajo Wine"
  xvfb-run -a ctest --preset windows -j "$trabajos"
  corridas+=("windows: Windows de 32 bits bajo Wine (el producto)")
else
  echo "windows: este sistema no inicia programas de 32 bits; se prueban las mismas fuentes en 64 bits"
  seccion "windows64: pruebas de 64 bits bajo Wine"
  cmake --preset windows64 >/dev/null
  cmake --build --preset windows64 -j "$trabajos"
  xvfb-run -a ctest --preset windows64 -j "$trabajos"
  corridas+=("windows64: Windows de 64 bits bajo Wine (este sistema no inicia programas de 32 bits)")
fi

seccion "todo correcto"
echo "Suites ejecutadas:"
printf '  %s\n' "${corridas[@]}"
