# The shell checks' shared reporting, sourced by each of them: `check <description> <command...>`
# runs the command and prints "ok" or "FAIL" with the description; `finish` prints the counts and
# ends the script, with a non-zero status when any check failed.
passed=0 failed=0
check() {
  local what=$1; shift
  if "$@"; then echo "ok   $what"; passed=$((passed + 1)); else echo "FAIL $what"; failed=$((failed + 1)); fi
}
finish() { printf '%d passed, %d failed\n' "$passed" "$failed"; ((failed == 0)); exit; }
