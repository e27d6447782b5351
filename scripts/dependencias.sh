#!/usr/bin/env bash
# Installs, with apt, what building and testing need on Debian 12.
# Only installs what is missing, so a prepared machine starts at once.
set -euo pipefail

paquetes=(cmake g++ make libxml2-dev libgtest-dev libgmock-dev python3-dbf libxml2-utils)
faltan=()
for p in "${paquetes[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || faltan+=("$p")
done
if ((${#faltan[@]})); then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${faltan[@]}"
fi
