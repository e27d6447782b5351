#!/usr/bin/env bash
# Installs what it needs, builds the command-line tool and exports the bundled
# sample school into a working folder (default: build/demo/QTEMP).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/dependencias.sh
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)" --target transzorvos

carpeta="${1:-build/demo/QTEMP}"
mkdir -p "$carpeta"
build/default/cli/transzorvos exportar data/centro/centro.xml --carpeta "$carpeta"
