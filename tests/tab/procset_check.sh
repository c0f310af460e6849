#!/usr/bin/env bash
# The tab printing procedure set and the tab page texts, run by Ghostscript.
#
# Each job loads the procedure set through the block the plug-in delivers (hex strings and the
# loader, which writes, runs through eexec and deletes Zenta_file), defines ZTQVFeatures with
# sample tab page data and a Zenta_P5 that sets the page size, and calls Zenta_TP1 before each
# document page and after the last one, as the printer's page procedures do. The pages are
# rendered at 50 dpi and read back: page sizes, ink inside the nose box of a tab position, ink
# kept off the nose, colour, the centring of a three-line text and of vertical columns in a
# Japan1 CID font, short-edge noses on portrait and landscape pages. A last job runs a printed tab
# through the tab file service's texts (save, no-erase, the tab sheet, restore) and the page
# device restore text, and checks that the document's state is back.
#
# Usage: procset_check.sh DUMP
#   DUMP is the tab_text_dump program (tests/tab/tab_text_dump.cpp), which prints the texts.
# Prints one line per check and last "<passed> passed, <failed> failed"; exits non-zero when a
# check failed. KEEP=1 keeps the rendered pages (the directory is printed).
# shellcheck disable=SC2317  # functions called through check look unreachable to shellcheck
# shellcheck disable=SC2129  # the service job is put together piece by piece, in stream order
set -uo pipefail

source "$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/check.sh"

dump=${1:-}
if [[ -z $dump || ! -x $dump ]]; then
  echo "usage: $(basename "$0") DUMP   (the tab_text_dump program)" >&2
  exit 2
fi
for tool in gs python3; do
  command -v "$tool" >/dev/null || { echo "FAIL $tool is not installed"; failed=1; finish; }
done
work=$(mktemp -d "${TMPDIR:-/tmp}/procset_check.XXXXXX") || exit 1
if [[ ${KEEP:-0} == 1 ]]; then echo "pages kept in $work"; else trap 'rm -rf "$work"' EXIT; fi

"$dump" procset >"$work/procset.ps" || { echo "FAIL $dump procset"; failed=1; finish; }
for text in erase-wrapper page-save-release end-of-page-setup page-device-restore qxp-fix-call; do
  "$dump" "$text" >"$work/$text.ps" || { echo "FAIL $dump $text"; failed=1; finish; }
done
"$dump" qxp1tab true >"$work/qxp1tab.ps" || { echo "FAIL $dump qxp1tab"; failed=1; finish; }

# ---------------------------------------------------------------------------------------------
# The page reader: page size and ink of a rectangle given in points (origin bottom left).
cat >"$work/page.py" <<'EOF'
import sys

def load(path):
    data = open(path, 'rb').read()
    fields, at = [], 0
    while len(fields) < 4:
        while data[at:at + 1].isspace():
            at += 1
        if data[at:at + 1] == b'#':
            at = data.index(b'\n', at)
            continue
        end = at
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[at:end])
        at = end
    assert fields[0] == b'P6' and fields[3] == b'255'
    return int(fields[1]), int(fields[2]), data[at + 1:]

SCALE = 50 / 72
width, height, pixels = load(sys.argv[1])
what = sys.argv[2]

def box(args):
    # whole pixels inside the rectangle, one pixel in from each edge
    x, y, w, h = (float(a) for a in ' '.join(args).split())
    x0, x1 = int(x * SCALE) + 1, int((x + w) * SCALE) - 1
    y0, y1 = int(y * SCALE) + 1, int((y + h) * SCALE) - 1
    return [(i, height - 1 - j) for j in range(max(y0, 0), min(y1, height)) for i in range(max(x0, 0), min(x1, width))]

def rgb(p):
    i, j = p
    at = 3 * (j * width + i)
    return pixels[at], pixels[at + 1], pixels[at + 2]

def inked(p):
    return min(rgb(p)) < 160

if what == 'size':
    print(width, height)
elif what == 'ink':  # count of inked pixels and of all pixels
    cells = box(sys.argv[3:])
    print(sum(1 for p in cells if inked(p)), len(cells))
elif what == 'red':  # count of red pixels
    cells = box(sys.argv[3:])
    print(sum(1 for p in cells if rgb(p)[0] > 150 and rgb(p)[1] < 110 and rgb(p)[2] < 110))
