#!/usr/bin/env bash
# Runs a Windows program of a cross-built tree under Wine: `wine-run.sh <path>.exe [args]`.
# CTest uses it as the emulator of the Windows tree. The prefix is the one of the tree that
# holds the program (the nearest folder above it with a CMakeCache.txt).
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=wine-env.sh
source "$here/wine-env.sh"

exe=${1:?usage: wine-run.sh program.exe [args...]}
tree=$(cd "$(dirname "$exe")" && pwd)
while [[ $tree != / && ! -e $tree/CMakeCache.txt ]]; do tree=$(dirname "$tree"); done
[[ -e $tree/CMakeCache.txt ]] || tree=$(cd "$(dirname "$exe")/.." && pwd)

zenta_wine_setup "$tree"
zenta_wine_init
exec timeout -k 10 "${ZENTA_WINE_TIMEOUT:-900}" "${ZENTA_WINE[@]}" "$@"
