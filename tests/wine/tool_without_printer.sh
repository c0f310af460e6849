#!/usr/bin/env bash
# The Windows tool on a system with no printer at all (a Wine prefix of its own, in which no
# printer was ever added): every verb that needs a printer takes the built-in one, as the Linux
# tool does, and says so once on standard error.
ZENTA_WINEPREFIX=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)/build-win/wineprefix-empty
export ZENTA_WINEPREFIX
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

[[ -x $NATIVE_BIN/zenta ]] || fail "$NATIVE_BIN/zenta not built"
[[ -f $WIN_BIN/zenta.exe ]] || fail "$WIN_BIN/zenta.exe not built"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

err=$work/stderr
run_wine "$WIN_BIN/zenta.exe" devmode default -o dm.bin 2>"$err" || fail "zenta.exe devmode default exited $? ($(tr -d '\r' <"$err"))"
[[ $(grep -c 'the system has no printer; using the built-in printer' "$err") -eq 1 ]] ||
  fail "zenta.exe devmode default did not say once that it used the built-in printer: $(tr -d '\r' <"$err")"
size=$(stat -c %s dm.bin)
((size >= 220 + 27800)) || fail "zenta.exe devmode default wrote $size bytes"
echo "devmode default: $size bytes on the built-in printer"

# The same starting record on both (the default paper follows each system's locale).
"$NATIVE_BIN/zenta" record new -o start.rec >/dev/null || fail "zenta record new failed"
run_wine "$WIN_BIN/zenta.exe" set --record start.rec Duplex=True PageSize=A5 -o windows.rec >/dev/null 2>"$err" ||
  fail "zenta.exe set exited $? ($(tr -d '\r' <"$err"))"
"$NATIVE_BIN/zenta" set --record start.rec Duplex=True PageSize=A5 -o native.rec >/dev/null || fail "zenta set failed"
cmp -s windows.rec native.rec || fail "zenta.exe set and zenta set wrote different records"
echo "set: the same record as the Linux tool"
