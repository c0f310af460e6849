#!/usr/bin/env bash
# Configures (when needed) and builds one tree: `build.sh native` (build/) or `build.sh win`
# (build-win/, Windows x64 through mingw-w64); `asan` or `fuzz` (build-asan/: clang, the native
# test program with what it loads and the libFuzzer targets of fuzz/, all under the address and
# undefined-behaviour sanitizers) and `tsan` (build-tsan/: the test program under the thread
# sanitizer). Ninja when available, else Makefiles. ZENTA_TREE names another folder for the tree
# (for a private build beside the usual ones).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

targets=()
case ${1:-} in
  native) tree=${ZENTA_TREE:-build}; extra=() ;;
  win)    tree=${ZENTA_TREE:-build-win}; extra=(-DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw64.cmake") ;;
  asan|fuzz)
          tree=${ZENTA_TREE:-build-asan}
          # Optimised lightly, with line tables only: the instrumented code compiles in a
          # fraction of the time and still names the line of every finding.
          extra=(-DZENTA_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang
                 "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -gline-tables-only -DNDEBUG")
          targets=(--target zenta_tests zenta_fuzz_all) ;;
  tsan)   tree=${ZENTA_TREE:-build-tsan}; targets=(--target zenta_tests)
          extra=(-DZENTA_SANITIZE=thread "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g1 -DNDEBUG") ;;
  *) echo "usage: $0 native|win|asan|tsan|fuzz" >&2; exit 2 ;;
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
exec cmake --build "$tree" -j"$jobs" "${targets[@]}"
