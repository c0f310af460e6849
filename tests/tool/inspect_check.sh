#!/usr/bin/env bash
# zenta inspect and the page previews, on jobs printed through the plug-in:
# - the record read back from a job is the record it was printed with, byte for byte (default
#   settings; settings with a text field; a tab job);
# - a job written under another layout (its description edited here: a feature's options
#   reordered, a feature dropped, an entry moved) is carried into this layout by name;
# - broken files (not a job, a block cut off or cut short, bad Base64, a description that does
#   not describe the record) fail with status 1, name the line and write no record;
# - previews: one PNG per printed page, tab sheets included, checked on their pixels.
# Usage: inspect_check.sh ZENTA TEST_DATA_DIR   (KEEP=1 keeps the work directory)
set -uo pipefail
zenta=$(realpath "${1:?usage: inspect_check.sh ZENTA TEST_DATA_DIR}")
data=$(realpath "${2:?usage: inspect_check.sh ZENTA TEST_DATA_DIR}")
work=$(mktemp -d)
[[ ${KEEP:-} == 1 ]] && echo "work directory: $work" || trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
source "$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/check.sh"

# The record of a job as the README tells a reader to take it out: the text of the
# %%ZENTA-JobSettings block joined and Base64-decoded.
raw_record() {
  perl -0777 -ne 'if (/^%%ZENTA-JobSettings: ([^\r\n]*)\r?\n((?:%%\+ [^\r\n]*\r?\n)*)/m) {
    my ($a, $b) = ($1, $2); $b =~ s/^%%\+ //mg; $b =~ s/\r?\n//g; print $a . $b }' "$1" | base64 -d
}

# Edits a job's comment blocks: jobfix MODE IN OUT prints the line number the edit concerns.
#   other-layout   the description of another layout (version CAFE0001; Duplex's options in the
#                  other order, Gutter unknown, NumCopies's entry last) with the record to match
#   wrong-layout   that description with the job's own record
#   short-record   the record 100 bytes short
#   cut-line       a line in the middle of the settings block 10 characters short
#   bad-base64     a character outside the Base64 alphabet in the settings block
#   truncate       the file ends inside the settings block
jobfix() {
  python3 - "$@" <<'PY'
import base64, sys
mode, source, target = sys.argv[1:4]
lines = open(source, 'rb').read().split(b'\r\n')

def block(name):
    head = b'%%' + name + b': '
    start = next(i for i, l in enumerate(lines) if l.startswith(head))
    end, text = start + 1, lines[start][len(head):]
    while end < len(lines) and lines[end].startswith(b'%%+ '):
        text += lines[end][4:]
        end += 1
    return start, end, text

def written(name, text):  # as the plug-in writes a comment block: lines of 160, a short one last
    line, room, out = b'%%' + name + b': ', 160 - len(name) - 4, []
    while True:
        chunk, text = text[:room], text[room:]
        out.append(line + chunk)
        if len(chunk) < room:
            return out
        line, room = b'%%+ ', 156

settings, description = block(b'ZENTA-JobSettings'), block(b'ZENTA-JobSettingsDescription')
record = bytearray(base64.b64decode(settings[2]))
fields = base64.b64decode(description[2]).rstrip(b'\0').decode().split(' ')

def other_layout():
    fields[1] = 'CAFE0001'
    at = next(i for i, f in enumerate(fields) if f.startswith('Duplex:'))
    assert fields[at] == 'Duplex:1:1:190:0:S:False:True'
    fields[at] = 'Duplex:1:1:190:0:S:True:False'
    fields.remove(next(f for f in fields if f.startswith('Gutter:')))
    numcopies = next(f for f in fields if f.startswith('NumCopies:'))
    fields.remove(numcopies)
    fields.append(numcopies)
    return base64.b64encode((' '.join(fields) + '\0').encode())

def replace(start, end, new):
    lines[start:end] = new

line = settings[0] + 1
if mode in ('other-layout', 'wrong-layout'):
    text = other_layout()
    if mode == 'other-layout':
        record[0:4] = bytes.fromhex('CAFE0001')
        record[190] ^= 1  # the same option under its index in the other table
    replace(description[0], description[1], written(b'ZENTA-JobSettingsDescription', text))
    replace(settings[0], settings[1], written(b'ZENTA-JobSettings', base64.b64encode(record)))
elif mode == 'short-record':
    replace(settings[0], settings[1], written(b'ZENTA-JobSettings', base64.b64encode(record[:-100])))
elif mode == 'cut-line':
    line = settings[0] + 10
    lines[line - 1] = lines[line - 1][:-10]
    line += 1  # the block ends on the short line; the next one shows that it was cut
elif mode == 'bad-base64':
    line = settings[0] + 4
    lines[line - 1] = lines[line - 1][:40] + b'*' + lines[line - 1][41:]
elif mode == 'truncate':
    line = settings[0] + 6
    del lines[line:]
    lines.append(b'')
open(target, 'wb').write(b'\r\n'.join(lines))
print(line)
PY
}