elif what == 'grey':  # count of light grey pixels (the document's fill)
    cells = box(sys.argv[3:])
    print(sum(1 for p in cells if all(190 <= c <= 235 for c in rgb(p))))
elif what == 'centre':  # centre of the inked pixels' bounding box, in points, and its height
    cells = [p for p in box(sys.argv[3:]) if inked(p)]
    if not cells:
        print('none')
    else:
        xs = [p[0] for p in cells]
        ys = [height - 1 - p[1] for p in cells]
        cx = (min(xs) + max(xs) + 1) / 2 / SCALE
        cy = (min(ys) + max(ys) + 1) / 2 / SCALE
        print('%.1f %.1f %.1f' % (cx, cy, (max(ys) - min(ys) + 1) / SCALE))
EOF
page() { python3 "$work/page.py" "$@"; }

# ---------------------------------------------------------------------------------------------
# The job pieces.
#
# Tab pages: QVA4Tab1 is an A4 sheet with a 37-point nose on the long edge (632 x 842),
# QVA4Tab2 one with the nose on the short edge (595 x 879). A4 pages map to QVA4Tab1.
cat >"$work/features.ps" <<'EOF'
userdict /ZTQVFeatures 100 dict put
ZTQVFeatures begin
/Zenta_V18 << /QVA4Tab1 [[632 842] [12 12 12 12]] /QVA4Tab2 [[595 879] [12 12 12 12]] >> def
/Zenta_V19 << /QVA4Tab1 [/QVA4Tab1 /LEF 37] /QVA4Tab2 [/QVA4Tab2 /SEF 37] /A4 [/QVA4Tab1 /LEF 37] >> def
/Zenta_V8 [0 0 1 0 0] def
/ZTQVPSname /A4 def
/ZTQVTPname /A4 def
/ZTQVPaperSize /A4 def
/TPCS [595 842] def
/PageSize [595 842] def
/PSMargins [12 12 12 12] def
/PSTab 0 def
/PSCustom false def
/PageOrient (Port) def
% the printer's page size procedure: a page name (recorded as ZTQVPSname) or
% [PageSize PSMargins PSTab PSCustom]
/Zenta_P5 {
  (P5 ) print dup ==
  dup type /nametype eq { ZTQVFeatures /ZTQVPSname 2 index put } if
  dup type /arraytype eq { 0 get } {
    dup /A4 eq { pop [595 842] } { ZTQVFeatures /Zenta_V18 get exch get 0 get } ifelse
  } ifelse
  << /PageSize 3 -1 roll >> setpagedevice
} bind def
end
<< /PageSize [595 842] >> setpagedevice
% the page size as "WxH", whole points
/PrSize { currentpagedevice /PageSize get aload pop round cvi exch round cvi =only (x) print =only } def
% one document page: a light grey fill over more than the whole page, a black frame
/DocPage {
  ZentaTABdict /Zenta_TP1 get exec
  (TP1 page=) print globaldict /TABpagecount get =only
  ( TABcount=) print ZentaTABdict /TABcount get =only
  ( size=) print PrSize ( name=) print ZTQVFeatures /ZTQVPSname get ==
  gsave 0.85 setgray -100 -100 900 1100 rectfill grestore
  gsave 0 setgray 4 setlinewidth 100 100 395 642 rectstroke grestore
  showpage
} def
/AfterLast {
  ZentaTABdict /Zenta_TP1 get exec
  (TP1 page=) print globaldict /TABpagecount get =only
  ( TABcount=) print ZentaTABdict /TABcount get == flush
} def
% layout sets: 0 LEF, text along the tab; 1 SEF, bold; 2 LEF, three lines across; 3 unknown page
/TabSets {
  ZentaTABdict begin
  /TABsets_pagesize [/QVA4Tab1 /QVA4Tab2 /QVA4Tab1 /NoSuchTab] def
  /TABsets_tabs [5 3 5 5] def
  /TABsets_topspace [36 24 36 36] def
  /TABsets_bottomspace [36 24 36 36] def
  /TABsets_height [120 150 120 120] def
  /TABsets_orient [90 0 0 90] def
  /TABsets_direct [(LR) (LR) (LR) (LR)] def
  /TABsets_pos [(Center) (Center) (Center) (Top)] def
  /TABsets_textpos [0 0 0 0] def
  /TABsets_fontsize [14 10 9 14] def
  /TABsets_fontitalic [false false false true] def
  /TABsets_fontbold [false true false 0] def
  /TABsets_linespace [1.2 1.2 1.2 1.2] def
  /TABsets_fontname [/Helvetica /Helvetica-Bold (Times-Roman) /Helvetica] def
  end
} def
EOF

