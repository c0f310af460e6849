#!/usr/bin/env bash
# The zenta tool as a user runs it: output formats, and usage errors with exit status 2.
# Usage: cli_test.sh ZENTA_BINARY TEST_DATA_DIR
set -uo pipefail
zenta=$1 data=$2
source "$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/check.sh"

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

check "text in Japanese" test "$("$zenta" text 8 2)" = "日本語"
check "text beyond the table is empty" test "$("$zenta" text 0 2713)" = ""
check "jobid" grep -Eqx 'ACDE48[0-9A-F]{6}[0-9]{14}' <<<"$("$zenta" jobid)"

lng_dir=$(mktemp -d)
printf 'L10N_LBL_LANGUAGECODE\t0x0816\t0x0419\n' >"$lng_dir/in.txt"
check "lng encode writes whole blocks" \
  bash -c '"$1" lng encode "$2/in.txt" "$2/out.lng" && (( $(stat -c %s "$2/out.lng") % 16 == 0 ))' _ "$zenta" "$lng_dir"
rm -rf "$lng_dir"

shown=$("$zenta" printer show)
check "printer show: the built-in printer" grep -qx 'printer: Zenta Production Printer' <<<"$shown"
check "printer show: default duplex" grep -qx 'DefaultDuplex: on' <<<"$shown"
check "printer show: installable options" grep -Eqx 'InstallableOptions: [0-9A-F]{80}' <<<"$shown"

rec_dir=$(mktemp -d)
"$zenta" record new Duplex=False NumCopies=3 -o "$rec_dir/a.rec"
check "record new stores the values" \
  test "$("$zenta" record show "$rec_dir/a.rec" | grep -E '^(Duplex|NumCopies)=' | tr '\n' ' ')" = "Duplex=False NumCopies=3 "
check "record show lists every field" test "$("$zenta" record show "$rec_dir/a.rec" | wc -l)" -eq 528
check "a valid record validates quietly" test -z "$("$zenta" record validate "$rec_dir/a.rec")"
"$zenta" record new 'Duplex=#9' -o "$rec_dir/b.rec"
repaired=$("$zenta" record validate "$rec_dir/b.rec"); rc=$?
check "validate names the repair and exits 1" test "$repaired" = "Duplex: #9 -> True" -a "$rc" -eq 1
check "defaults follow the paper setting" \
  test "$("$zenta" defaults --paper-setting 1 | grep -E '^(PageSize|TrimLineSize)=' | tr '\n' ' ')" = "PageSize=Letter TrimLineSize=Letter "
check "a default record has no page exceptions" test -z "$("$zenta" pages "$rec_dir/a.rec")"
"$zenta" describe --base64 >"$rec_dir/layout.b64"
check "migrate from this very layout" \
  bash -c '"$1" migrate --description "$2/layout.b64" "$2/a.rec" -o "$2/m.rec" >/dev/null && cmp -s "$2/a.rec" "$2/m.rec"' _ "$zenta" "$rec_dir"
bad_key=$("$zenta" record new Duplx=True -o "$rec_dir/c.rec" 2>&1); rc=$?
check "an unknown key is named, exit 2" test "$rc" -eq 2 -a -n "$(grep Duplx <<<"$bad_key")"
rm -rf "$rec_dir"

default_profile="$data/../../src/platform/sim/default_profile.json"
check "set prints every change in change order" \
  test "$("$zenta" set BookletSplitting=True ColorMode=GrayScale MediaTypeTray4=Envelope MediaWeightTray4=Thick8 \
    PageSizeName=Custom)" = "$(cat "$data/cli/set.txt")"
check "devmode-public: a standard paper, a bin and 600 dpi" \
  test "$("$zenta" devmode-public --printer "$default_profile" --paper 8 --bin 258 --dpi 600x600 --copies 2 \
    --orientation landscape)" = "$(cat "$data/cli/devmode_public_a3.txt")"
