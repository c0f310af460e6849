#!/usr/bin/env bash
# The zenta tool as a user runs it: output formats, and usage errors with exit status 2.
# Usage: cli_test.sh ZENTA_BINARY TEST_DATA_DIR
set -uo pipefail
zenta=$1 data=$2
failures=0
check() {  # check <description> <command...>
  local what=$1; shift
  if "$@"; then echo "ok   $what"; else echo "FAIL $what"; failures=$((failures + 1)); fi
}

layout=$("$zenta" layout)
check "layout line" grep -Eqx 'version 0x[0-9A-F]{8} size 27774 features 528' <<<"$layout"

describe=$("$zenta" describe)
check "describe equals the documented layout" test "$describe" = "$(cat "$data/layout_description.txt")"
prefix="1 ${layout:10:8} 27774 PageSize:1:1:9:0:S:A3:A4:A5:"
check "describe carries the layout version" test "${describe:0:${#prefix}}" = "$prefix"
check "describe --base64 is the text and a NUL" \
  cmp -s <("$zenta" describe --base64 | base64 -d) <(printf '%s\0' "$describe")

features=$("$zenta" features)
check "features lists 528 lines" test "$(wc -l <<<"$features")" -eq 528
check "features shows a selection" grep -qx 'Duplex 190 1 1 S 0 False True' <<<"$features"
check "features shows a range" grep -qx 'Gutter 193 4 1 R 1 scale=10000 min=-2500000 max=2500000 default=0' <<<"$features"
check "features shows a text" grep -qx 'PageSizeName 19 1 128 A 1' <<<"$features"

usage_error() {  # usage_error <args...>: exit 2, usage on stderr, nothing on stdout
  local out err rc
  err=$(mktemp)
  out=$("$zenta" "$@" 2>"$err"); rc=$?
  grep -q 'Usage:' "$err" && [[ -z $out && $rc -eq 2 ]]
  local ok=$?
  rm -f "$err"
  return $ok
}
check "unknown verb" usage_error frobnicate
check "no verb" usage_error
check "unknown option" usage_error describe --hex
check "stray argument" usage_error layout extra

((failures == 0))