# The nose box of position P on the LEF sheet (5 tabs of 120 points, 36 above and below:
# gap 42.5), as "x y w h" in points.
lef_box() { python3 -c "t = 842 - 36 - $1 * 162.5; print(632 - 37, t - 120, 37, 120)"; }
# The nose box of position P on the SEF sheet (3 tabs of 150, 24 above and below: gap 48.5),
# at the bottom of the portrait page.
sef_box() { python3 -c "t = 595 - 24 - $1 * 198.5; print(t - 150, 0, 150, 37)"; }

# run_job NAME: runs $work/NAME.ps (procset block + features + the job's own text), pages to
# $work/NAME-<n>.ppm, Ghostscript's output to $work/NAME.out. Fails on an error or a leftover
# operand.
run_job() {
  local name=$1
  (cd "$work" && gs -q -dNOPAUSE -dBATCH -dSAFER --permit-file-all=Zenta_file -sDEVICE=ppmraw -r50 \
    -sOutputFile="$name-%d.ppm" -f "$name.ps" -c "(operands=) print count == flush") >"$work/$name.out" 2>&1
  local rc=$?
  if ((rc != 0)) || grep -q 'Error' "$work/$name.out"; then
    sed 's/^/     /' "$work/$name.out" | head -n 20
    return 1
  fi
  if [[ -e $work/Zenta_file ]]; then echo "     Zenta_file left behind"; return 1; fi
  grep -qx 'operands=0' "$work/$name.out" || { grep 'operands=' "$work/$name.out" | sed 's/^/     /'; return 1; }
}
make_job() {  # make_job NAME < job text
  { cat "$work/procset.ps" "$work/features.ps"; cat; } >"$work/$1.ps"
}
pages() { find "$work" -maxdepth 1 -name "$1-*.ppm" | wc -l | tr -d ' '; }
trace() { grep -E '^(TP1|P5|CHECK)' "$work/$1.out"; }
ink_count() { local n; read -r n _ < <(page "$1" ink "$2"); echo "$n"; }
has_ink() { (($(ink_count "$1" "$2") > 0)); }
no_ink() { (($(ink_count "$1" "$2") == 0)); }
size_is() { same "$2" "$(page "$1" size)"; }
A4=$(python3 -c 'print(int(595 * 50 / 72 + 0.5), int(842 * 50 / 72 + 0.5))')
TAB1=$(python3 -c 'print(int(632 * 50 / 72 + 0.5), int(842 * 50 / 72 + 0.5))')
TAB2=$(python3 -c 'print(int(595 * 50 / 72 + 0.5), int(879 * 50 / 72 + 0.5))')

# ---------------------------------------------------------------------------------------------
# 1. No tab data: Zenta_TP1 only counts pages. A second load keeps the first.
make_job notabs <<'EOF'
ZentaTABdict /TABcount 7 put
EOF
cat "$work/procset.ps" >>"$work/notabs.ps"
cat >>"$work/notabs.ps" <<'EOF'
(CHECK second load keeps TABcount=) print ZentaTABdict /TABcount get ==
(CHECK pagenumbers=) print ZentaTABdict /TABpagenumbers get ==
ZentaTABdict /TABcount 0 put
DocPage DocPage AfterLast
EOF
check "no tabs: runs without error" run_job notabs
check "no tabs: counts pages only" same "CHECK second load keeps TABcount=7
CHECK pagenumbers=[]
TP1 page=1 TABcount=0 size=595x842 name=/A4
TP1 page=2 TABcount=0 size=595x842 name=/A4
TP1 page=3 TABcount=0" "$(trace notabs)"
check "no tabs: two A4 pages" same 2 "$(pages notabs)"
check "no tabs: page 1 is A4" size_is "$work/notabs-1.ppm" "$A4"