check "devmode-public: a custom size" \
  test "$("$zenta" devmode-public --size 1000x1480 --form Custom)" = "$(cat "$data/cli/devmode_public_custom.txt")"
check "set --explain names the rule and its cause" grep -qx 'Staple: 1StapleLeft -> None  because NTo1 True: reverse order output is not stapled' <<<"$("$zenta" set --explain Staple=1StapleLeft NTo1=True)"
bad_value=$("$zenta" set Layout=Sideways 2>&1 >/dev/null); rc=$?
check "set names a bad value, exit 2" test "$rc" -eq 2 -a -n "$(grep Sideways <<<"$bad_value")"

dm_dir=$(mktemp -d)
show_head=$(sed "s/@VERSION@/${layout:10:8}/" "$data/cli/devmode_show_head.txt")
"$zenta" record new ColorMode=GrayScale Duplex=False -o "$dm_dir/a.rec"
"$zenta" devmode from-record "$dm_dir/a.rec" -o "$dm_dir/a.dm"
check "devmode from-record: public part, private area and block" test "$(stat -c %s "$dm_dir/a.dm")" -eq 28532
check "devmode show: the fields, the header and the record's settings" \
  test "$("$zenta" devmode show "$dm_dir/a.dm")" = "$show_head"$'\n'"$("$zenta" record show "$dm_dir/a.rec")"
"$zenta" devmode from-record "$dm_dir/a.rec" --version 0x12345678 -o "$dm_dir/foreign.dm"
check "devmode show: a block of another layout" \
  test "$("$zenta" devmode show "$dm_dir/foreign.dm" | tail -n 5 | tr '\n' '|')" = \
  "dwVersion: 0x12345678|extension marker: 0xFFFFFFFF|extension length: 14|header flag: 0|settings: none (the block is not a plug-in devmode of this layout)|"
"$zenta" devmode default -o "$dm_dir/default.dm"
check "devmode default: the defaults in a fresh block" \
  test "$("$zenta" devmode show "$dm_dir/default.dm")" = "$show_head"$'\n'"$("$zenta" defaults)"
"$zenta" devmode convert "$dm_dir/a.dm" -o "$dm_dir/a_conv.dm"
check "devmode convert: the record's settings carried over" \
  grep -qx 'ColorMode=GrayScale' <("$zenta" devmode show "$dm_dir/a_conv.dm")
check "devmode convert: the printer's default duplex applied" grep -qx 'Duplex=True' <("$zenta" devmode show "$dm_dir/a_conv.dm")
sed 's/"DefaultDuplex": { "dword": 1 }/"DefaultDuplex": { "dword": 0 }/' "$default_profile" >"$dm_dir/simplex.json"
"$zenta" devmode convert "$dm_dir/a.dm" --printer "$dm_dir/simplex.json" -o "$dm_dir/a_simplex.dm"
check "devmode convert: the printer of a profile" grep -qx 'Duplex=False' <("$zenta" devmode show "$dm_dir/a_simplex.dm")
"$zenta" devmode convert "$dm_dir/foreign.dm" -o "$dm_dir/foreign_conv.dm"
"$zenta" devmode convert "$dm_dir/default.dm" -o "$dm_dir/default_conv.dm"
check "devmode convert: a block of another layout gives the defaults" \
  cmp -s "$dm_dir/foreign_conv.dm" "$dm_dir/default_conv.dm"
cp "$dm_dir/a.dm" "$dm_dir/app.dm"
printf '\003\000' | dd of="$dm_dir/app.dm" bs=1 seek=86 conv=notrunc status=none  # dmCopies 3
"$zenta" devmode merge --in "$dm_dir/default.dm" --app "$dm_dir/app.dm" -o "$dm_dir/merged.dm"
check "devmode merge: the application's copies and settings" \
  test "$("$zenta" devmode show "$dm_dir/merged.dm" | grep -E '^(dmCopies: |NumCopies=|ColorMode=)' | tr '\n' ' ')" = \
  "dmCopies: 3 NumCopies=3 ColorMode=GrayScale "
