#!/usr/bin/env bash
# The printer's PPD (ppd/zenta.ppd) and its printer procedures, checked with Ghostscript:
#   - the PPD's structure: UI blocks, quoted values, *End, the 26 page sizes in all four tables;
#   - a DSC job as the driver and the render plug-in write it (PJL header, the procedures as
#     document setup feature code, the plug-in's guarded calls at setup, page setup, page
#     trailer and document trailer) run through scripts/ps-check.sh --trace: exact trace lines;
#   - the same job for a printer whose PPD lacks the procedures: the guards keep it valid;
#   - page sizes of the rendered pages; the output method invocations, bare and inside the
#     plug-in's ZTQVPlugInSettings procedure; the procedures on odd and missing input.
# Usage: ppd_check.sh        Prints one line per check and last "<passed> passed, <failed> failed";
# exits non-zero when a check failed.
# shellcheck disable=SC2016  # bash -c scripts take their arguments as $1, $2 on purpose
# shellcheck disable=SC2317  # functions called through check look unreachable to shellcheck
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
# ZENTA_PPD names another copy of the PPD to check (the driver package's).
ppd=${ZENTA_PPD:-$root/ppd/zenta.ppd}
pscheck=$root/scripts/ps-check.sh

source "$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/check.sh"

if ! command -v gs >/dev/null; then
  echo "FAIL Ghostscript (gs) is not installed"; failed=1; finish