# ---------------------------------------------------------------------------------------------
# 2. One tab printed on the nose of page 1 (LEF), in red.
make_job printed <<'EOF'
TabSets
ZentaTABdict begin
/TABpagenumbers [1] def /TABsets [0] def /TABtexts [(Chapter 1)] def /TABposnumbers [0] def
/TABcolors [<FF0000>] def /TABinsertflags [0] def
end
DocPage DocPage AfterLast
EOF
check "printed tab: runs without error" run_job printed
check "printed tab: page switched to the tab page and back" same "P5 /QVA4Tab1
TP1 page=1 TABcount=1 size=632x842 name=/QVA4Tab1
P5 [[595 842] [12 12 12 12] 0 false]
TP1 page=2 TABcount=1 size=595x842 name=/A4
TP1 page=3 TABcount=1" "$(trace printed)"
check "printed tab: two pages" same 2 "$(pages printed)"
check "printed tab: page 1 is the tab page" size_is "$work/printed-1.ppm" "$TAB1"
check "printed tab: page 2 is A4 again" size_is "$work/printed-2.ppm" "$A4"
check "printed tab: text on the nose of position 0" has_ink "$work/printed-1.ppm" "$(lef_box 0)"
check "printed tab: the text is red" test "$(page "$work/printed-1.ppm" red "$(lef_box 0)")" -gt 10
check "printed tab: nothing on the nose at position 2" no_ink "$work/printed-1.ppm" "$(lef_box 2)"
check "printed tab: the page's fill is kept off the nose" \
  test "$(page "$work/printed-1.ppm" grey "$(lef_box 3)")" -eq 0
check "printed tab: the page's fill is on the body" \
  test "$(page "$work/printed-1.ppm" grey 100 300 300 300)" -gt 1000
check "printed tab: the page's fill stops at the nose's margin" \
  test "$(page "$work/printed-1.ppm" grey 584 300 10 300)" -eq 0
check "printed tab: the page's fill reaches the body's right margin" \
  test "$(page "$work/printed-1.ppm" grey 560 300 20 300)" -gt 100

# ---------------------------------------------------------------------------------------------
# 3. Two tabs before the same page: both handled by one Zenta_TP1 call, in order.
make_job twotabs <<'EOF'
TabSets
ZentaTABdict begin
/TABpagenumbers [2 2] def /TABsets [0 0] def /TABtexts [(First) (Second)] def
/TABposnumbers [0 3] def /TABinsertflags [1 1] def
end
DocPage DocPage AfterLast
EOF
check "two tabs: runs without error" run_job twotabs
check "two tabs: both before page 2" same "TP1 page=1 TABcount=0 size=595x842 name=/A4
P5 /QVA4Tab1
P5 [[595 842] [12 12 12 12] 0 false]
P5 /QVA4Tab1
P5 [[595 842] [12 12 12 12] 0 false]
TP1 page=2 TABcount=2 size=595x842 name=/A4
TP1 page=3 TABcount=2" "$(trace twotabs)"
check "two tabs: four pages" same 4 "$(pages twotabs)"
check "two tabs: sheet 1 is a tab page" size_is "$work/twotabs-2.ppm" "$TAB1"
check "two tabs: sheet 1 has position 0" has_ink "$work/twotabs-2.ppm" "$(lef_box 0)"
check "two tabs: sheet 1 has nothing at position 3" no_ink "$work/twotabs-2.ppm" "$(lef_box 3)"
check "two tabs: sheet 2 has position 3" has_ink "$work/twotabs-3.ppm" "$(lef_box 3)"
check "two tabs: sheet 2 has nothing at position 0" no_ink "$work/twotabs-3.ppm" "$(lef_box 0)"
check "two tabs: the document's page 2 is A4" size_is "$work/twotabs-4.ppm" "$A4"

# ---------------------------------------------------------------------------------------------
# 4. An inserted sheet after the last page, without TABinsertflags and TABcolors: inserted,
#    black.
make_job inserted <<'EOF'
TabSets
ZentaTABdict begin
/TABpagenumbers [3] def /TABsets [0] def /TABtexts [(Appendix)] def /TABposnumbers [2] def
end
DocPage DocPage AfterLast
EOF
check "inserted sheet: runs without error" run_job inserted
check "inserted sheet: three pages" same 3 "$(pages inserted)"
check "inserted sheet: the last is the tab page" size_is "$work/inserted-3.ppm" "$TAB1"
check "inserted sheet: text at position 2" has_ink "$work/inserted-3.ppm" "$(lef_box 2)"
check "inserted sheet: the text is black" test "$(page "$work/inserted-3.ppm" red "$(lef_box 2)")" -eq 0
check "inserted sheet: nothing at position 0" no_ink "$work/inserted-3.ppm" "$(lef_box 0)"
check "inserted sheet: no document content on it" no_ink "$work/inserted-3.ppm" "100 100 400 600"

