#!/usr/bin/env bash
# The CUPS filter in CUPS's own filter chain: the filter and the PPD installed into a private
# CUPS tree (DESTDIR), then `cupsfilter` runs the chain the PPD names on a PostScript and a PDF
# document with -o options. Each job must be the job `zenta print` writes for the same
# document and settings (the job identifier, user and title fields masked), Ghostscript must
# run it without error, and the filter must say PAGE: for every page.
#
# Usage: cupsfilter_check.sh NATIVE_TREE
set -uo pipefail
tree=$(realpath "$1")
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
zenta=$tree/bin/zenta
if ! command -v cupsfilter >/dev/null 2>&1; then
  echo "SKIP: cupsfilter is not installed (Debian package cups)"
  exit 77
fi
source "$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/check.sh"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
DESTDIR=$work/root PREFIX=/usr bash "$root/scripts/install-cups.sh" "$tree" >/dev/null || { echo "FAIL install"; exit 1; }
ppd=$work/root/usr/share/ppd/zenta/zenta.ppd
# CUPS runs filters from ServerBin/filter; the rest of the tree is the system's.
printf 'ServerBin %s\n' "$work/root/usr/lib/cups" > "$work/cups-files.conf"

# A two-page DSC document, and the same as PDF.
cat > "$work/doc.ps" <<'PS'
%!PS-Adobe-3.0
%%Pages: 2
%%BoundingBox: 0 0 595 842
%%EndComments
%%BeginProlog
/F { /Helvetica findfont 24 scalefont setfont } bind def
%%EndProlog
%%Page: 1 1
F 72 720 moveto (Page one through CUPS) show showpage
%%Page: 2 2
F 72 720 moveto (Page two through CUPS) show showpage
%%EOF
PS
gs -q -dBATCH -dNOPAUSE -dSAFER -sDEVICE=pdfwrite -sOutputFile="$work/doc.pdf" "$work/doc.ps" 2>/dev/null

# The fields that name this one job, the user and the title, and the cupsfilter run itself.
mask() {
  sed -E -e 's/^(@PJL SET (DRIVERJOBID|USERNAME|JOBNAME))=.*/\1=masked/' \
         -e 's/^(%%(ZENTA-)?(TitleEx|ForEx|Title|For|CreationDate)):.*/\1: masked/' "$1" | tr -d '\r'
}

run() {  # run <name> <document> <options...>: the filter's job and its messages
  local name=$1 document=$2; shift 2
  local args=()
  for o in "$@"; do args+=(-o "$o"); done
  cupsfilter -c "$work/cups-files.conf" -p "$ppd" -m printer/zenta -e -t "CUPS job" \
    "${args[@]}" "$document" > "$work/$name.prn" 2> "$work/$name.log"
}

for doc in ps pdf; do
  run "staple-$doc" "$work/doc.$doc" Staple=1StapleLeft Duplex=True
  check "$doc: cupsfilter ran the chain" test -s "$work/staple-$doc.prn"
  "$zenta" print --quiet "$work/doc.$doc" Duplex=True Staple=1StapleLeft -o "$work/ref-$doc.prn" >/dev/null
  check "$doc: the same job as zenta print (masked)" cmp -s <(mask "$work/staple-$doc.prn") <(mask "$work/ref-$doc.prn")
  check "$doc: PAGE: for both pages" test "$(grep -c '^PAGE: ' "$work/staple-$doc.log")" -eq 2
  check "$doc: Ghostscript runs the job" bash "$root/scripts/ps-check.sh" "$work/staple-$doc.prn"
done
if ((failed)); then
  diff <(mask "$work/staple-ps.prn") <(mask "$work/ref-ps.prn") | head -20
  grep -v '^DEBUG' "$work/staple-ps.log" | head -20
fi

# The same options in another order give the same job; an option the PPD's dialog warns about
# is still resolved by the filter (reverse order output is not stapled).
run order "$work/doc.ps" Duplex=True Staple=1StapleLeft
check "options in another order: the same job" cmp -s <(mask "$work/order.prn") <(mask "$work/staple-ps.prn")
run rule "$work/doc.ps" NTo1=True Staple=1StapleLeft
check "the constraint engine resolves NTo1 with Staple, in feature order" grep -q 'INFO: Staple: 1StapleLeft -> None  because NTo1 True' "$work/rule.log"

# Copies and the user reach the PJL header. Bad options are errors naming the option and are not
# applied; CUPS's own attributes are left to CUPS; the job is still written whole.
cupsfilter -c "$work/cups-files.conf" -p "$ppd" -m printer/zenta -e -n 3 -U alice -o NoSuchOption=1 \
  -o Staple=Sideways -o Zoom=Custom.5000 -o job-uuid=urn:x "$work/doc.ps" > "$work/copies.prn" 2> "$work/copies.log"
check "copies: NumCopies 3" grep -aq '^@PJL SET QTY=3' "$work/copies.prn"
check "user: USERNAME alice" grep -aq '^@PJL SET USERNAME="alice"' "$work/copies.prn"
for option in NoSuchOption=1 Staple=Sideways Zoom=Custom.5000; do
  check "a bad option is an error naming it: $option" grep -q "^ERROR: option $option: " "$work/copies.log"
done
check "a CUPS attribute is left to CUPS" grep -q '^DEBUG: option job-uuid=urn:x' "$work/copies.log"
check "the job with bad options is whole" bash -c 'tail -c 9 "$1" | cmp -s - <(printf "\033%%-12345X")' _ "$work/copies.prn"

# A queue's own default, as `lpadmin -o Staple=1StapleLeft` writes it into the queue's PPD.
sed 's/^\*DefaultStaple: .*/*DefaultStaple: 1StapleLeft/' "$ppd" > "$work/queue.ppd"
cupsfilter -c "$work/cups-files.conf" -p "$work/queue.ppd" -m printer/zenta -e -t "CUPS job" "$work/doc.ps" \
  > "$work/queue.prn" 2>/dev/null
"$zenta" print --quiet "$work/doc.ps" Staple=1StapleLeft -o "$work/ref-queue.prn" >/dev/null
check "a queue default reaches the job" cmp -s <(mask "$work/queue.prn") <(mask "$work/ref-queue.prn")

# Bad input: a document that is neither PostScript nor PDF ends the job with an error.
printf 'not a document' > "$work/bad.txt"
check "a bad document: exit 1 with ERROR:, no job" bash -c '"$1" 1 bob title 1 "" "$2" > "$3" 2> "$4"; [[ $? -eq 1 && ! -s $3 ]] && grep -q "^ERROR: " "$4"' _ "$tree/bin/zenta-cups" "$work/bad.txt" "$work/bad.prn" "$work/bad.log"
check "an empty input: exit 1, no job" bash -c '"$1" 1 bob title 1 "" < /dev/null > "$2" 2>/dev/null; [[ $? -eq 1 && ! -s $2 ]]' _ "$tree/bin/zenta-cups" "$work/empty.prn"
head -c 700 "$work/doc.pdf" > "$work/cut.pdf"
head -c 300 "$work/doc.ps" > "$work/cut.ps"
for cut in cut.pdf cut.ps; do
  check "a truncated input ($cut): no crash" bash -c '"$1" 1 bob t 1 "" < "$2" > /dev/null 2>&1; (( $? < 2 ))' _ "$tree/bin/zenta-cups" "$work/$cut"
done
check "wrong arguments: exit 1 with usage" bash -c '! "$1" 1 2 3 2>"$2" && grep -q "^ERROR: usage" "$2"' _ "$tree/bin/zenta-cups" "$work/usage.log"

finish