fi
work=$(mktemp -d "${TMPDIR:-/tmp}/ppd_check.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT

# The page sizes of the plug-in's PageSize option keywords, in points.
sizes="A3 842 1191
A4 595 842
A5 420 595
A6 297 420
QVB4 729 1032
QVB5 516 729
QVB6 363 516
QVISOB4 709 1001
QVISOB5 499 709
QVISOB6 354 499
QVPostcard 284 419
SRA3 907 1276
SRA4 638 907
QVTabloid 792 1224
QVTabloidExtra 864 1296
QV13x19 936 1368
9x11 648 792
Legal 612 1008
8x13 576 936
Letter 612 792
QVStatement 396 612
8K 765 1106
16K 553 765
QVA4Tab1 631 842
QVA4Tab2 638 842
QVLetterTab 648 792"

# --- PPD structure ---------------------------------------------------------------------------

# Prints one line per structural fault: lines over 255 bytes, *OpenUI without its *CloseUI (or
# nested), a UI block without *Default or *OrderDependency, a value with a double quote inside,
# a multi-line value without *End after it.
structure_faults() {
  awk '
    function fault(msg) { print "line " NR ": " msg }
    { sub(/\r$/, "") }
    length($0) > 255 { fault("longer than 255 bytes") }
    in_value {
      n = gsub(/"/, "\"")
      if (n == 0) next
      if (n > 1) fault("double quote inside a value")
      in_value = 0; want_end = 1; next
    }
    want_end { want_end = 0; if ($0 == "*End") next; fault("multi-line value not followed by *End") }
    /^\*%/ || !/^\*/ { next }
    {
      n = gsub(/"/, "\"")
      if (n == 1) in_value = 1
      else if (n > 2) fault("double quote inside a value")
    }
    /^\*OpenUI / {
      if (ui != "") fault("*OpenUI inside the block of " ui)
      ui = $2; sub(/\/.*/, "", ui); sub(/:$/, "", ui); has_default = has_order = 0
      next
    }
    /^\*CloseUI:/ {
      if ($2 != ui) fault("*CloseUI " $2 " closes " (ui == "" ? "no block" : ui))
      else {
        if (!has_default) fault(ui " has no *Default")
        if (!has_order) fault(ui " has no *OrderDependency")
      }
      ui = ""; next
    }
    ui != "" && index($0, "*Default" substr(ui, 2) ":") == 1 { has_default = 1 }
    ui != "" && /^\*OrderDependency:/ && $NF == ui { has_order = 1 }
    END {
      if (ui != "") print "end: " ui " is not closed"
      if (in_value) print "end: a value is not closed"
      if (want_end) print "end: the last value has no *End"
    }
  ' "$1"
}
faults=$(structure_faults "$ppd")
check "PPD structure: UI blocks closed, values quoted, *End after multi-line values" same "" "$faults"

# A faulty copy shows that the structure check finds faults.
sed -e '/^\*CloseUI: \*Resolution/d' -e '0,/^\*End$/{/^\*End$/d}' \
  -e 's/^\(\*QWOutputMethod Hold\/Hold: "\)/\1"/' "$ppd" >"$work/broken.ppd"
faults=$(structure_faults "$work/broken.ppd")
check "structure check: finds the missing *CloseUI" grep -q 'OpenUI inside the block of \*Resolution' <<<"$faults"
check "structure check: finds the missing *End" grep -q 'not followed by \*End' <<<"$faults"
check "structure check: finds a quote inside a value" grep -q 'double quote inside' <<<"$faults"

check "PPD header keywords" bash -c '
  for k in "*PPD-Adobe: \"4.3\"" "*FormatVersion: \"4.3\"" "*LanguageVersion: English" \
    "*LanguageEncoding: ISOLatin1" "*PCFileName: \"ZENTA.PPD\"" "*Manufacturer: \"Zenta\"" \
    "*ModelName: \"Zenta Production Printer\"" "*ColorDevice: True" "*DefaultColorSpace: CMYK" \
    "*LanguageLevel: \"3\"" "*TTRasterizer: Type42" "*DefaultResolution: 600dpi" \
    "*CustomPageSize True: \"pop pop pop" "*DefaultQWOutputMethod: Print"; do
    grep -qxF "$k" "$1" || { echo "     missing: $k"; exit 1; }
  done' _ "$ppd"
check "PPD has no JCL keywords" bash -c '! grep -q "^\*JCL" "$1"' _ "$ppd"

# Every page size keyword in the four tables, with its size.
table_rows() {  # table_rows <main keyword>: "<option> <values>" per option
  sed -n "s|^\*$1 \([^/:]*\)[^\"]*\"\([^\"]*\)\".*|\1 \2|p" "$ppd"
}
paper=$(table_rows PaperDimension)
check "PaperDimension: the 26 sizes" same "$sizes" "$paper"
# A page size option names itself to Zenta_P5, or sets its size where the procedures are missing.
page_size_code='s|^\([^ ]*\) /\1 userdict /ZTQVFeatures known {ZTQVFeatures /Zenta_P5 known} {false} ifelse '
page_size_code+='{ZTQVFeatures /Zenta_P5 get exec} {pop << /PageSize \[\([0-9]*\) \([0-9]*\)\] /ImagingBBox null >> '
page_size_code+='setpagedevice} ifelse$|\1 \2 \3|'
pagesize=$(table_rows PageSize | sed "$page_size_code")
check "PageSize: the 26 sizes, each through Zenta_P5 by its own name" same "$sizes" "$pagesize"
pageregion=$(table_rows PageRegion | sed "$page_size_code")
check "PageRegion: the 26 sizes, each through Zenta_P5 by its own name" same "$sizes" "$pageregion"
area=$(table_rows ImageableArea | awk '{ print $1, $4 + 12, $5 + 12 }')
check "ImageableArea: the 26 sizes, 12 points inside every edge" same "$sizes" "$area"
corners=$(table_rows ImageableArea | awk '{ print $2, $3 }' | sort -u)
check "ImageableArea: lower left corner 12 12 for all" same "12 12" "$corners"

# The quoted value of one option: invocation <main keyword> <option>.
invocation() {
  awk -v head="*$1 $2" '
    { sub(/\r$/, "") }
    !inside {
      if (index($0, head "/") != 1 && index($0, head ":") != 1) next
      text = substr($0, index($0, "\"") + 1)
      if ((e = index(text, "\"")) > 0) { print substr(text, 1, e - 1); exit }
      print text; inside = 1; next
    }
    (e = index($0, "\"")) > 0 { if (e > 1) print substr($0, 1, e - 1); exit }
    { print }
  ' "$ppd"
}
procs=$(invocation ZTQVProcedures Installed)
check "procedures: invocation found" test "$(wc -l <<<"$procs")" -gt 20
check "procedures: no comment or DSC line inside" bash -c '! grep -q "%" <<<"$1"' _ "$procs"
check "procedures: a document setup feature" grep -qx '\*OrderDependency: 5 DocumentSetup \*ZTQVProcedures' "$ppd"

# The job origin features: one option each, sent in the document setup after the procedures and
# before the page size (the tab sheets the plug-in splices into a job keep exactly these).
for f in "QWOpCreator Zenta 6 ZTQVOpCreator" "QWOpPPDVersion 1.0 7 ZTQVOpPPDVersion"; do
  read -r key option order entry <<<"$f"
  check "$key: one option, $option, the default" bash -c '
    [[ $(grep -c "^\*$2 " "$1") -eq 1 ]] && grep -qx "\*Default$2: $3" "$1" && grep -q "^\*OpenUI \*$2/" "$1" &&
      grep -qx "\*CloseUI: \*$2" "$1"' _ "$ppd" "$key" "$option"
  check "$key: document setup, order $order" grep -qx "\\*OrderDependency: $order DocumentSetup \\*$key" "$ppd"
  out=$(gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=nullpage \
    -c "$(invocation "$key" "$option") ZTQVFeatures /$entry get == count ==" 2>&1)
  check "$key $option: records ZTQVFeatures /$entry" same "($option)
0" "$out"
done

# --- The job as the driver and the plug-in write it -------------------------------------------

crlf() { sed 's/$/\r/'; }
call() {  # call <procedure> [arguments]: the plug-in's guarded call
  local args=${2:+$2 }
  echo "ZTQVFeatures /$1 known { ${args}ZTQVFeatures /$1 get exec } if"
}
create() { echo "userdict /ZTQVFeatures known not { userdict /ZTQVFeatures 100 dict put } if"; }
feature() {  # feature <main keyword> <option> <code>: one feature as the driver sends it
  printf '[{\n%%%%BeginFeature: *%s %s\n%s\n%%%%EndFeature\n} stopped cleartomark\n' "$1" "$2" "$3"
}
nup_block() {  # nup_block <HiResPageSize> <HiResPageSizePpdPt>
  create
  echo "ZTQVFeatures /HiResPageSize $1 put"
  echo "ZTQVFeatures /HiResPageSizePpdPt $2 put"
  echo "ZTQVFeatures /ZTQVTolerance 1 put"
  echo "ZTQVFeatures /PageOrient (Port) put"
  echo "ZTQVFeatures /ZTQVPdNup /None put"
  call Zenta_NupP5 "$1 (Port) /None"
}
page() {  # page <number> <HiResPageSize> <HiResPageSizePpdPt> <paper argument>
  echo "%%Page: $1 $1"
  echo "%%BeginPageSetup"
  echo "userdict /pagesave save put"
  create
  call Zenta_P4
  nup_block "$2" "$3"
  call Zenta_P8 "$4"
  echo "%%EndPageSetup"
  echo "clippath pathbbox newpath /ury exch def /urx exch def /lly exch def /llx exch def"
  echo "0 0 1 0 setcmykcolor 4 setlinewidth"
  echo "llx lly moveto urx lly lineto urx ury lineto llx ury lineto closepath stroke"
  echo "llx lly moveto urx ury lineto stroke"
  echo "36 36 moveto 144 0 rlineto 0 144 rlineto -144 0 rlineto closepath 0 1 1 0 setcmykcolor fill"
  echo "/Helvetica findfont 72 scalefont setfont 0 setgray 72 300 moveto (Page $1) show"
  echo "showpage"
  echo "userdict /pagesave get restore"
  echo "%%PageTrailer"
  echo ""
  call Zenta_NupP3
  echo "%%ZENTAPAGETRAILER%%"
}
job() {  # job with|without: the PostScript of a three-page job, with or without the procedures
  echo "%!PS-Adobe-3.0"
  echo "%%Title: ppd check"
  echo "%%Pages: 3"
  echo "%%EndComments"
  echo "%%BeginProlog"
  echo "%%EndProlog"
  echo "%%BeginSetup"
  [[ $1 == with ]] && feature ZTQVProcedures Installed "$procs"
  feature QWOutputMethod HoldPrint "$(invocation QWOutputMethod HoldPrint)"
  create
  echo "ZTQVFeatures /PDVersion (3.0.326:0x1234ABCD) put"
  echo "ZTQVFeatures /ZENTAPDOS (WinNT5) put"
  nup_block "[595.2756 841.8898]" "[595 842]"
  create
  echo "ZTQVFeatures /Zenta_V11 <25255A454E544150414745545241494C45522525> put"
  call Zenta_NupP0
  echo "%%EndSetup"
  page 1 "[595.2756 841.8898]" "[595 842]" /A4
  page 2 "[728.5039 1031.811]" "[729 1032]" /QVB4
  page 3 "[595.2756 841.8898]" "[595 842]" "[21000 29700]"
  echo "%%Trailer"
  call Zenta_P6
  [[ $1 == with ]] && echo "(state: ) print ZTQVFeatures dup /ZTQVOutputMethod get =only ( ) print \
dup /ZTQVPageCount get =only ( ) print /ZTQVSideCount get ="
  echo "%%EOF"
}
prn() {  # prn with|without: the spool file, PJL around the PostScript
  printf '\033%%-12345X@PJL\r\n@PJL SET STRINGCODESET=UTF8\r\n@PJL SET JOBNAME="ppd check"\r\n'
  printf '@PJL ENTER LANGUAGE = POSTSCRIPT\r\n'
  job "$1" | crlf
  printf '\033%%-12345X'
}
prn with >"$work/with.prn"
prn without >"$work/without.prn"
job with | crlf >"$work/with.ps"

expected_trace="Zenta_NupP5 page=0 [595.28 841.89] (Port) /None cells=1
Zenta_NupP0 page=0 /None cells=1
Zenta_P4 page=1
Zenta_NupP5 page=1 [595.28 841.89] (Port) /None cells=1
Zenta_P8 page=1 /A4 size=595x842
Zenta_NupP3 page=1 cell=1/1 side=1
Zenta_P4 page=2
Zenta_NupP5 page=2 [728.5 1031.81] (Port) /None cells=1
Zenta_P8 page=2 /QVB4 size=729x1032
Zenta_NupP3 page=2 cell=1/1 side=2
Zenta_P4 page=3
Zenta_NupP5 page=3 [595.28 841.89] (Port) /None cells=1
Zenta_P8 page=3 [21000 29700] size=595.28x841.89
Zenta_NupP3 page=3 cell=1/1 side=3
Zenta_P6 page=3 sides=3
state: HoldPrint 3 3"
out=$("$pscheck" "$work/with.prn" --trace 2>&1); rc=$?
check "job with the procedures: Ghostscript reports no error" test "$rc" -eq 0
check "job with the procedures: the trace lines" same "$expected_trace" "$out"
for n in 1 2 3; do
  got=$(awk -v n="page=$n" '$2 == n' <<<"$out")
  want=$(awk -v n="page=$n" '$2 == n' <<<"$expected_trace")
  check "job with the procedures: the trace of page $n" same "$want" "$got"
done
out=$("$pscheck" "$work/with.prn" 2>&1); rc=$?
check "job with the procedures, no trace: silent and no error" same "0 state: HoldPrint 3 3" "$rc $out"

out=$("$pscheck" "$work/without.prn" --trace 2>&1); rc=$?
check "job without the procedures: Ghostscript reports no error" test "$rc" -eq 0
check "job without the procedures: the guards skip every call" same "" "$out"

# --- Rendered page sizes -----------------------------------------------------------------------

png_size() {  # png_size <file>: "<width> <height>" from the PNG header
  od -An -tu1 -j16 -N8 "$1" |
    awk '{ print $1 * 16777216 + $2 * 65536 + $3 * 256 + $4, $5 * 16777216 + $6 * 65536 + $7 * 256 + $8 }'
}
near() {  # near <width px> <width points*100> <height px> <height points*100>: at 10 dpi, within a pixel
  awk -v w="$1" -v wp="$2" -v h="$3" -v hp="$4" 'BEGIN {
    dw = w - wp / 100 * 10 / 72; dh = h - hp / 100 * 10 / 72
    exit !(dw <= 1 && dw >= -1 && dh <= 1 && dh >= -1) }'
}
(cd "$work" && gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=png16m -r10 -o page%d.png with.ps) >"$work/render.txt" 2>&1
check "rendering at 10 dpi: three pages, no error" \
  bash -c '[[ -f $1/page3.png && ! -f $1/page4.png ]] && ! grep -q "Error:" "$1/render.txt"' _ "$work"
