#!/usr/bin/env bash
# Configures (when needed) and builds one tree: `build.sh native` (build/) or `build.sh win`
# (build-win/, Windows x64 through mingw-w64). Ninja when available, else Makefiles.
# ZENTA_TREE names another folder for the tree (for a private build beside the usual ones).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

case ${1:-} in
  native) tree=${ZENTA_TREE:-build}; extra=() ;;
  win)    tree=${ZENTA_TREE:-build-win}; extra=(-DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw64.cmake") ;;
  *) echo "usage: $0 native|win" >&2; exit 2 ;;
esac
jobs=${ZENTA_JOBS:-2}

if command -v ninja >/dev/null 2>&1; then gen=Ninja; else gen="Unix Makefiles"; fi

# A tree configured with a generator that is no longer usable starts over.
if [[ -f $tree/CMakeCache.txt ]]; then
  cached=$(sed -n 's/^CMAKE_GENERATOR:INTERNAL=//p' "$tree/CMakeCache.txt")
  if [[ $cached == Ninja ]] && ! command -v ninja >/dev/null 2>&1; then
    rm -rf "$tree/CMakeCache.txt" "$tree/CMakeFiles"
  else
    gen=$cached
  fi
fi

case $gen in
  Ninja) buildfile=$tree/build.ninja ;;
  *)     buildfile=$tree/Makefile ;;
esac
if [[ ! -f $tree/CMakeCache.txt || ! -f $buildfile ]]; then
  mkdir -p "$tree"
  cmake -S . -B "$tree" -G "$gen" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${extra[@]}" >"$tree/configure.log" 2>&1 || {
    cat "$tree/configure.log" >&2
    echo "build.sh: configuring $tree failed" >&2
    exit 1
  }
fi
exec cmake --build "$tree" -j"$jobs"