# ---------------------------------------------------------------------------------------------
# 5. A SEF tab printed on page 1: the nose at the bottom of the portrait page.
make_job sef <<'EOF'
TabSets
ZentaTABdict begin
/TABpagenumbers [1] def /TABsets [1] def /TABtexts [(S1)] def /TABposnumbers [0] def
/TABinsertflags [0] def
end
DocPage AfterLast
EOF
check "SEF tab: runs without error" run_job sef
check "SEF tab: page 1 is the SEF tab page" size_is "$work/sef-1.ppm" "$TAB2"
check "SEF tab: text on the bottom nose at position 0" has_ink "$work/sef-1.ppm" "$(sef_box 0)"
check "SEF tab: nothing at position 2" no_ink "$work/sef-1.ppm" "$(sef_box 2)"
check "SEF tab: the page's fill is kept off the nose" test "$(page "$work/sef-1.ppm" grey "$(sef_box 2)")" -eq 0
check "SEF tab: the page's fill is on the body" test "$(page "$work/sef-1.ppm" grey 100 300 300 300)" -gt 1000
# the body: 12-point margins above the 37-point nose, on the whole page
check "SEF tab: the page's fill reaches the body's top" test "$(page "$work/sef-1.ppm" grey 100 850 300 14)" -gt 100
check "SEF tab: the page's fill stops at the top margin" test "$(page "$work/sef-1.ppm" grey 100 868 300 10)" -eq 0
check "SEF tab: the page's fill stops above the nose" test "$(page "$work/sef-1.ppm" grey 100 37 300 11)" -eq 0

# Without PageOrient and Orient the page counts as portrait: the nose at the bottom.
make_job sefnoorient <<'EOF'
ZTQVFeatures /PageOrient undef
TabSets
ZentaTABdict begin
/TABpagenumbers [1] def /TABsets [1] def /TABtexts [(S2)] def /TABposnumbers [1] def
/TABinsertflags [0] def
end
DocPage AfterLast
EOF
check "SEF tab, no orientation: runs without error" run_job sefnoorient
check "SEF tab, no orientation: text on the bottom nose at position 1" \
  has_ink "$work/sefnoorient-1.ppm" "$(sef_box 1)"

# A landscape page (Orient, PageOrient missing) whose page matrix is turned by 90 degrees: the
# nose at the top; the page content is turned round.
make_job seflandscape <<'EOF'
ZTQVFeatures /PageOrient undef
ZTQVFeatures /Orient (Land) put
TabSets
ZentaTABdict begin
/TABpagenumbers [1] def /TABsets [1] def /TABtexts [(L1)] def /TABposnumbers [0] def
/TABinsertflags [0] def
end
90 rotate 0 -595 translate
ZentaTABdict /Zenta_TP1 get exec
(CHECK matrix turned: ) print matrix currentmatrix dup 0 get 0 eq exch 3 get 0 eq and ==
gsave 0.85 setgray -100 -100 1100 900 rectfill grestore
showpage
EOF
check "SEF tab, landscape: runs without error" run_job seflandscape
check "SEF tab, landscape: the page matrix stays a turned one" same "CHECK matrix turned: true" \
  "$(trace seflandscape | grep turned)"
# top nose, position 0: x from 595 - 571 = 24 to 174, y from 842 to 879
check "SEF tab, landscape: text on the top nose at position 0" has_ink "$work/seflandscape-1.ppm" "24 842 150 37"
check "SEF tab, landscape: nothing at the bottom" no_ink "$work/seflandscape-1.ppm" "24 0 550 12"
check "SEF tab, landscape: the page's fill is kept off the nose" \
  test "$(page "$work/seflandscape-1.ppm" grey 200 842 300 37)" -eq 0
check "SEF tab, landscape: the page's fill is on the body" \
  test "$(page "$work/seflandscape-1.ppm" grey 100 300 300 300)" -gt 1000