for p in "1 59500 84200 A4" "2 72900 103200 B4 (JIS)" "3 59528 84189 210x297 mm"; do
  read -r n w h name <<<"$p"
  read -r pw ph < <(png_size "$work/page$n.png" 2>/dev/null || echo "0 0")
  check "page $n is $name: ${pw}x$ph pixels" near "$pw" "$w" "$ph" "$h"
done

# --- Output method invocations ------------------------------------------------------------------

for opt in Print HoldPrint Hold; do
  code=$(invocation QWOutputMethod "$opt")
  {
    echo "%!PS"
    echo "$code"
    echo "ZTQVFeatures /ZTQVOutputMethod get =="
    echo "ZTQVFeatures /ZTQVOutputMethod undef"
    echo "ZTQVFeatures /ZTQVPlugInSettings {"
    echo "$code"
    echo "} bind executeonly put"
    echo "ZTQVFeatures /ZTQVOutputMethod known =="
    echo "ZTQVFeatures /ZTQVPlugInSettings get exec ZTQVFeatures /ZTQVOutputMethod get =="
    echo "count =="
  } >"$work/method.ps"
  out=$(gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=nullpage -f "$work/method.ps" 2>&1)
  check "QWOutputMethod $opt: sets /$opt, also inside ZTQVPlugInSettings" same "/$opt
