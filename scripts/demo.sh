#!/usr/bin/env bash
# Installs what it needs, builds the command-line tool and the stand-in host,
# and runs the whole cycle on the bundled sample school: export its exchange
# document into a working folder (default: build/demo/QTEMP), let the
# stand-in host write its timetable SOLUC.DBF there, and import it into a
# result document beside a copy of the exchange document in build/demo/.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/dependencias.sh --nativo
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)" --target transzorvos anfitrion

demo="build/demo"
carpeta="${1:-$demo/QTEMP}"
mkdir -p "$demo" "$carpeta"
# The result is written beside the chosen file: a copy keeps data/ untouched.
cp data/centro/centro.xml "$demo/centro.xml"

echo "== exportar"
build/default/cli/transzorvos exportar "$demo/centro.xml" --carpeta "$carpeta"
echo "== programa de horarios (sustituto)"
build/default/tools/anfitrion "$carpeta"
echo "== importar"
build/default/cli/transzorvos importar "$demo/centro.xml" --carpeta "$carpeta" \
  --base data/centro/base.xml
