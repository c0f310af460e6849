#!/usr/bin/env bash
# zenta ppd --cups, the PPD of a CUPS queue made from the feature model:
# - cupstestppd passes it (its warnings are listed): the Duplex choices are the feature's own
#   False and True, not the None/DuplexNoTumble/DuplexTumble CUPS expects, so those checks are
#   warnings (-W duplex); the filter it names is looked for in a private root (-R);
# - every selection and range is an option or is listed by --left-out, never both; every
#   selection's choices are its option keywords and its default the default record's value;
# - spot checks: Staple, a Boolean, custom ranges with their limits in display units, the
#   page sizes, the installed options, constraints of plain rules (and none of rules with a
#   condition), a German translation;
# - the output is the same every time; an unwritable output fails with status 1 and leaves
#   nothing behind.
# Usage: ppd_generator_check.sh ZENTA   (KEEP=1 keeps the work directory)
set -uo pipefail
zenta=$(realpath "${1:?usage: ppd_generator_check.sh ZENTA}")
if ! command -v cupstestppd >/dev/null 2>&1; then
  echo "SKIP: cupstestppd is not installed (Debian package cups-client)"
  exit 77
fi
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
work=$(mktemp -d)
[[ ${KEEP:-} == 1 ]] && echo "work directory: $work" || trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
unset ZENTA_PRINTER_PROFILE  # the built-in printer's defaults
source "$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/check.sh"
has() { grep -qxF -- "$1" zenta.ppd; }   # has <whole line>
hasnt() { ! grep -qF -- "$1" zenta.ppd; }  # hasnt <text>

check "ppd --cups -o writes the PPD" "$zenta" ppd --cups -o zenta.ppd
check "standard output gives the same PPD" cmp -s zenta.ppd <("$zenta" ppd --cups)

# cupstestppd, with the filter where CUPS looks for it.
mkdir -p root/usr/lib/cups/filter && printf '#!/bin/sh\n' > root/usr/lib/cups/filter/zenta-cups
chmod 755 root/usr/lib/cups/filter/zenta-cups
cupstestppd -R "$work/root" -W duplex zenta.ppd > cupstestppd.txt 2>&1
status=$?
# Its warnings: sizes whose names are not Adobe's, the Duplex choices, and keys that begin
# with another key (Fold, FoldDirection), which the feature model has.
grep 'WARN' cupstestppd.txt | grep -v 'common prefix' | sed 's/^ */  cupstestppd: /'
echo "  cupstestppd: and $(grep -c 'common prefix' cupstestppd.txt) warnings of keys that begin with another key"
check "cupstestppd: PASS (status $status)" test "$status" -eq 0
check "cupstestppd: no FAIL line" bash -c '! grep -q FAIL cupstestppd.txt'

# Every selection and range: an option of the PPD, or left out with a reason.
"$zenta" ppd --cups --left-out > left-out.txt
"$zenta" features | awk '$5 != "A" {print $1}' > settable.txt
sed -n 's/^\*OpenUI \*\([^/]*\)\/.*/\1/p' zenta.ppd > options.txt
cut -d: -f1 left-out.txt > left-out-keys.txt
check "no left-out feature is an option" bash -c '! grep -qxFf left-out-keys.txt options.txt'
check "every other selection and range is an option" \
  bash -c 'grep -vxFf left-out-keys.txt settable.txt | grep -vxFf options.txt | (! grep .)'
check "texts, internal fields and printer lists are left out" \
  bash -c 'grep -q "^WaitModePassword: " left-out.txt && grep -q "^CoreDataLoadedFromPdUi: " left-out.txt &&
           grep -q "^PageSpecificTrays: " left-out.txt && grep -q "^MainPaperProfileIndex: " left-out.txt'

# Each selection's choices are its option keywords, its default that of the default record.
"$zenta" features | awk 'NR == FNR {option[$1] = 1; next}
  $5 == "S" && ($1 in option) {printf "%s", $1; for (i = 7; i <= NF; i++) printf " %s", $i; print ""}' \
  options.txt - > want-choices.txt
awk 'NR == FNR {option[$1] = 1; next}
  /^\*[^ .:]+ [^ \/:]+\// {k = substr($1, 2); if (k in option) {c = $2; sub(/\/.*/, "", c); list[k] = list[k] " " c}}
  END {for (k in list) print k list[k]}' options.txt zenta.ppd | sort > ppd-choices.txt
check "every selection: its choices are its option keywords" \
  bash -c 'sort want-choices.txt | comm -23 - ppd-choices.txt | (! grep .)'
"$zenta" defaults > defaults.txt
sed -n 's/^\*Default\([^:]*\): \(.*\)/\1=\2/p' zenta.ppd | sort > ppd-defaults.txt
check "every selection: its default is the default record's" \
  bash -c 'cut -d" " -f1 want-choices.txt | sed "s/.*/^&=/" | grep -f - defaults.txt | sort | comm -23 - ppd-defaults.txt | (! grep .)'