false
/$opt
0" "$out"
done

# --- The procedures' table and the PPD agree ----------------------------------------------------

{
  echo "%!PS"
  echo "$procs"
  echo "ZTQVFeatures /ZTQVProcSet get /ZTQVSizes get { exch =only ( ) print { =only ( ) print } forall () = } forall"
} >"$work/table.ps"
out=$(gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=nullpage -f "$work/table.ps" 2>&1 | sed 's/ $//' | sort)
check "Zenta_P8's page size table equals PaperDimension" same "$(sort <<<"$sizes")" "$out"

{
  echo "%!PS"
  echo "500 700 0 0 0"
  invocation CustomPageSize True
  echo "currentpagedevice /PageSize get dup 0 get round cvi =only ( ) print 1 get round cvi =only ( ) print count ="
} >"$work/custom.ps"
out=$(gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=nullpage -f "$work/custom.ps" 2>&1)
check "CustomPageSize: width 500 height 700 sets the page, takes its five arguments" same "500 700 0" "$out"

# --- What the tab printing procedures read ----------------------------------------------------

# Zenta_V18: every page size with the margins of its body; Zenta_V19: the tab pages and the pages
# that have tab stock; the page values of the default page until a page is set.
{
  echo "%!PS"
  echo "$procs"
  echo "ZTQVFeatures /Zenta_V18 get { exch =only ( ) print aload pop exch { =only ( ) print } forall"
  echo "  { =only ( ) print } forall () = } forall"
} >"$work/v18.ps"
out=$(gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=nullpage -f "$work/v18.ps" 2>&1 | sed 's/ $//' | sort)
check "Zenta_V18: the 26 sizes of PaperDimension, margins 12 12 12 12" \
  same "$(sort <<<"$sizes" | sed 's/$/ 12 12 12 12/')" "$out"
{
  echo "%!PS"
  echo "$procs"
  echo "ZTQVFeatures /Zenta_V19 get { exch ==only ( ) print == } forall"
  echo "[/Zenta_V8 /ZTQVFullBleed /ZTQVTPname /ZTQVPSname /PageSize /PSMargins /PSTab /PSCustom]"
  echo "{ dup =only ( ) print ZTQVFeatures exch get == } forall"
} >"$work/v19.ps"
out=$(gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=nullpage -f "$work/v19.ps" 2>&1 | sort)
check "Zenta_V19 and the page values of the default page" same "/A4 [/QVA4Tab1 /LEF 36]
/Letter [/QVLetterTab /LEF 36]
/QVA4Tab1 [/QVA4Tab1 /LEF 36]
/QVA4Tab2 [/QVA4Tab2 /LEF 43]
/QVLetterTab [/QVLetterTab /LEF 36]
PSCustom false
PSMargins [12 12 12 12]
PSTab [/QVA4Tab1 /LEF 36]
PageSize [595 842]
ZTQVFullBleed false
ZTQVPSname /A4
ZTQVTPname /Default
Zenta_V8 [0 0 1 0 0]" "$out"
{
  echo "%!PS"
  echo "userdict /ZTQVFeatures 10 dict dup /ZTQVPSname /QVB5 put dup /Zenta_V8 [1 2 3 4 5] put put"
  echo "$procs"
  echo "ZTQVFeatures dup /ZTQVPSname get == dup /Zenta_V8 get == /PageSize known =="
} >"$work/kept.ps"
out=$(gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=nullpage -f "$work/kept.ps" 2>&1)
check "the page values already there stay" same "/QVB5
[1 2 3 4 5]
false" "$out"

