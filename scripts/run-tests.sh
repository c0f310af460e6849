#!/usr/bin/env bash
# Builds both trees and runs every suite: the native tests through CTest, the Windows tests
# through CTest under Wine, then each tests/wine/*.sh. Each build, each CTest test and each
# script is one step; the last line printed is "<passed> passed, <failed> failed".
# Exits non-zero when any step failed.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root" || exit 1
# shellcheck source=wine-env.sh
source scripts/wine-env.sh

# No step sends a wake-up datagram onto the machine's network: the plug-in and the tool note
# them in this log instead (the one check of real sockets makes a network namespace of its own).
mkdir -p build
export ZENTA_WAKE_LOG=$root/build/wake.log

passed=0 failed=0
report=()
note() {  # note PASS|FAIL|SKIP <what>
  report+=("$(printf '%-4s  %s' "$1" "$2")")
  case $1 in PASS) ((passed++)) ;; FAIL) ((failed++)) ;; esac
}
banner() { printf '\n===== %s =====\n' "$*"; }

build_tree() {  # build_tree native|win
  banner "build $1"
  if scripts/build.sh "$1"; then note PASS "build $1"; return 0; fi
  note FAIL "build $1"
  return 1
}

# Runs CTest in a tree and counts its tests one by one.
run_ctest() {  # run_ctest <label> <tree>
  local label=$1 tree=$2 log line name status
  banner "$label tests"
  log=$tree/ctest.log
  (cd "$tree" && ctest --output-on-failure -j2 --timeout 1500) 2>&1 | tee "$log"
  local rc=${PIPESTATUS[0]} counted=0
  # Result lines look like "1/3 Test #2: zenta_tests ......   Passed    0.52 sec".
  while IFS= read -r line; do
    [[ $line =~ Test[[:space:]]+#[0-9]+:[[:space:]]+([^[:space:]]+)[[:space:].*]+(.*)$ ]] || continue
    name=${BASH_REMATCH[1]} status=${BASH_REMATCH[2]}
    counted=1
    if [[ $status == Passed* ]]; then note PASS "$label: $name"; else note FAIL "$label: $name"; fi
  done < <(grep -E '^ *[0-9]+/[0-9]+ +Test +#' "$log")
  if ((rc != 0 && counted == 0)); then note FAIL "$label: ctest (exit $rc)"; fi
  ((counted == 0 && rc == 0)) && echo "(no tests in $tree)"
  return 0
}

native_ok=0 win_ok=0
build_tree native && native_ok=1
build_tree win && win_ok=1

if ((native_ok)); then run_ctest native build; else note SKIP "native tests (build failed)"; fi
if ((win_ok)); then run_ctest windows build-win; else note SKIP "windows tests (build failed)"; fi

# The performance targets, as ratios to a baseline measured in the same run.
if ((native_ok)) && [[ -x build/bin/zenta_bench ]]; then
  banner benchmarks
  if build/bin/zenta_bench --benchmark_min_time=0.05; then note PASS "benchmarks"; else note FAIL "benchmarks"; fi
  banner "performance: growth, memory and share"
  if bash bench/growth.sh build; then note PASS "performance: growth"; else note FAIL "performance: growth"; fi
fi

# Reliability: every fuzz target for a few seconds, and the native suite under the address and
# undefined-behaviour sanitizers with 200 job cycles under the leak sanitizer (`make
# test-sanitize` runs 10000 cycles and the thread sanitizer as well).
if ((native_ok)); then
  banner "sanitizer tree (clang: address, undefined behaviour, fuzz targets)"
  if scripts/build.sh asan; then
    note PASS "build asan"
    banner "fuzz targets, ${ZENTA_TEST_FUZZ_SECONDS:-5} s each"
    if FUZZ_SECONDS=${ZENTA_TEST_FUZZ_SECONDS:-5} scripts/run-fuzz.sh; then note PASS "fuzz"; else note FAIL "fuzz"; fi
    banner "native suite under ASan and UBSan"
    if ZENTA_SANITIZE_CYCLES=${ZENTA_TEST_CYCLES:-200} scripts/run-sanitizers.sh asan; then
      note PASS "sanitizers: asan+ubsan"
    else
      note FAIL "sanitizers: asan+ubsan"
    fi
  else
    note FAIL "build asan"
  fi
fi

shopt -s nullglob
scripts=(tests/wine/*.sh)
for s in "${scripts[@]}"; do
  [[ $(basename "$s") == lib.sh ]] && continue
  if ((native_ok && win_ok)); then
    banner "$s"
    if timeout -k 10 "${ZENTA_SCRIPT_TIMEOUT:-900}" bash "$s"; then note PASS "$s"; else note FAIL "$s"; fi
  else
    note SKIP "$s (a build failed)"
  fi
done

# The prefix's wineserver lingers a few seconds after the last Wine process; wait for it
# here so that nothing of this run outlives it.
if [[ -d build-win/wineprefix ]] && zenta_wine_setup build-win 2>/dev/null; then zenta_wine_stop; fi

banner summary
printf '%s\n' "${report[@]}"
printf '%d passed, %d failed\n' "$passed" "$failed"
((failed == 0))
