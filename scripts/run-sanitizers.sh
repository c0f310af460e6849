#!/usr/bin/env bash
# The native test program under the sanitizers:
#   1. build-asan/ (address and undefined behaviour; leaks found at exit): the whole suite, then
#      the job cycles test at ZENTA_SANITIZE_CYCLES cycles (default 10000);
#   2. build-tsan/ (thread sanitizer): the whole suite, or the tests ZENTA_TSAN_FILTER names.
# A finding ends the program with an error, which fails this script.
#
# Usage: scripts/run-sanitizers.sh [asan|tsan]...   (both when none is named)
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
kinds=("$@")
((${#kinds[@]})) || kinds=(asan tsan)
export ZENTA_WAKE_LOG=${ZENTA_WAKE_LOG:-$root/out/sanitize-wake.log}
mkdir -p out
failed=0

run() {  # run <description> <command...>
  echo "== $1"
  shift
  if "$@"; then echo "PASS"; else echo "FAIL (exit $?)"; failed=$((failed + 1)); fi
}

for kind in "${kinds[@]}"; do
  case $kind in
    asan)
      scripts/build.sh asan || { echo "FAIL building build-asan"; failed=$((failed + 1)); continue; }
      export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:detect_stack_use_after_return=1
      export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
      run "address and undefined-behaviour sanitizers: the native suite" \
        build-asan/bin/zenta_tests --gtest_brief=1
      run "leak sanitizer: ${ZENTA_SANITIZE_CYCLES:-10000} job cycles in one process" \
        env ZENTA_JOB_CYCLES="${ZENTA_SANITIZE_CYCLES:-10000}" build-asan/bin/zenta_tests --gtest_brief=1 \
        --gtest_filter='ReliabilityCycles*'
      ;;
    tsan)
      scripts/build.sh tsan || { echo "FAIL building build-tsan"; failed=$((failed + 1)); continue; }
      export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
      run "thread sanitizer: ${ZENTA_TSAN_FILTER:-the native suite}" \
        build-tsan/bin/zenta_tests --gtest_brief=1 --gtest_filter="${ZENTA_TSAN_FILTER:-*}"
      ;;
    *) echo "run-sanitizers: asan or tsan, not $kind" >&2; exit 2 ;;
  esac
done
((failed == 0))