# ---------------------------------------------------------------------------------------------
# 6. An unknown tab page name uses the QVA4Tab1 settings.
make_job unknown <<'EOF'
TabSets
ZentaTABdict begin
/TABpagenumbers [1] def /TABsets [3] def /TABtexts [(Index)] def /TABposnumbers [1] def
/TABinsertflags [1] def
end
DocPage AfterLast
EOF
check "unknown page name: runs without error" run_job unknown
check "unknown page name: QVA4Tab1 is used" same "P5 /QVA4Tab1" "$(trace unknown | grep -m1 '^P5')"
check "unknown page name: the sheet is a QVA4Tab1 page" size_is "$work/unknown-1.ppm" "$TAB1"
check "unknown page name: text at position 1" has_ink "$work/unknown-1.ppm" "$(lef_box 1)"

# ---------------------------------------------------------------------------------------------
# 7. A three-line text, rotation 0, centred about the tab centre.
make_job threelines <<'EOF'
TabSets
ZentaTABdict begin
/TABpagenumbers [1] def /TABsets [2] def /TABtexts [[(One) (Two) (Three)]] def
/TABposnumbers [2] def /TABinsertflags [1] def
end
DocPage AfterLast
EOF
check "three lines: runs without error" run_job threelines
check "three lines: text at position 2" has_ink "$work/threelines-1.ppm" "$(lef_box 2)"
centred() {
  local found; found=$(page "$work/threelines-1.ppm" centre "$(lef_box 2)")
  [[ $found != none ]] || { echo "     no ink"; return 1; }
  # the tab centre: x 632 - 18.5, y 842 - 36 - 2 * 162.5 - 60; lines 9 * 1.2 apart
  python3 -c "
cx, cy, h = map(float, '$found'.split())
ok = abs(cx - 613.5) <= 3 and abs(cy - 421) <= 3 and h >= 2 * 10.8
print('     centre %.1f %.1f height %.1f' % (cx, cy, h)) if not ok else None
exit(0 if ok else 1)"
}
check "three lines: block centred about the tab centre" centred

# ---------------------------------------------------------------------------------------------
# 8. Vertical writing with a Japan1 CID font: TABpreLoadFonts makes the UTF-8 composite fonts,
#    TABmakefontname picks the vertical one for (TB) and drops the rotation. The font is a small
#    CIDFontType 1 whose glyphs are filled boxes (0.7 em, centred across, 0.18 em below the top
#    of the em in vertical writing). Two columns centred about the tab centre.
make_job vertical <<'EOF'
/TestJ
<< /CIDFontName /TestJ /CIDFontType 1 /FontType 10
   /CIDSystemInfo << /Registry (Adobe) /Ordering (Japan1) /Supplement 6 >>
   /FontMatrix [0.001 0 0 0.001 0 0] /FontBBox [0 -120 1000 880] /CIDCount 30000
   /BuildGlyph {
     pop pop 1000 0 0 -120 1000 880 0 -1000 500 880 setcachedevice2
     100 0 moveto 800 0 lineto 800 700 lineto 100 700 lineto closepath fill
   }
>> /CIDFont defineresource pop
TabSets
ZentaTABdict begin
/TestJcopy /TestJ TABpreLoadFonts
% set 4: a copy of set 0 with vertical writing in the CID font
[/TABsets_pagesize /TABsets_tabs /TABsets_topspace /TABsets_bottomspace /TABsets_height
 /TABsets_orient /TABsets_direct /TABsets_pos /TABsets_textpos /TABsets_fontsize
 /TABsets_fontitalic /TABsets_fontbold /TABsets_linespace /TABsets_fontname] {
  dup load dup length 1 add array dup 0 4 -1 roll putinterval
  dup 4 1 index 0 get put def
} forall
TABsets_direct 4 (TB) put TABsets_fontname 4 /TestJcopy put TABsets_fontsize 4 12 put
/TABpagenumbers [1] def /TABsets [4] def
/TABtexts [[<E38182E38184E38186> <E38188E3818A>]] def
/TABposnumbers [0] def /TABinsertflags [1] def
(CHECK composite fonts:) print
[/TestJcopy-UniJIS-UTF8-H /TestJcopy-UniJIS-UTF8-V] { ( ) print /Font resourcestatus dup =only { pop pop } if } forall
(\n) print
end
DocPage AfterLast
EOF
check "vertical text: runs without error" run_job vertical
check "vertical text: the composite fonts exist" same "CHECK composite fonts: true true" \
  "$(trace vertical | grep composite)"
