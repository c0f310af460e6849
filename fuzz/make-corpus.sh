#!/usr/bin/env bash
# Makes the starting corpus of every fuzz target (fuzz/corpus/<target>/) from valid inputs that the
# project's own tool writes, so that the fuzzers start from what the plug-in really reads.
#
# Usage: fuzz/make-corpus.sh NATIVE_TREE
set -euo pipefail
zenta=$(realpath "$1")/bin/zenta
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
corpus=$root/fuzz/corpus
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
rm -rf "$corpus"
mkdir -p "$corpus"/{page_list,description,settings_text,language_file,job_parameters,tab_file,tab_request,spool_file,cups_options,document,devmode,printer_data}_fuzz

# Records: the defaults, and one with a page exception list of tabs and other paper.
"$zenta" record new -o "$work/plain.rec"
"$zenta" record new Duplex=True Staple=1StapleLeft -o "$work/set.rec"
cp "$work/plain.rec" "$work/pages.rec"
"$zenta" pages add "$work/pages.rec" --tab 1 --text Intro >/dev/null
"$zenta" pages add "$work/pages.rec" --tab 3 --text Part --inserted >/dev/null
"$zenta" pages add "$work/pages.rec" --paper 2-3 QVB4 >/dev/null
offset=$("$zenta" features | awk '$1 == "PageSpecificTrays" { print $2 }')
for rec in plain pages; do
  # The list's bytes up to the end of its last entry (the rest of the area is zero).
  tail -c +"$((offset + 1))" "$work/$rec.rec" | head -c 18202 | python3 -c '
import sys; data = sys.stdin.buffer.read(); sys.stdout.buffer.write(data.rstrip(b"\0") or b"\0\0")' \
    > "$corpus/page_list_fuzz/$rec"
done

# The description with each record behind it.
for rec in set pages; do
  { "$zenta" describe | tr -d '\n'; printf '\0'; cat "$work/$rec.rec"; } > "$corpus/description_fuzz/$rec"
done

printf 'Duplex=True\nStaple=1StapleLeft\nNTo1=True\n' > "$corpus/settings_text_fuzz/three"
printf 'PageSize=A3\n' > "$corpus/settings_text_fuzz/paper"

cp "$root/tests/data/lng/zenta.lng" "$corpus/language_file_fuzz/zenta.lng"

# DEVMODEs the driver makes: as the spooler's job parameters (Base64) and through DevMode.
"$zenta" devmode default -o "$work/default.dm" >/dev/null
"$zenta" devmode from-record "$work/pages.rec" -o "$work/pages.dm" >/dev/null
base64 -w0 "$work/pages.dm" > "$corpus/job_parameters_fuzz/pages"
for dm in default pages; do
  size=$(stat -c %s "$work/$dm.dm")
  block=$((size - 27800))  # the plug-in block closes the DEVMODE
  mode=$([[ $dm == default ]] && echo 0 || echo 1)
  {
    printf "\\x$(printf %02x "$mode")\\x$(printf %02x $((block >> 8)))\\x$(printf %02x $((block & 255)))"
    cat "$work/$dm.dm"
  } > "$corpus/devmode_fuzz/$dm"
done

cp "$root/tests/data/tabfile/sample_tab.ps" "$corpus/tab_file_fuzz/sample"
printf '\x3f' | cat - "$root/tests/data/tabfile/sample_tab.ps" > "$corpus/tab_file_fuzz/sample-pieces"
head -c 64 /dev/zero > "$corpus/tab_request_fuzz/empty"

# A spool file with tab sheets and pages on other paper.
"$zenta" print --quiet --pages 3 --record "$work/pages.rec" -o "$corpus/spool_file_fuzz/tabs.prn" >/dev/null

printf 'Staple=1StapleLeft Duplex=True job-uuid=urn:uuid:0 number-up=1' > "$corpus/cups_options_fuzz/staple"
printf "Zoom=Custom.150 NTo1=true 'Title=a b' PaperFeed=Config6" > "$corpus/cups_options_fuzz/custom"

printf '%%!PS-Adobe-3.0\n%%%%Pages: 2\n%%%%EndComments\n%%%%BeginProlog\n/F { findfont } def\n%%%%EndProlog\n%%%%BeginSetup\n%%%%EndSetup\n%%%%Page: 1 1\n%%%%BeginPageSetup\n%%%%EndPageSetup\n72 720 moveto (One) show showpage\n%%%%Page: 2 2\n(Two) show showpage\n%%%%Trailer\n%%%%EOF\n' > "$corpus/document_fuzz/two-pages.ps"
printf '%%PDF-1.4\n' > "$corpus/document_fuzz/pdf-head"

# Printer data: each value the plug-in reads, as the built-in printer holds it or close to it.
python3 - "$corpus/printer_data_fuzz" <<'PY'
import os, sys
out = sys.argv[1]
def put(name, selector, kind, value):
    with open(os.path.join(out, name), "wb") as f:
        f.write(bytes([selector, kind]) + value)
put("installable", 0, 3, bytes(40))
put("offsets", 1, 3, b"0\0QWDuplex\0\x01\x00")
put("papers", 3, 3, bytes(64))
put("mac", 4, 1, "00-1B-2C-3D-4E-5F\0".encode("utf-16-le"))
put("spool", 5, 1, "C:\\Windows\\System32\\spool\\PRINTERS\0".encode("utf-16-le"))
put("duplex", 6, 4, b"\x01\x00\x00\x00")
PY
du -sh "$corpus" | cut -f1