not_dm=$("$zenta" devmode show "$dm_dir/a.rec" 2>&1 >/dev/null); rc=$?
check "devmode show of a record file, exit 1" test "$rc" -eq 1 -a -n "$(grep 'not a DEVMODE' <<<"$not_dm")"
rm -rf "$dm_dir"

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
check "text needs numbers" usage_error text abc 2
check "printer needs a verb" usage_error printer
check "devmode needs a verb" usage_error devmode
check "devmode from-record needs a hexadecimal version" usage_error devmode from-record x.rec -o x.dm --version 0xZZ

missing=$("$zenta" printer show --printer "No Such Printer" 2>&1 >/dev/null); rc=$?
check "printer show of a missing printer" test "$rc" -eq 1 -a -n "$missing"

# zenta print: a whole job through the plug-in into a spool file. Bad input is a message and
# exit status 1 (2 for usage), and never leaves a job file behind, whole or partial.
print_dir=$(mktemp -d)
summary=$("$zenta" print --pages 2 PageSize=A3 -o "$print_dir/job.prn"); rc=$?
check "print: one summary line" \
  test "$rc" -eq 0 -a "$summary" = "$print_dir/job.prn: 2 pages, $(stat -c %s "$print_dir/job.prn") bytes; settings: PageSize=A3 PageSizeName=A3"
check "print: the job begins and ends with the plug-in's UEL" \
  bash -c 'cmp -s <(head -c 9 "$1") <(printf "\033%%-12345X") && cmp -s <(tail -c 9 "$1") <(printf "\033%%-12345X")' _ "$print_dir/job.prn"
check "print: the PPD's page size feature" grep -q $'^%%BeginFeature: \\*PageSize A3\r$' "$print_dir/job.prn"
if command -v gs >/dev/null 2>&1; then
  check "print --check: Ghostscript finds no error" \
    bash -c '"$1" print --check Orientation=Land -o "$2/checked.prn" | grep -q "; Ghostscript: no error$"' _ "$zenta" "$print_dir"
fi
printf 'old job' >"$print_dir/kept.prn"
print_error() {  # print_error <status> <text of the message> <args...>: that status and message, no job file
  local want=$1 names=$2 err rc
  shift 2
  err=$("$zenta" print "$@" -o "$print_dir/bad.prn" 2>&1 >/dev/null); rc=$?
  [[ $rc -eq $want && $err == *"$names"* && ! -e $print_dir/bad.prn ]]
}
check "print: a missing document, exit 1" print_error 1 "cannot read" "$print_dir/none.ps"
check "print: a document that is not PostScript, exit 1" print_error 1 "not DSC PostScript" "$data/cli/set.txt"
check "print: an unknown key, exit 2" print_error 2 "'Duplx=True' is not Key=Value" Duplx=True
check "print: a bad value, exit 2" print_error 2 "Sideways" Layout=Sideways
check "print: two documents, exit 2" print_error 2 "one document at a time" "$data/cli/set.txt" "$data/cli/set.txt"
check "print: a missing record, exit 1" print_error 1 "cannot read" --record "$print_dir/none.rec"
check "print: a record file that is no record, exit 1" print_error 1 "not a 27774-byte record" --record "$data/cli/set.txt"
check "print: a DEVMODE file that is no DEVMODE, exit 1" print_error 1 "is not a DEVMODE" --devmode "$data/cli/set.txt"
check "print: a missing PPD, exit 1" print_error 1 "cannot read" --ppd "$print_dir/none.ppd"
check "print: a file that is no PPD, exit 1" print_error 1 "not a PPD file" --ppd "$data/cli/set.txt"
check "print: --pages with a document, exit 2" print_error 2 "--pages is for the built-in test document" --pages 2 "$data/cli/set.txt"
check "print: --record with --devmode, exit 2" print_error 2 "excludes" --record a.rec --devmode a.dm
check "print: --pages 0, exit 2" print_error 2 "--pages" --pages 0
check "print needs an output file or --discard, exit 2" \
  bash -c '"$1" print 2>&1 >/dev/null | grep -q "give the spool file (-o) or --discard"; test "${PIPESTATUS[0]}" -eq 2' _ "$zenta"