# Every PageSize option, with the procedures: the page is set and recorded; without: only set.
{
  echo "%!PS"
  echo "/show-page { ZTQVFeatures dup /ZTQVPSname get ==only ( ) print /PageSize get { =only ( ) print } forall"
  echo "  currentpagedevice /PageSize get { round cvi =only ( ) print } forall () = } def"
  echo "$procs"
  while read -r name _; do
    invocation PageSize "$name"
    echo "show-page"
  done <<<"$sizes"
} >"$work/pages.ps"
out=$(gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=nullpage -f "$work/pages.ps" 2>&1 | sed 's/ $//')
check "PageSize through Zenta_P5: every page set and recorded" same \
  "$(awk '{ print "/" $1, $2, $3, $2, $3 }' <<<"$sizes")" "$out"
{
  echo "%!PS"
  while read -r name _; do
    invocation PageRegion "$name"
    echo "(/$name) print currentpagedevice /PageSize get { ( ) print round cvi =only } forall () ="
  done <<<"$sizes"
  echo "userdict /ZTQVFeatures known =="
} >"$work/regions.ps"
out=$(gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=nullpage -f "$work/regions.ps" 2>&1)
check "PageRegion without the procedures: every page set, nothing recorded" same \
  "$(awk '{ print "/" $1, $2, $3 }' <<<"$sizes")
