#!/usr/bin/env bash
# Runs every fuzz target of the sanitizer tree (scripts/build.sh fuzz) for FUZZ_SECONDS (default 60)
# each, starting from its corpus (fuzz/corpus/<target>/, copied: the inputs a run finds stay
# in out/fuzz/<target>/corpus). Prints one line per target with its executions; a crash (or a
# leak, or a sanitizer finding) fails the run and leaves its input in out/fuzz/<target>/.
#
# Usage: scripts/run-fuzz.sh [FUZZ_TREE]
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
tree=${1:-$root/build-asan}
seconds=${FUZZ_SECONDS:-60}
out=$root/out/fuzz
shopt -s nullglob
targets=("$tree"/bin/*_fuzz)
if ((${#targets[@]} == 0)); then echo "run-fuzz: no fuzz targets in $tree/bin (scripts/build.sh fuzz)" >&2; exit 1; fi

failed=0 total=0
printf '%-22s %12s %10s  %s\n' target executions "exec/s" result
for target in "${targets[@]}"; do
  name=$(basename "$target")
  dir=$out/$name
  rm -rf "$dir"
  mkdir -p "$dir/corpus"
  cp "$root/fuzz/corpus/$name/"* "$dir/corpus/" 2>/dev/null
  (cd "$dir" && ZENTA_WAKE_LOG="$dir/wake.log" "$target" -max_total_time="$seconds" -print_final_stats=1 \
     -timeout=20 -rss_limit_mb=2048 -artifact_prefix="$dir/" corpus >"$dir/log" 2>&1)
  status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$dir/log" | tail -1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$dir/log" | tail -1)
  total=$((total + ${runs:-0}))
  if ((status == 0)); then
    result=ok
  else
    result="FAILED (exit $status; $(ls "$dir" | grep -E '^(crash|leak|timeout|oom)-' | head -1); log in $dir/log)"
    failed=$((failed + 1))
  fi
  printf '%-22s %12s %10s  %s\n' "$name" "${runs:-?}" "${rate:-?}" "$result"
done
printf '%d targets, %d executions in all, %d failed\n' "${#targets[@]}" "$total" "$failed"
((failed == 0))