check "print: -o and --discard together, exit 2" print_error 2 "one of them" --discard
check "print: --discard with --check, exit 2" bash -c '"$1" print --discard --check 2>&1 >/dev/null | grep -q "not with --discard"; test "${PIPESTATUS[0]}" -eq 2' _ "$zenta"
# The null sink counts the same bytes as the spool file of the same job; --timing adds its line.
"$zenta" print --pages 12 --quiet -o "$print_dir/twelve.prn" >/dev/null
discarded=$("$zenta" print --pages 12 --quiet --discard --timing)
check "print --discard: the job's bytes, counted" \
  grep -qx "null sink: 12 pages, $(stat -c %s "$print_dir/twelve.prn") bytes; settings: the printer's defaults" <<<"$discarded"
check "print --timing: Command time of the job and its pages, peak memory" \
  grep -Eqx "plug-in Command: [0-9.]+ us for the job's start and end, [0-9.]+ us for 12 pages \([0-9.]+ us per page, median [0-9.]+ us\) in [0-9]+ calls; peak resident memory [0-9]+ KiB" <<<"$discarded"
bad_out=$("$zenta" print PageSize=Huge -o "$print_dir/kept.prn" 2>&1); rc=$?
check "print: a failed job leaves an existing file alone" \
  test "$rc" -eq 2 -a "$(cat "$print_dir/kept.prn")" = "old job" -a -n "$bad_out"
check "print: no temporary file is left behind" test -z "$(find "$print_dir" -name '*.part-*')"
rm -rf "$print_dir"


# zenta pages add / remove: entries written through the encoder. A bad request is a message and
# exit status 2, and leaves the record as it was (and no temporary file behind).
pages_dir=$(mktemp -d)
"$zenta" record new -o "$pages_dir/p.rec"
"$zenta" pages add "$pages_dir/p.rec" --tab 1 --text Intro
"$zenta" pages add "$pages_dir/p.rec" --tab 3 --text $'Part\nTwo' --inserted --position 2 --stock 2
"$zenta" pages add "$pages_dir/p.rec" --paper 2-3 QVB4
check "pages add: a printed tab, an inserted tab, pages on other paper" \
  test "$("$zenta" pages "$pages_dir/p.rec")" = "$(cat "$data/cli/pages_added.txt")"
check "pages add: tab printing takes all three" test "$("$zenta" pages "$pages_dir/p.rec" --select 2 | wc -l)" -eq 3
"$zenta" pages remove "$pages_dir/p.rec" 2
check "pages remove: the second entry goes" \
  test "$("$zenta" pages "$pages_dir/p.rec")" = "$(sed -n '1p;3p' "$data/cli/pages_added.txt")"
cp "$pages_dir/p.rec" "$pages_dir/before.rec"
pages_error() {  # pages_error <text of the message> <args...>: exit 2, that message, the record unchanged
  local names=$1 err rc
  shift
  err=$("$zenta" pages "$@" 2>&1 >/dev/null); rc=$?
  [[ $rc -eq 2 && $err == *"$names"* ]] && cmp -s "$pages_dir/p.rec" "$pages_dir/before.rec"
}
rec=$pages_dir/p.rec
check "pages add: page 0, exit 2" pages_error "page 0 is not a page" add "$rec" --tab 0 --text x
check "pages add: a page past 65535, exit 2" pages_error "page 65536 is not a page" add "$rec" --tab 65536 --text x
check "pages add: a range past 65535, exit 2" pages_error "page 70000 is not a page" add "$rec" --paper 5-70000 A4
check "pages add: a range from page 0, exit 2" pages_error "page 0 is not a page" add "$rec" --paper 0-3 A4
check "pages add: a backward range, exit 2" pages_error "the last page comes before the first" add "$rec" --paper 3-2 A4
check "pages add: not a range, exit 2" pages_error "is not FIRST or FIRST-LAST" add "$rec" --paper 3-x A4
check "pages add: an unknown paper, exit 2" pages_error "'Huge' is not a paper size" add "$rec" --paper 3 Huge
check "pages add: a tab position past 16, exit 2" pages_error "a tab position is 1 to 16" add "$rec" --tab 2 --text x \
  --position 17
