#!/usr/bin/env bash
# A tab job through zenta_ps.dll under Wine: the tab sheets come through Wine's rundll32.exe and
# the named section, and the job is the native tool's (whose sheets come through its launcher),
# apart from the lines that differ between any two prints (DRIVERJOBID, USERNAME, ForEx) and
# the enciphered tab procedure set, whose lead-in byte is drawn anew in every process. Then on a
# system whose rundll32.exe is gone (a Wine prefix of its own) the sheets come from the fallback
# thread, and the job is the same again.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

[[ -x $NATIVE_BIN/zenta ]] || fail "$NATIVE_BIN/zenta not built"
[[ -f $WIN_BIN/zenta.exe ]] || fail "$WIN_BIN/zenta.exe not built"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
profile=$ZENTA_ROOT/src/platform/sim/default_profile.json

"$NATIVE_BIN/zenta" record new -o tabs.rec >/dev/null || fail "zenta record new failed"
"$NATIVE_BIN/zenta" pages add tabs.rec --tab 1 --text Intro >/dev/null || fail "zenta pages add failed"
"$NATIVE_BIN/zenta" pages add tabs.rec --tab 2 --text "Part B" --inserted >/dev/null || fail "zenta pages add failed"

native=$("$NATIVE_BIN/zenta" print --record tabs.rec --pages 2 --printer "$profile" -o native.prn) ||
  fail "zenta print failed"
windows=$(run_wine "$WIN_BIN/zenta.exe" print --record tabs.rec --pages 2 --printer "$profile" -o windows.prn 2>&1) ||
  fail "zenta.exe print failed: $windows"
grep -q 'tab sheets: 2 (child process 2)' <<<"$native" || fail "the native job has not two tab sheets from the launcher: $native"
grep -q 'tab sheets: 2 (child process 2)' <<<"$windows" || fail "the Windows job has not two tab sheets from rundll32.exe: $windows"

# The per-print lines, and the hex lines of the enciphered procedure set, masked.
masked() {
  perl -0777 -pe 's/^(\@PJL SET DRIVERJOBID=|\@PJL SET USERNAME=|%%ZENTA-ForEx: )[^\r\n]*/$1*/mg;
                  s/^<?[0-9A-F]{2,}>?\r?$/*/mg' "$1"
}
if ! cmp -s <(masked native.prn) <(masked windows.prn); then
  diff <(masked native.prn | tr -d '\r') <(masked windows.prn | tr -d '\r') | head -n 20 >&2
  fail "zenta.exe print and zenta print wrote different tab jobs"
fi
echo "tab job: the same bytes from zenta.exe (rundll32.exe) and zenta (launcher), two tab sheets each"

norundll=$ZENTA_ROOT/build-win/wineprefix-norundll
(
  export ZENTA_WINEPREFIX=$norundll
  zenta_wine_setup "$ZENTA_ROOT/build-win" && zenta_wine_init
) || fail "cannot make the Wine prefix $norundll"
rm -f "$norundll/drive_c/windows/system32/rundll32.exe"
thread=$(WINEPREFIX=$norundll run_wine "$WIN_BIN/zenta.exe" print --record tabs.rec --pages 2 --printer "$profile" \
  -o thread.prn 2>&1) || fail "zenta.exe print without rundll32.exe failed: $thread"
grep -q 'tab sheets: 2 (thread 2)' <<<"$thread" || fail "without rundll32.exe the sheets did not come from the thread: $thread"
if ! cmp -s <(masked native.prn) <(masked thread.prn); then
  diff <(masked native.prn | tr -d '\r') <(masked thread.prn | tr -d '\r') | head -n 20 >&2
  fail "the fallback thread's tab job differs from the native one"
fi
WINEPREFIX=$norundll timeout 60 "$ZENTA_WINESERVER" -w 2>/dev/null || true
echo "tab job: without rundll32.exe the fallback thread makes the same job"