check "vertical text: ink at position 0" has_ink "$work/vertical-1.ppm" "$(lef_box 0)"
columns() {
  local found; found=$(page "$work/vertical-1.ppm" centre "$(lef_box 0)")
  [[ $found != none ]] || { echo "     no ink"; return 1; }
  # two columns of 12-point glyphs 14.4 apart, centred on x 613.5; three glyphs (36 points,
  # their ink 32.4) tall, centred on y 746
  python3 -c "
cx, cy, h = map(float, '$found'.split())
ok = abs(cx - 613.5) <= 3 and abs(cy - 746) <= 8 and 28 <= h <= 40
print('     centre %.1f %.1f height %.1f' % (cx, cy, h)) if not ok else None
exit(0 if ok else 1)"
}
check "vertical text: columns centred about the tab" columns

# ---------------------------------------------------------------------------------------------
# 9. A tab printed on page 1 through the tab file service's texts, then the page device restore.
#    The save, no-erase and restore blocks are the service's protocol texts.
{
  echo "%!PS"
  cat "$work/procset.ps" "$work/features.ps" "$work/qxp1tab.ps" "$work/erase-wrapper.ps"
} >"$work/service.ps"
cat >>"$work/service.ps" <<'EOF'
/CHECKkeys { % dict [names] -> prints which are known
  { ( ) print 1 index exch known =only } forall pop (\n) print
} def
ZTQVFeatures /Keep (before) put
userdict begin /pagesave save def end
EOF
cat "$work/page-save-release.ps" >>"$work/service.ps"
cat >>"$work/service.ps" <<'EOF'
(CHECK saveaftertab=) print ZTQVFeatures /ZENTASaveAfterTab get ==

