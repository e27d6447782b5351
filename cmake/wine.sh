#!/bin/sh
# wine.sh LOADER PREFIX PROGRAM [ARGS...]: runs a cross-built Windows program
# under Wine in a prefix of the build's own, creating the prefix on first use
# (the first start of a fresh prefix is slow, so it happens once, under a
# lock, before any program runs). Exits with the program's exit status.
set -eu
cargador=$1
prefijo=$2
shift 2

export WINEPREFIX="$prefijo"
export WINELOADER="$cargador"   # child processes start with the same loader
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko installer prompts while the prefix is made.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"

if [ ! -f "$prefijo/.tzo-listo" ]; then
  mkdir -p "$(dirname "$prefijo")"
  (
    flock 9
    if [ ! -f "$prefijo/.tzo-listo" ]; then
      "$cargador" wineboot -i >/dev/null 2>&1 || true
      wineserver -w
      mkdir -p "$prefijo/drive_c/QTEMP"
      touch "$prefijo/.tzo-listo"
    fi
  ) 9>"$prefijo.lock"
fi

exec "$cargador" "$@"