check "pages add: a tab stock other than 1 or 2, exit 2" pages_error "the tab stock is 1" add "$rec" --tab 2 --text x \
  --stock 3
check "pages add: a tab without a text, exit 2" pages_error "requires --text" add "$rec" --tab 2
check "pages add: a tab and a paper at once, exit 2" pages_error "excludes" add "$rec" --tab 2 --text x --paper 2 A4
check "pages add: nothing to add, exit 2" pages_error "say what to add" add "$rec"
check "pages add: a text too long for the area, exit 2" pages_error "its text is too long" add "$rec" --tab 2 \
  --text "$(head -c 18200 /dev/zero | tr '\0' x)"
"$zenta" pages add "$rec" --tab 4 --text "$(head -c 9100 /dev/zero | tr '\0' x)"
cp "$rec" "$pages_dir/before.rec"
check "pages add: a full area, exit 2" pages_error "is full" add "$rec" --tab 5 \
  --text "$(head -c 9100 /dev/zero | tr '\0' y)"
check "pages remove: no entry 9, exit 2" pages_error "there is no entry 9: the list holds 3 entries" remove "$rec" 9
check "pages remove: no entry 0, exit 2" pages_error "there is no entry 0" remove "$rec" 0
check "pages add: a missing record, exit 1" bash -c '"$1" pages add "$2/none.rec" --tab 1 --text x 2>/dev/null; [[ $? -eq 1 ]]' \
  _ "$zenta" "$pages_dir"
check "pages: no temporary file is left behind" test -z "$(find "$pages_dir" -name '*.part-*')"
check "pages without a record, exit 2" bash -c '"$1" pages 2>/dev/null; [[ $? -eq 2 ]]' _ "$zenta"
rm -rf "$pages_dir"


# geometry: the page fields EnablePDEV reports, and GetPDEVAdjustment
check "geometry: full bleed at 600 dpi is 7617 dots across, centred" test "$("$zenta" geometry FullBleed=True \
  --dpi 600 --physical 8000 9000 --printable 7900 8900 --size 334 377)" = "$(printf '%s\n' 'ulHorzSize 334 -322453' \
  'ulVertSize 377 -381000' 'ulHorzRes 7900 7617' 'ulVertRes 8900 9000' 'ptlPhysOffset.x 50 192' 'ptlPhysOffset.y 50 0')"
check "geometry: the 215.9 mm custom width gives 4967 dots" grep -qx 'ulHorzRes 5100 4967' <<<"$("$zenta" geometry \
  'PageSize=#26' CustomPageSizeWidth=2159000 CustomPageSizeHeight=2794000 --dpi 600x600 --physical 5100 7016 \
  --printable 5100 6816 --size 216 289)"
check "geometry: landscape limits the height" grep -qx 'ulVertRes 8900 7617' <<<"$("$zenta" geometry --landscape \
  --dpi 600 --physical 8000 9000 --printable 7900 8900 --size 334 377)"
check "geometry --adjust: type 2 is S_FALSE, the area unchanged" test "$("$zenta" geometry --adjust 0 0 400000 300000 \
  --type 2)" = "$(printf '%s\n' 'result S_FALSE' 'rcImageableArea 0 0 400000 300000' 'adjusted 0')"
check "geometry --adjust: a 15-byte buffer is S_FALSE" grep -qx 'result S_FALSE' <<<"$("$zenta" geometry \
  --adjust 0 0 400000 300000 --buffer 15)"