# Width, height and a dark-pixel counter of a PNG (8-bit RGB, as Ghostscript's png16m writes).
png() {
  python3 - "$@" <<'PY'
import struct, sys, zlib
def read(path):
    data = open(path, 'rb').read()
    assert data[:8] == b'\x89PNG\r\n\x1a\n'
    at, idat = 8, b''
    while at < len(data):
        size, kind = struct.unpack('>I4s', data[at:at + 8])
        body = data[at + 8:at + 8 + size]
        if kind == b'IHDR':
            w, h, depth, colour = struct.unpack('>IIBB', body[:10])
            assert (depth, colour) == (8, 2)
        elif kind == b'IDAT':
            idat += body
        at += 12 + size
    raw, rows, prev, stride = zlib.decompress(idat), [], bytearray(w * 3), w * 3
    for y in range(h):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for x in range(stride):
            a = line[x - 3] if x >= 3 else 0
            b, c = prev[x], prev[x - 3] if x >= 3 else 0
            if kind == 1: line[x] = (line[x] + a) & 255
            elif kind == 2: line[x] = (line[x] + b) & 255
            elif kind == 3: line[x] = (line[x] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[x] = (line[x] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append(line)
        prev = line
    return w, h, rows
def dark(rows, x0, y0, x1, y1):
    return [(x, y) for y in range(y0, y1) for x in range(x0, x1) if sum(rows[y][x * 3:x * 3 + 3]) < 384]
command, path = sys.argv[1:3]
w, h, rows = read(path)
if command == 'size':
    print(f'{w}x{h}')
elif command == 'nose':  # dark pixels right of the A4 body (595 points), the tab stock's nose
    print(len(dark(rows, 417, 0, w, h)))
elif command == 'shape':  # the ink inside the page frame: taller (tall) or wider (wide)
    ink = dark(rows, 40, 40, w - 40, h - 40)
    xs, ys = [p[0] for p in ink], [p[1] for p in ink]
    print('none' if not ink else 'tall' if max(ys) - min(ys) > max(xs) - min(xs) else 'wide')
PY
}

# ---- the record read back is the record printed --------------------------------------------

round_trip() {  # round_trip NAME PRINT-ARGUMENTS...: print, read back, print that, read back
  local name=$1; shift
  "$zenta" print "$@" -o "$name.prn" >/dev/null &&
    "$zenta" inspect "$name.prn" --record "$name.rec" >/dev/null &&
    cmp -s "$name.rec" <(raw_record "$name.prn") &&
    "$zenta" print --record "$name.rec" -o "$name-again.prn" >/dev/null &&
    "$zenta" inspect "$name-again.prn" --record "$name-again.rec" >/dev/null &&
    cmp "$name.rec" "$name-again.rec"
}
check "default settings: the record printed is read back" round_trip default
check "settings with a text field: the record printed is read back" \
  round_trip settings Gutter=1200 NumCopies=3 "PIComment=Sales & Marketing"
"$zenta" record new -o tabs-start.rec >/dev/null
"$zenta" pages add tabs-start.rec --tab 1 --text "Intro" >/dev/null
"$zenta" pages add tabs-start.rec --tab 3 --text "Part B" --inserted >/dev/null
"$zenta" pages add tabs-start.rec --tab 5 --text "End" --inserted >/dev/null
check "tab job: the record printed is read back" round_trip tabs --record tabs-start.rec --pages 4

layout_version=$("$zenta" layout | cut -c11-18)
shown=$("$zenta" inspect settings.prn)
check "inspect: this layout" grep -qxF "layout: 0x$layout_version (this layout)" <<<"$shown"
check "inspect: a differing text setting" grep -qxF '  PIComment=Sales & Marketing' <<<"$shown"
check "inspect: the PJL header" grep -qxF '  @PJL SET QTY=3' <<<"$shown"
check "inspect --all: every setting" \
  test "$("$zenta" inspect --all settings.prn | sed -n '/^settings: 528$/,$p' | wc -l)" -eq 529
tab_summary=$("$zenta" inspect tabs.prn)
check "inspect: the tab job's pages and the tab sheets spliced in" test "$(grep -E '^(pages|tab sheets|page exceptions):' <<<"$tab_summary")" = $'pages: 4\ntab sheets: 3\npage exceptions: 3'
check "inspect: the page exception list is the record's" \
  diff <(sed -n 's/^  kind=/kind=/p' <<<"$tab_summary") <("$zenta" pages tabs.rec)
check "inspect --json" python3 -c '
import json, sys
d = json.load(sys.stdin)
assert d["migrated"] is False and d["layout_version"] == d["this_layout_version"], d["layout_version"]
assert d["title"] == "Zenta test document" and d["pages"] == 4 and d["tab_sheets"] == 3
assert [e["setting_text"] for e in d["page_exceptions"]] == ["Intro", "Part B", "End"]
assert d["page_exceptions"][1]["placement"] == 1 and d["page_exceptions"][1]["pages"] == [[3, 3]]
assert d["pjl"]["JOBNAME"] == "Zenta test document" and "PageSpecificTrays" in d["settings"]
' < <("$zenta" inspect --json tabs.prn)

# ---- a job of another layout ---------------------------------------------------------------

jobfix other-layout settings.prn other.prn >/dev/null
migrated=$("$zenta" inspect other.prn --record other.rec)
check "other layout: says it migrated" \
  grep -qxF "layout: 0xCAFE0001, migrated to this layout (0x$layout_version) by feature name" <<<"$migrated"
# Every feature comes over by name (Duplex through its keyword) but Gutter, which the other
# layout does not know and which keeps its default.
check "other layout: carried over by name" \
  diff <("$zenta" record show settings.rec | grep -v '^Gutter=') <("$zenta" record show other.rec | grep -v '^Gutter=')
check "other layout: the feature it lacks has its default" grep -qx 'Gutter=0' < <("$zenta" record show other.rec)
check "other layout: --json" python3 -c '
import json, sys
d = json.load(sys.stdin)
assert d["migrated"] is True and d["layout_version"] == "0xCAFE0001" and d["settings"]["NumCopies"] == "3"
' < <("$zenta" inspect --json other.prn)

# ---- broken files --------------------------------------------------------------------------

fails_at() {  # fails_at LINE FILE MESSAGE-PART: status 1, the line and message named, no record
  local out status
  out=$("$zenta" inspect "$2" --record broken.rec 2>&1 >/dev/null)
  status=$?
  [[ $status -eq 1 && $out == *"line $1: "*"$3"* && ! -e broken.rec ]] || { echo "  status $status: $out"; return 1; }
}
printf '%%!PS-Adobe-3.0\r\n%%%%Title: x\r\n%%%%EndComments\r\nshowpage\r\n' >plain.ps
check "not a job of this plug-in" fails_at 3 plain.ps 'not a job of this plug-in'
check "not a print job at all" fails_at 1 "$data/layout_description.txt" 'not a print job'
head -n 150 settings.prn >pjl-only.prn
check "PJL without PostScript" fails_at 150 pjl-only.prn 'not a PostScript print job'
line=$(jobfix truncate settings.prn truncated.prn)
check "a block that breaks off" fails_at "$line" truncated.prn 'breaks off at the end of the file'
line=$(jobfix cut-line settings.prn cut.prn)
check "a block with a line cut short" fails_at "$line" cut.prn 'a line of the block was cut'
line=$(jobfix bad-base64 settings.prn bad64.prn)
check "Base64 that does not decode" fails_at "$line" bad64.prn 'is not Base64'
line=$(jobfix wrong-layout settings.prn wrong.prn)
check "a description of another layout than the record's" fails_at "$line" wrong.prn 'describes layout 0xCAFE0001'
line=$(jobfix short-record settings.prn short.prn)
check "a record shorter than the description's" fails_at "$line" short.prn 'is of a 27774-byte record'

# ---- previews ------------------------------------------------------------------------------

listed=$("$zenta" preview tabs.prn pages)
check "preview: six pages of the tab job listed" test "$listed" = "$(printf 'pages/page-%03d.png\n' 1 2 3 4 5 6)"
# The four document pages and two inserted tab sheets; tab stock is wider (its nose), and the
# tab pages (1, 3 and 6) carry their tab text on it.
for page in 1 2 3 4 5 6; do
  file=pages/page-00$page.png
  case $page in
    1 | 3 | 6) size=438x585 ;;
    *) size=413x585 ;;
  esac
  check "preview: tab job page $page is $size" test "$(png size "$file")" = "$size"
  [[ $size == 438x585 ]] && check "preview: tab job page $page has its tab text on the nose" \
    test "$(png nose "$file")" -gt 5
done

# N-up is the printer's: the interpreter prints every page (the printer's procedures count
# the cells), here landscape pages on portrait paper, their text running up the page.
listed=$("$zenta" print NUpCount=4 Orientation=Land --pages 5 --preview pages -o nup.prn | grep '^pages/')
check "print --preview: five pages, the tab job's extra pages removed" \
  test "$listed" = "$(printf 'pages/page-%03d.png\n' 1 2 3 4 5)" -a "$(ls pages | wc -l)" -eq 5
for page in 1 5; do
  check "preview: N-up page $page is A4 portrait" test "$(png size pages/page-00$page.png)" = 413x585
  check "preview: N-up page $page shows landscape text" test "$(png shape pages/page-00$page.png)" = tall
done
check "preview: pages differ" bash -c 'test -s pages/page-002.png && ! cmp -s pages/page-001.png pages/page-002.png'
check "preview --dpi" test "$("$zenta" preview nup.prn hires --dpi 100 | wc -l)-$(png size hires/page-001.png)" = 5-826x1169
check "preview of a file that is not a job: status 1, no directory" \
  bash -c '! "$1" preview "$2" nodir 2>/dev/null && test ! -e nodir' _ "$zenta" settings.rec

finish
