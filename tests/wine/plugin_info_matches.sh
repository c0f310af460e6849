#!/usr/bin/env bash
# The core-driver stand-in loads the plug-in natively and under Wine and both report the same
# four lines; the version the plug-in reports is the layout version of the tool's own build.
# Failures to load are reported on standard error with exit status 1.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

[[ -x $NATIVE_BIN/zenta ]] || fail "$NATIVE_BIN/zenta not built"
[[ -f $WIN_BIN/zenta.exe ]] || fail "$WIN_BIN/zenta.exe not built"

native=$("$NATIVE_BIN/zenta" plugin-info) || fail "zenta plugin-info failed (exit $?)"
windows=$(run_wine "$WIN_BIN/zenta.exe" plugin-info) || fail "zenta.exe plugin-info failed under Wine (exit $?)"
windows=${windows//$'\r'/}   # the Windows console ends lines in CR LF

layout=$("$NATIVE_BIN/zenta" layout) || fail "zenta layout failed (exit $?)"
[[ $layout =~ ^version\ (0x[0-9A-F]{8})\  ]] || fail "zenta layout printed '$layout'"
version=${BASH_REMATCH[1]}

expected="signature 0x5A545156
version $version
helpers 1
hooks 27"
[[ $native == "$expected" ]] || fail "native plugin-info printed:
$native
expected:
$expected"
[[ $windows == "$native" ]] || fail "plugin-info differs: native '$native', Windows '$windows'"
echo "plugin-info: $(tr '\n' ' ' <<<"$native")(native and Windows agree)"

# Failures: a missing library and a library without the COM exports, with the reason on
# standard error and nothing on standard output; a bad argument is a usage error.
expect_failure() {  # expect_failure <status> <text on stderr> <command...>
  local status=$1 text=$2 out err rc
  shift 2
  err=$(mktemp)
  rc=0
  out=$("$@" 2>"$err") || rc=$?
  local message
  message=$(tr -d '\r' <"$err")
  rm -f "$err"
  [[ $rc -eq $status ]] || fail "$* exited with $rc, expected $status (stderr: $message)"
  [[ -z $out ]] || fail "$* printed on standard output: $out"
  grep -qF -- "$text" <<<"$message" || fail "$* did not say '$text' on standard error: $message"
}
missing=$ZENTA_ROOT/build/no-such-plugin.so
expect_failure 1 "cannot load the plug-in library $missing" "$NATIVE_BIN/zenta" plugin-info --plugin "$missing"
expect_failure 1 "does not export DllGetClassObject" \
  "$NATIVE_BIN/zenta" plugin-info --plugin "$NATIVE_BIN/libzenta_platform.so"
expect_failure 1 "cannot load the plug-in library" run_wine "$WIN_BIN/zenta.exe" plugin-info --plugin 'Z:\no\such\plugin.dll'
expect_failure 2 "Usage:" "$NATIVE_BIN/zenta" plugin-info --plugin
expect_failure 2 "Usage:" "$NATIVE_BIN/zenta" plugin-info stray
echo "plugin-info failures: reported with exit status 1, usage errors with 2"