check "geometry --adjust: too wide, cut to 914 points and centred" test "$("$zenta" geometry \
  --adjust 0 0 400000 300000)" = "$(printf '%s\n' 'result S_OK' 'rcImageableArea 38780 0 361219 300000' 'adjusted 1')"
check "geometry: a bad resolution, exit 2" bash -c '"$1" geometry --dpi 6x --physical 1 1 --printable 1 1 \
  --size 1 1 2>/dev/null; [[ $? -eq 2 ]]' _ "$zenta"
check "geometry: no page fields and no --adjust, exit 2" bash -c '"$1" geometry 2>/dev/null; [[ $? -eq 2 ]]' _ "$zenta"

# wake: the datagrams of the wake-up, listed without sending anything
wake=$("$zenta" wake 00-1B-2C-3D-4E-5F --dry-run --adapter 192.168.10.20/24)
check "wake --dry-run: 40 datagrams of 102 bytes" test "$(grep -c ' 102$' <<<"$wake")" -eq 40
check "wake --dry-run: each pass in socket list order" test "$(head -4 <<<"$wake" | tr '\n' ,)" = \
  "255.255.255.255 7 102,192.168.10.255 7 102,255.255.255.255 9 102,192.168.10.255 9 102,"
check "wake --dry-run: a link-local adapter gives the limited broadcast only" test "$("$zenta" wake 001B2C3D4E5F \
  --dry-run --adapter 169.254.3.4/16 | sort -u | tr '\n' ,)" = "255.255.255.255 7 102,255.255.255.255 9 102,"
check "wake: an address that does not parse, exit 1, nothing listed" bash -c 'out=$("$1" wake 00:1B:2C:3D:4E \
  --dry-run 2>/dev/null); [[ $? -eq 1 && -z $out ]]' _ "$zenta"
check "wake: the built-in printer's all-zero address, exit 1" bash -c '"$1" wake "Zenta Production Printer" \
  --dry-run 2>&1 | grep -q "is not a hardware address"; [[ ${PIPESTATUS[0]} -eq 1 ]]' _ "$zenta"
check "wake: --adapter without --dry-run, exit 2" bash -c '"$1" wake 001B2C3D4E5F --adapter 10.0.0.1/8 \
  2>/dev/null; [[ $? -eq 2 ]]' _ "$zenta"

# A printer with a hardware address and a spooler job whose parameters carry new credentials:
# DrvStartDoc wakes the printer (noted in the wake log, not sent) and the job's credentials reach
# the PJL header.
job_dir=$(mktemp -d)
"$zenta" record new OutputMethod=Secure WaitModeSecurePrintId=4711 WaitModePassword=pin -o "$job_dir/job.rec"
"$zenta" devmode from-record "$job_dir/job.rec" -o "$job_dir/job.dm"
python3 - "$data/../../src/platform/sim/default_profile.json" "$job_dir" <<'PY'
import base64, json, sys
profile = json.load(open(sys.argv[1]))
printer = profile['printers'][0]
printer['data']['MacAddress'] = {'string': '00-1B-2C-3D-4E-5F'}
parameters = base64.b64encode(open(sys.argv[2] + '/job.dm', 'rb').read()).decode()
printer['jobs'] = [{'id': 1, 'document': 'Zenta test document', 'user': 'alice', 'parameters': parameters}]
json.dump(profile, open(sys.argv[2] + '/profile.json', 'w'))
PY
ZENTA_WAKE_LOG="$job_dir/wake.log" "$zenta" print --printer "$job_dir/profile.json" -o "$job_dir/job.prn" >/dev/null
check "print: the spooler job's credentials reach the PJL header" grep -q '@PJL SET QVJOBID="4711"' "$job_dir/job.prn"
check "print: DrvStartDoc wakes the printer" test "$(head -1 "$job_dir/wake.log" 2>/dev/null)" = "255.255.255.255 7 102"
rm -rf "$job_dir"

finish