false" "$out"

# Zenta_P5 on a name, on the array the tab procedures keep, and on odd input; Zenta_P8 records too.
{
  echo "%!PS"
  echo "$procs"
  echo "userdict /ZentaTrace true put"
  echo "/chk { count 0 ne { (stack not empty: ) print count == clear } if } def"
  echo "/rec { ZTQVFeatures dup /ZTQVPSname get ==only ( ) print dup /PageSize known { dup /PageSize get"
  echo "  ==only } { (-) print } ifelse ( ) print dup /PSTab known { dup /PSTab get ==only } { (-) print } ifelse"
  echo "  ( ) print /PSCustom known { ZTQVFeatures /PSCustom get =only } { (-) print } ifelse"
  echo "  ( size ) print currentpagedevice /PageSize get { round cvi =only ( ) print } forall () = } def"
  call Zenta_P5 /QVA4Tab2; echo "chk rec"
  call Zenta_P5 "[[612 792] [12 12 12 12] null false]"; echo "chk rec"
  call Zenta_P5 "[null null null null]"; echo "chk rec"
  call Zenta_P5 /Bogus; echo "chk rec"
  call Zenta_P5 "(A4)"; echo "chk rec"
  call Zenta_P5 "[1 2]"; echo "chk rec"
  call Zenta_P8 /QVLetterTab; echo "chk rec"
  call Zenta_P8 "[21000 29700]"; echo "chk rec"
  call Zenta_P8 /None; echo "chk rec"
} >"$work/p5.ps"
out=$(gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=nullpage -f "$work/p5.ps" 2>&1 | sed 's/ $//')
check "Zenta_P5 and Zenta_P8: the trace and the page recorded" same \
"Zenta_P5 page=0 /QVA4Tab2 size=638x842
/QVA4Tab2 [638 842] [/QVA4Tab2 /LEF 43] false size 638 842
Zenta_P5 page=0 [[612 792] [12 12 12 12] null false] size=612x792
/QVA4Tab2 [612 792] - false size 612 792
Zenta_P5 page=0 [null null null null] keep
/QVA4Tab2 - - - size 612 792
Zenta_P5 page=0 /Bogus unknown
/QVA4Tab2 - - - size 612 792
Zenta_P5 page=0 (A4) bad
/QVA4Tab2 - - - size 612 792
Zenta_P5 page=0 [1 2] bad
/QVA4Tab2 - - - size 612 792
Zenta_P8 page=0 /QVLetterTab size=648x792
/QVLetterTab [648 792] [/QVLetterTab /LEF 36] false size 648 792
Zenta_P8 page=0 [21000 29700] size=595.28x841.89
/Custom [595.275574 841.889771] - true size 595 842
Zenta_P8 page=0 /None keep
/Custom [595.275574 841.889771] - true size 595 842" "$out"

