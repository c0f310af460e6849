#!/usr/bin/env bash
# A tab job through the plug-in, as a user prints it: four pages with a tab printed on page 1, a
# tab sheet inserted before page 3 and one after the last page, the sheets made by child
# processes (the launcher) and again by the fallback thread. Ghostscript must run it without
# error and render six pages; each tab page carries ink on its tab nose (the strip beyond the A4
# body of the tab stock), and the document pages carry none there.
#   tab_job_check.sh ZENTA   (KEEP=1 keeps the rendered pages in ./tab_job_pages)
set -uo pipefail
zenta=${1:?usage: tab_job_check.sh ZENTA}
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0 failed=0
check() { if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL: $*" >&2; fi; }

"$zenta" record new -o "$work/tabs.rec" >/dev/null
"$zenta" pages add "$work/tabs.rec" --tab 1 --text "Intro" >/dev/null
"$zenta" pages add "$work/tabs.rec" --tab 3 --text "Part B" --inserted >/dev/null
"$zenta" pages add "$work/tabs.rec" --tab 5 --text "End" --inserted >/dev/null
summary=$("$zenta" print --record "$work/tabs.rec" --pages 4 --check -o "$work/tabs.prn")
check grep -q 'tab sheets: 3 (child process 3)' <<<"$summary"
# With the launcher out of reach the sheets come from a thread of the printing process, and the
# job is the same but for the lines that differ between any two prints.
summary=$(ZENTA_RUNDLL=/nonexistent/zenta_rundll "$zenta" print --record "$work/tabs.rec" --pages 4 -o "$work/thread.prn")
check grep -q 'tab sheets: 3 (thread 3)' <<<"$summary"
masked() { perl -0777 -pe 's/^(\@PJL SET DRIVERJOBID=)[^\r\n]*/$1*/mg; s/^<?[0-9A-F]{2,}>?\r?$/*/mg' "$1"; }
check cmp -s <(masked "$work/tabs.prn") <(masked "$work/thread.prn")

# The job without its PJL, rendered at 72 dpi: one pixel a point.
perl -0777 -pe 's/^.*?(?=%!PS)//s; s/\x1B%-12345X//g; s/^\@PJL[^\n]*\n//mg' "$work/tabs.prn" >"$work/tabs.ps"
gs -q -dNOPAUSE -dBATCH -dNOSAFER -sDEVICE=ppmraw -r72 -sOutputFile="$work/page%d.ppm" "$work/tabs.ps" \
  >"$work/gs.log" 2>&1
check test "$(ls "$work"/page*.ppm 2>/dev/null | wc -l)" -eq 6

# Ink (dark pixels) beyond x = 600 points, the tab nose of the tab stock, page by page.
nose_ink() {
  python3 - "$1" <<'PY'
import sys
data = open(sys.argv[1], 'rb').read()
# The header: P6, width, height, maximum, each after white space or a comment line.
fields, at = [], 0
while len(fields) < 4:
    while data[at:at + 1].isspace():
        at += 1
    if data[at:at + 1] == b'#':
        at = data.index(b'\n', at) + 1
        continue
    end = at
    while not data[end:end + 1].isspace():
        end += 1
    fields.append(data[at:end])
    at = end
w, h, pixels = int(fields[1]), int(fields[2]), data[at + 1:]
ink = 0
for y in range(h):
    row = pixels[y * w * 3:(y + 1) * w * 3]
    for x in range(600, w):
        if sum(row[x * 3:x * 3 + 3]) < 384:
            ink += 1
print(ink)
PY
}
for page in 1 2 3 4 5 6; do
  ink=$(nose_ink "$work/page$page.ppm")
  case $page in
    1 | 3 | 6) check test "$ink" -gt 20 ;;   # the tab text on the nose
    *) check test "$ink" -eq 0 ;;
  esac
  echo "page $page: $ink dark pixels on the nose"
done
if [[ ${KEEP:-} == 1 ]]; then mkdir -p tab_job_pages && cp "$work"/page*.ppm tab_job_pages/; fi
echo "$passed passed, $failed failed"
((failed == 0))
