#!/usr/bin/env bash
# The Windows tool under Wine prints the same jobs as the native tool: `zenta.exe print` and
# `zenta print` write the same bytes for three combinations of settings, except the lines that
# differ between any two prints (the driver job identifier, the user name: DRIVERJOBID,
# USERNAME and the ForEx comment). Both start from one record (the default paper follows each
# system's locale) on the built-in printer's profile. Then `zenta.exe print` on a system with
# no printer at all (a Wine prefix of its own): the built-in printer, said once, and again the
# native tool's job. Every job runs through Ghostscript (scripts/ps-check.sh) without error.
#
# ZENTA_NATIVE_BIN, ZENTA_WIN_BIN and ZENTA_EMPTY_WINEPREFIX name other trees and another empty
# prefix than build/bin, build-win/bin and build-win/wineprefix-empty.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
NATIVE_BIN=${ZENTA_NATIVE_BIN:-$NATIVE_BIN}
WIN_BIN=${ZENTA_WIN_BIN:-$WIN_BIN}
empty_prefix=${ZENTA_EMPTY_WINEPREFIX:-$ZENTA_ROOT/build-win/wineprefix-empty}

[[ -x $NATIVE_BIN/zenta ]] || fail "$NATIVE_BIN/zenta not built"
[[ -f $WIN_BIN/zenta.exe ]] || fail "$WIN_BIN/zenta.exe not built"
command -v gs >/dev/null 2>&1 || fail "Ghostscript (gs) is not installed"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
profile=$ZENTA_ROOT/src/platform/sim/default_profile.json
pscheck=$ZENTA_ROOT/scripts/ps-check.sh

# The job with the per-print lines masked; line ends are kept as they are.
masked() {
  perl -0777 -pe 's/^(\@PJL SET DRIVERJOBID=|\@PJL SET USERNAME=|%%ZENTA-ForEx: )[^\r\n]*/$1*/mg' "$1"
}
same_job() {  # same_job <native> <windows> <what>
  if ! cmp -s <(masked "$1") <(masked "$2"); then
    echo "the jobs differ ($3):" >&2
    diff <(masked "$1" | tr -d '\r') <(masked "$2" | tr -d '\r') | head -n 20 >&2
    fail "zenta.exe print and zenta print wrote different jobs ($3)"
  fi
  grep -q '^@PJL SET DRIVERJOBID=' "$2" || fail "the job of zenta.exe print has no DRIVERJOBID ($3)"
}
ps_check() {  # ps_check <job> <what>
  "$pscheck" "$1" >/dev/null 2>"$work/gs.err" || fail "Ghostscript found an error in $2: $(cat "$work/gs.err")"
}

"$NATIVE_BIN/zenta" record new -o start.rec >/dev/null || fail "zenta record new failed"

# The third job's settings come as from the user interface (CoreDataLoadedFromPdUi): its
# Duplex=False then stands. A record from elsewhere takes the printer's default duplex, which
# the native plug-in reads from the built-in printer's profile while the plug-in DLL under Wine
# reads Wine's spooler, where that printer does not exist.
combinations=(
  ""
  "PageSize=A3 Orientation=Land OutputMethod=Hold"
  "CoreDataLoadedFromPdUi=True Duplex=False NUpCount=2 ColorMode=GrayScale NumCopies=2 PageSize=Letter"
)
err=$work/stderr
for i in "${!combinations[@]}"; do
  read -r -a settings <<<"${combinations[$i]}"
  what="settings '${combinations[$i]}'"
  common=(--record start.rec --printer "$profile" --title "Match $i" "${settings[@]}")
  "$NATIVE_BIN/zenta" print "${common[@]}" -o "native$i.prn" >/dev/null 2>"$err" ||
    fail "zenta print exited $? ($what): $(cat "$err")"
  run_wine "$WIN_BIN/zenta.exe" print "${common[@]}" -o "windows$i.prn" >/dev/null 2>"$err" ||
    fail "zenta.exe print exited $? ($what): $(tr -d '\r' <"$err")"
  same_job "native$i.prn" "windows$i.prn" "$what"
  ps_check "native$i.prn" "the native job ($what)"
  ps_check "windows$i.prn" "the Windows job ($what)"
  echo "print: the same job from both tools ($what, $(stat -c %s "windows$i.prn") bytes)"
done

# A system without printers: the built-in printer, and the job checked by Ghostscript from
# inside Wine (the host's gs).
"$NATIVE_BIN/zenta" print --record start.rec PageSize=A5 -o native-empty.prn >/dev/null ||
  fail "zenta print on the built-in printer failed"
(
  export ZENTA_WINEPREFIX=$empty_prefix
  zenta_wine_setup "$ZENTA_ROOT/build-win" && zenta_wine_init || exit 1
  run_wine "$WIN_BIN/zenta.exe" print --record start.rec PageSize=A5 --check -o windows-empty.prn \
    >"$work/empty.out" 2>"$err"
) || fail "zenta.exe print without a printer exited $? ($(tr -d '\r' <"$err"))"
[[ $(grep -c 'the system has no printer; using the built-in printer' "$err") -eq 1 ]] ||
  fail "zenta.exe print did not say once that it used the built-in printer: $(tr -d '\r' <"$err")"
grep -q '; Ghostscript: no error' "$work/empty.out" || fail "zenta.exe print --check: $(tr -d '\r' <"$work/empty.out")"
same_job native-empty.prn windows-empty.prn "no printer"
ps_check windows-empty.prn "the Windows job on the built-in printer"
echo "print: zenta.exe on a system without printers prints the native tool's job"
