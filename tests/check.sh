# The shell checks' shared reporting, sourced by each of them: `check <description> <command...>`
# runs the command and prints "ok" or "FAIL" with the description; `finish` prints the counts and
# ends the script, with a non-zero status when any check failed; `same <expected> <actual>`
# compares two texts and shows the difference when they differ.
passed=0 failed=0
check() {
  local what=$1; shift
  if "$@"; then echo "ok   $what"; passed=$((passed + 1)); else echo "FAIL $what"; failed=$((failed + 1)); fi
}
finish() { printf '%d passed, %d failed\n' "$passed" "$failed"; ((failed == 0)); exit; }
same() {  # same <expected> <actual>: equal texts, the difference shown when not
  [[ $1 == "$2" ]] && return 0
  diff <(printf '%s\n' "$1") <(printf '%s\n' "$2") | sed 's/^/     /'
  return 1
}
