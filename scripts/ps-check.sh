#!/usr/bin/env bash
# Runs a print job (a spool file with a PJL header and PostScript) through Ghostscript.
# Usage: ps-check.sh JOB.prn [--trace]
#   The PJL is taken out first: everything before the first line that begins with "%!", every
#   UEL (ESC %-12345X) and every line that begins with "@PJL". The PostScript is then run with
#   gs -sDEVICE=nullpage. --trace sets userdict /ZentaTrace to true before the job, so that the
#   printer procedures of ppd/zenta.ppd print their trace lines.
# Prints Ghostscript's output. Exits 0 when Ghostscript reports no error; 1 when it does (exit
# status or an "Error:" line; the error text is printed); 2 for a usage error.
# Ghostscript runs with -dSAFER inside a private directory. The one file it may write there is
# Zenta_file, which the loader of the tab printing procedure set writes and deletes again.
set -uo pipefail

usage() { echo "usage: $(basename "$0") JOB.prn [--trace]" >&2; exit 2; }
job="" trace=0
for arg in "$@"; do
  case $arg in
    --trace) trace=1 ;;
    -*) usage ;;
    *) [[ -z $job ]] || usage; job=$arg ;;
  esac
done
[[ -n $job ]] || usage
[[ -f $job && -r $job ]] || { echo "$(basename "$0"): cannot read $job" >&2; exit 2; }
command -v gs >/dev/null || { echo "$(basename "$0"): Ghostscript (gs) is not installed" >&2; exit 2; }
job=$(cd "$(dirname "$job")" && pwd)/$(basename "$job")

work=$(mktemp -d "${TMPDIR:-/tmp}/ps-check.XXXXXX") || exit 2
trap 'rm -rf "$work"' EXIT

# Byte-exact on the PostScript: perl reads the file as bytes, lines end in LF or CR LF.
perl -0777 -ne '
  s/\x1B%-12345X//g;
  s/\A.*?(?=^%!)//ms or $_ = "";
  s/^\@PJL[^\n]*(?:\n|\z)//mg;
  print;
' "$job" >"$work/job.ps" || { echo "$(basename "$0"): cannot extract the PostScript" >&2; exit 2; }
if [[ ! -s $work/job.ps ]]; then
  echo "$(basename "$0"): no PostScript in $job (no line begins with %!)" >&2
  exit 1
fi

gs_args=(-q -dNOPAUSE -dBATCH -dSAFER --permit-file-all=Zenta_file -sDEVICE=nullpage)
((trace)) && gs_args+=(-c "userdict /ZentaTrace true put")
(cd "$work" && gs "${gs_args[@]}" -f job.ps) >"$work/out.txt" 2>&1
rc=$?
cat "$work/out.txt"
if ((rc != 0)) || grep -q 'Error:' "$work/out.txt"; then
  {
    echo "$(basename "$0"): Ghostscript reported an error (exit status $rc):"
    grep -A1 -m1 'Error:' "$work/out.txt" || tail -n 5 "$work/out.txt"
  } >&2
  exit 1
fi
exit 0
