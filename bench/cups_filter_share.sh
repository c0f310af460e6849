#!/usr/bin/env bash
# The CUPS filter's own time against Ghostscript's time to interpret the job it writes, in one
# run: a DSC document of N pages (default 100) through zenta-cups, then the job (PJL taken out)
# through Ghostscript's nullpage device. Prints both per page and their ratio.
#
# Usage: bench/cups_filter_share.sh NATIVE_TREE [PAGES]
set -euo pipefail
tree=$(realpath "$1")
pages=${2:-100}
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
{
  printf '%%!PS-Adobe-3.0\n%%%%Pages: %d\n%%%%BoundingBox: 0 0 595 842\n%%%%EndComments\n' "$pages"
  for ((p = 1; p <= pages; p++)); do
    printf '%%%%Page: %d %d\n/Helvetica findfont 24 scalefont setfont 72 720 moveto (Page %d) show\n' "$p" "$p" "$p"
    printf '72 72 moveto 523 770 lineto stroke showpage\n'
  done
  printf '%%%%EOF\n'
} > "$work/doc.ps"
seconds() { date +%s.%N; }
start=$(seconds)
"$tree/bin/zenta-cups" 1 user title 1 "Staple=1StapleLeft Duplex=True" "$work/doc.ps" > "$work/job.prn" 2>/dev/null
filter=$(awk -v a="$(seconds)" -v b="$start" 'BEGIN { print a - b }')
# Ghostscript reads the job from its first PostScript line, as the printer's interpreter does.
sed -n '/^%!PS-Adobe/,$p' "$work/job.prn" > "$work/job.ps"
start=$(seconds)
gs -q -dBATCH -dNOPAUSE -dSAFER -sDEVICE=nullpage "$work/job.ps" > /dev/null 2>&1
ghostscript=$(awk -v a="$(seconds)" -v b="$start" 'BEGIN { print a - b }')
awk -v n="$pages" -v f="$filter" -v g="$ghostscript" 'BEGIN {
  printf "pages %d: zenta-cups %.2f ms/page, Ghostscript %.2f ms/page, filter/Ghostscript %.2f\n", n, f * 1000 / n, g * 1000 / n, f / g
}'