userdict /ZENTAQVSAVE ZTQVFeatures length dict put
ZTQVFeatures {userdict /ZENTAQVSAVE get 3 -2 roll put} forall
userdict /ZENTAUDSAVE undef userdict /ZENTADISAVE undef userdict /ZENTASDSAVE
undef userdict /ZENTACPDSAVE undef userdict /ZENTACPDSAVE 100 dict put
currentpagedevice {userdict /ZENTACPDSAVE get 3 -2 roll put} forall userdict
/ZENTAUDSAVE 100 dict put /LH {1 //showpage exec pop} executeonly def userdict
{exch dup /ZENTAUDSAVE eq not {userdict /ZENTAUDSAVE get 3 -2 roll exch put}{pop
pop} ifelse} forall userdict /ZENTADISAVE countdictstack array dictstack put
userdict /ZENTADISAVE get aload pop countdictstack -3 roll pop pop pop
countdictstack 3 sub array astore userdict /ZENTADISAVE 3 -1 roll put
countdictstack 3 sub {end} repeat userdict /ZTQVFeatures get /QXP1Tab get
userdict /ZTQVFeatures get /QXP1Tab undef count array astore userdict
/ZENTASDSAVE 3 -1 roll put userdict {type /savetype eq {dup userdict exch undef}
if pop} forall

userdict /ZENTANEP true put userdict /showpage {} put

% the tab sheet document: its page carries the tab, its showpage is suppressed
ZTQVFeatures /Keep (tab sheet) put
TabSets
ZentaTABdict begin
/TABcount 0 def /TABpagenumbers [globaldict /TABpagecount 2 copy known {get} {pop pop 0} ifelse 1 add] def
/TABsets [0] def /TABtexts [(Service)] def /TABposnumbers [4] def /TABinsertflags [0] def
end
ZentaTABdict /Zenta_TP1 get exec
showpage

clear userdict {type /savetype eq {dup userdict exch undef} if pop} forall
userdict /ZENTASDSAVE known { userdict /ZENTASDSAVE get aload pop userdict
/ZENTASDSAVE undef } if userdict /ZENTADISAVE known { countdictstack 3 sub {end}
repeat userdict /ZENTADISAVE get 0 1 2 index length 1 sub {1 index exch get
begin} for pop userdict /ZENTADISAVE undef } if userdict /ZENTAUDSAVE known {
userdict /ZENTANEP known {userdict /ZENTANEP get}{null} ifelse userdict { pop
userdict exch dup /ZENTAUDSAVE eq {pop pop}{undef} ifelse } forall userdict
/ZENTAUDSAVE get { exch dup /ZENTAUDSAVE eq {pop pop} {userdict 3 -2 roll exch
put} ifelse } forall userdict /ZENTAUDSAVE undef dup null eq not {userdict
/ZENTANEP 3 -1 roll put}{pop} ifelse } if userdict /ZTQVFeatures get /QXP1Tab 3
-1 roll put userdict /ZENTACPDSAVE known { userdict /ZENTASPDSAVE /setpagedevice
load put userdict begin /setpagedevice { userdict /ZENTACPDSAVE known { {userdict
/ZENTACPDSAVE get 3 -2 roll put} forall } if } def end ZTQVFeatures dup /Zenta_P5
get /ZENTA_NB5 exch put ZTQVFeatures /Zenta_P5 { initmatrix ZTQVFeatures /ZENTA_NB5
get ZTQVFeatures /Zenta_P5 3 -1 roll put ZTQVFeatures /ZENTA_NB5 undef ZTQVFeatures
/ZENTA_NB5P 3 -1 roll put } put } if ZTQVFeatures /pmx_t known { ZTQVFeatures
/pmx_t get null ne { ZTQVFeatures /Appl1Dict get /pmx ZTQVFeatures /pmx_t get put}{
ZTQVFeatures /dMN get null ne { ZTQVFeatures /dMN get matrix defaultmatrix matrix
concatmatrix ZTQVFeatures /pmx_t 3 -1 roll put ZTQVFeatures /Appl1Dict get /pmx
ZTQVFeatures /pmx_t get put }if }ifelse } if
ZTQVFeatures /Zenta_dV9 userdict /ZENTAQVSAVE get /Zenta_dV9_tab 2 copy known
{get} {pop pop [1 0 0 1 0 0]}
ifelse put
ZentaTABdict /Zenta_TP2 get exec
EOF
cat "$work/end-of-page-setup.ps" >>"$work/service.ps"
cat >>"$work/service.ps" <<'EOF'
userdict /ZTQVPluginEndPageSetupCallBack get exec
(CHECK pagesave again=) print userdict /pagesave known ==
(CHECK during: size=) print PrSize ( name=) print ZTQVFeatures /ZTQVPSname get ==
% the document page asks for a page size: kept until the restore
<< /PageSize [595 842] >> setpagedevice
(CHECK kept: size=) print PrSize ( name=) print ZTQVFeatures /ZTQVPSname get ==
% the document's content and page end
gsave 0.85 setgray -100 -100 900 1100 rectfill grestore
showpage
pagesave restore
EOF
cat "$work/qxp-fix-call.ps" "$work/page-device-restore.ps" >>"$work/service.ps"
cat >>"$work/service.ps" <<'EOF'
(CHECK after: size=) print PrSize ( name=) print ZTQVFeatures /ZTQVPSname get ==
(CHECK userdict ZENTACPDSAVE ZENTASPDSAVE ZENTANEP ZENTAQVSAVE setpagedevice:) print
userdict [/ZENTACPDSAVE /ZENTASPDSAVE /ZENTANEP /ZENTAQVSAVE /setpagedevice] CHECKkeys
(CHECK ZTQVFeatures ZENTA_NB5 ZENTA_NB5P Zenta_P5:) print
ZTQVFeatures [/ZENTA_NB5 /ZENTA_NB5P /Zenta_P5] CHECKkeys
(CHECK Keep=) print ZTQVFeatures /Keep get ==
(CHECK QXP1Tab=) print ZTQVFeatures /QXP1Tab get ==
% the next page of the document
gsave 0 setgray 100 100 200 200 rectfill grestore
showpage
EOF
check "service texts: runs without error" run_job service
check "service texts: page state through the tab and back" same "CHECK saveaftertab=true
P5 /QVA4Tab1
CHECK pagesave again=true
CHECK during: size=632x842 name=/QVA4Tab1
CHECK kept: size=632x842 name=/QVA4Tab1
P5 /A4
CHECK after: size=595x842 name=/A4
CHECK userdict ZENTACPDSAVE ZENTASPDSAVE ZENTANEP ZENTAQVSAVE setpagedevice: false false false false false
CHECK ZTQVFeatures ZENTA_NB5 ZENTA_NB5P Zenta_P5: false false true
CHECK Keep=(before)
CHECK QXP1Tab=true" "$(trace service)"
check "service texts: two pages" same 2 "$(pages service)"
check "service texts: page 1 is the tab page with its text" has_ink "$work/service-1.ppm" "$(lef_box 4)"
check "service texts: page 1 keeps the fill off the nose" \
  test "$(page "$work/service-1.ppm" grey "$(lef_box 1)")" -eq 0
check "service texts: page 2 is A4" size_is "$work/service-2.ppm" "$A4"

finish
