#!/usr/bin/env bash
# The native tool and the Windows tool under Wine report the same record layout.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

[[ -x $NATIVE_BIN/zenta ]] || fail "$NATIVE_BIN/zenta not built"
[[ -f $WIN_BIN/zenta.exe ]] || fail "$WIN_BIN/zenta.exe not built"

native=$("$NATIVE_BIN/zenta" layout) || fail "zenta layout failed (exit $?)"
windows=$(run_wine "$WIN_BIN/zenta.exe" layout) || fail "zenta.exe layout failed under Wine (exit $?)"
windows=${windows//$'\r'/}   # the Windows console ends lines in CR LF

[[ -n $native ]] || fail "zenta layout printed nothing"
[[ $(wc -l <<<"$native") -eq 1 ]] || fail "zenta layout printed more than one line: $native"
[[ $native == "$windows" ]] || fail "layouts differ: native '$native', Windows '$windows'"
echo "layout: $native (native and Windows agree)"