# --- Odd and missing input ------------------------------------------------------------------

{
  echo "%!PS"
  echo "$procs"
  echo "userdict /ZentaTrace true put"
  echo "/chk { count 0 ne { (stack not empty: ) print count == clear } if } def"
  call Zenta_NupP0; echo chk
  call Zenta_P4; echo chk
  call Zenta_NupP5 "(x) 5 (y)"; echo chk
  call Zenta_NupP5 "[612 792.004] (Land) /4f"; echo chk
  call Zenta_P8 "/None"; echo chk
  call Zenta_P8 "/Bogus"; echo chk
  call Zenta_P8 "(A4)"; echo chk
  call Zenta_P8 "[1 2 3]"; echo chk
  call Zenta_P8 "[0 100]"; echo chk
  call Zenta_P8 "[27940 43180]"; echo chk
  echo "(size now: ) print currentpagedevice /PageSize get dup 0 get round cvi =only ( ) print 1 get round cvi ="
  for _ in 1 2 3 4 5; do call Zenta_NupP3; echo chk; done
  call Zenta_P6; echo chk
  echo "(counts: ) print ZTQVFeatures dup /ZTQVPageCount get =only ( ) print /ZTQVSideCount get ="
  echo "userdict /ZentaTrace (yes) put"
  call Zenta_P4; call Zenta_P6; echo chk
  echo "ZTQVFeatures /ZTQVPdNup /9r put ZTQVFeatures /ZTQVNupLayout (x) put"
  echo "userdict /ZentaTrace true put"
  call Zenta_NupP0; echo chk
} >"$work/odd.ps"
out=$(gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=nullpage -f "$work/odd.ps" 2>&1)
check "procedures on odd and missing input: the trace, nothing left on the stack" same \
"Zenta_NupP0 page=0 /None cells=1
Zenta_P4 page=1
Zenta_NupP5 page=1 (x) 5 (y) cells=1
Zenta_NupP5 page=1 [612 792] (Land) /4f cells=4
Zenta_P8 page=1 /None keep
Zenta_P8 page=1 /Bogus unknown
Zenta_P8 page=1 (A4) bad
Zenta_P8 page=1 [1 2 3] bad
Zenta_P8 page=1 [0 100] bad
Zenta_P8 page=1 [27940 43180] size=792x1224
size now: 792 1224
Zenta_NupP3 page=1 cell=1/4 side=1
Zenta_NupP3 page=1 cell=2/4 side=1
Zenta_NupP3 page=1 cell=3/4 side=1
Zenta_NupP3 page=1 cell=4/4 side=1
Zenta_NupP3 page=1 cell=1/4 side=2
Zenta_P6 page=1 sides=2
counts: 1 2
Zenta_NupP0 page=0 /9r cells=9" "$out"

# --- ps-check.sh itself ---------------------------------------------------------------------

printf '\033%%-12345X@PJL\r\n@PJL ENTER LANGUAGE = POSTSCRIPT\r\n%%!PS\r\n/x nosuchname\r\n\033%%-12345X' \
  >"$work/error.prn"
out=$("$pscheck" "$work/error.prn" 2>&1); rc=$?
check "ps-check: a PostScript error fails and is shown" \
  bash -c '[[ $1 -ne 0 ]] && grep -q "Error: /undefined in nosuchname" <<<"$2"' _ "$rc" "$out"
printf '@PJL INFO STATUS\r\n' >"$work/nops.prn"
"$pscheck" "$work/nops.prn" >/dev/null 2>&1; rc=$?
check "ps-check: a job without PostScript fails" test "$rc" -ne 0
"$pscheck" >/dev/null 2>&1; rc=$?
check "ps-check: usage error exits 2" test "$rc" -eq 2

finish