check "Staple: PickOne with its choices" \
  bash -c 'grep -q "^\*OpenUI \*Staple/Staple: PickOne$" zenta.ppd &&
           [[ $(sed -n "s/^\*Staple \([^/]*\)\/.*/\1/p" zenta.ppd | tr "\n" " ") == "None 1StapleLeft 1StapleRight 1Staple 2StaplesWide 2StaplesNormal 2StaplesNarrow " ]]'
check "Duplex: a Boolean" has '*OpenUI *Duplex/Duplex: Boolean'
check "Zoom: custom whole percent 1 to 1000, default 100" \
  bash -c 'grep -qxF "*ParamCustomZoom Value/Zoom (%): 1 int 1 1000" zenta.ppd && grep -qxF "*DefaultZoom: 100" zenta.ppd &&
           grep -qxF "*CustomZoom True/Custom: \"\"" zenta.ppd'
check "Gutter: custom millimetres -250 to 250" has '*ParamCustomGutter Value/Gutter (mm): 1 real -250 250'
check "Tab1Height: default 40.3 mm" has '*DefaultTab1Height: 40.3'
check "Tab1FontSize: custom points 4 to 72" has '*ParamCustomTab1FontSize Value/Tab 1 Font Size (pt): 1 real 4 72'

# Page sizes by the PageSize option keywords, sizes in points.
check "PageSize B4 (not the driver-side QVB4), default A4" \
  bash -c 'grep -q "^\*PageSize B4/" zenta.ppd && grep -qxF "*DefaultPageSize: A4" zenta.ppd && ! grep -q "QVB4" zenta.ppd'
check "B4: 729 x 1032 points, 12-point margins" \
  bash -c 'grep -q "^\*PaperDimension B4/.*: \"729 1032\"$" zenta.ppd && grep -q "^\*ImageableArea B4/.*: \"12 12 717 1020\"$" zenta.ppd'

# Installed options: the built-in printer's block, the class values the rules compare.
check "installed options: built-in defaults" \
  bash -c 'for l in "*DefaultPrinterClass: Class1" "*DefaultInstalledFoldingUnit: Unit1" "*DefaultPaperFeed: Config6"; do
             grep -qxF "$l" zenta.ppd || exit 1; done'
compared=$(grep -o 'OnPrinter(kPrinterClassByte[^)]*)' "$root/src/constraints/rules.inc" | grep -o ', [0-9]*' | tr -d ', ' | sort -un)
check "installed options: every printer class the rules compare (${compared//$'\n'/ })" \
  bash -c '[[ -n $1 ]] && for v in $1; do grep -q "^\*PrinterClass Class$v/" zenta.ppd || exit 1; done' _ "$compared"
check "a paper-feed configuration without trays constrains them" has '*UIConstraints: *PaperFeed Config0 *InputSlot Tray1'

# Constraints: plain pairs only.
check "a plain rule: NTo1 True resets Staple 1StapleLeft" has '*UIConstraints: *NTo1 True *Staple 1StapleLeft'
check "no rule with a printer condition (NTo1 True, Fold LetterFold)" hasnt '*UIConstraints: *NTo1 True *Fold LetterFold'
check "no rule with a feature condition (NTo1 False, FaceUp True)" hasnt '*UIConstraints: *NTo1 False *FaceUp True'

# Translations in UTF-8.
check "German: Orientation is Ausrichtung" has '*de.Translation Orientation/Ausrichtung: ""'
check "German: InputSlot Auto" has '*de.InputSlot Auto/Automatisch auswählen: ""'
check "English texts are ASCII" bash -c '! grep -v "^\*[a-z][a-z]\(_[A-Z][A-Z]\)\?\." zenta.ppd | grep -qP "[^\x00-\x7F]"'

# The same every time.
"$zenta" ppd --cups -o again.ppd
check "deterministic output" cmp -s zenta.ppd again.ppd

# Bad output paths: status 1, nothing left behind.
mkdir -p full/keep && touch full/keep/file
"$zenta" ppd --cups -o missing/zenta.ppd 2> missing.err
check "a missing folder: status 1 with a message" bash -c '[[ $1 -eq 1 ]] && grep -q "cannot write" missing.err' _ $?
check "a missing folder: nothing written" test ! -e missing
"$zenta" ppd --cups -o full/keep 2> dir.err
check "a folder as output: status 1" test $? -eq 1
check "a folder as output: the folder intact, no partial file" \
  bash -c '[[ -f full/keep/file ]] && [[ $(ls full) == keep ]]'
"$zenta" ppd -o plain.ppd 2> nokind.err
check "ppd without --cups: status 2, nothing written" bash -c '[[ $1 -eq 2 ]] && [[ ! -e plain.ppd ]]' _ $?

finish
