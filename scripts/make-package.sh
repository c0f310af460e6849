#!/usr/bin/env bash
# Makes the Windows driver package from a Windows build tree: DIR/package/ holds the INF, the
# plug-in configuration file, the PPD, the plug-in and the files it finds beside itself (as
# package/files.list lists them), and DIR/zenta-package.zip holds the same files.
#
# Usage: make-package.sh [TREE] [--out DIR]
#   TREE  the Windows build tree (default: $ZENTA_TREE, else build-win)
#   DIR   where package/ and zenta-package.zip go (default: out)
# Relative paths given here are taken from the current folder; the defaults lie in the
# repository. The package and the zip are written whole or not at all: when a file is missing,
# the previous ones stay as they were. The driver date is that of SOURCE_DATE_EPOCH when set,
# else of the last commit, so that the same sources give the same package.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

die() { echo "make-package: $*" >&2; exit 1; }
usage() { echo "usage: $0 [TREE] [--out DIR]" >&2; exit 2; }

tree='' out=''
while (($#)); do
  case $1 in
    --out)
      if (($# < 2)) || [[ -z $2 ]]; then usage; fi
      out=$(realpath -m -- "$2"); shift 2 ;;
    -*) usage ;;
    *) [[ -z $tree ]] || usage; tree=$(realpath -m -- "$1"); shift ;;
  esac
done
cd "$root"
tree=${tree:-${ZENTA_TREE:-build-win}}
out=${out:-out}

strip=x86_64-w64-mingw32-strip
command -v "$strip" >/dev/null 2>&1 || die "$strip not found (package binutils-mingw-w64-x86-64)"
command -v python3 >/dev/null 2>&1 || die "python3 not found"
[[ -d $tree/bin ]] || die "$tree/bin: no Windows build there (make build-win, or name the tree)"

# The driver date: INF dates are month/day/year.
if [[ -n ${SOURCE_DATE_EPOCH:-} ]]; then
  epoch=$SOURCE_DATE_EPOCH
else
  epoch=$(git -C "$root" log -1 --format=%ct 2>/dev/null) || epoch=''
  [[ -n $epoch ]] || epoch=$(date +%s)  # not a clone: today
fi
[[ $epoch =~ ^[0-9]+$ ]] || die "SOURCE_DATE_EPOCH must be a number of seconds"
driver_date=$(date -u -d "@$epoch" +%m/%d/%Y)

mkdir -p "$out" || die "cannot make $out"
stage=$(mktemp -d "$out/.package.XXXXXX") || die "cannot write into $out"
zip_part="$out/.zenta-package.zip.part"
old="$stage.old"
trap 'rm -rf "$stage" "$old" "$zip_part"' EXIT

# Takes one file of the list into the stage and adds its name to names, when it is there.
names=()
take() {  # take <name> <from> <how>
  local name=$1 from=$2 how=$3 path
  case $from in
    tree:*) path=$tree/${from#tree:} ;;
    source:*) path=$root/${from#source:} ;;
    *) die "package/files.list: $name comes from '$from' (tree:PATH or source:PATH)" ;;
  esac
  if [[ ! -f $path ]]; then
    [[ $how == optional ]] && return 0
    die "$path is missing (make build-win builds the Windows tree)"
  fi
  case $how in
    copy | optional) cp -- "$path" "$stage/$name" ;;
    text) sed 's/\r$//; s/$/\r/' -- "$path" >"$stage/$name" ;;  # CR LF line ends
    strip) "$strip" --strip-debug -o "$stage/$name" -- "$path" || die "$strip failed on $path" ;;
    *) die "package/files.list: $name is taken '$how' (copy, text, strip or optional)" ;;
  esac
  names+=("$name")
}

while read -r name from how extra; do
  [[ -z $name || $name == \#* ]] && continue
  [[ -n $from && -n $how && -z $extra ]] || die "package/files.list: bad line for '$name'"
  take "$name" "$from" "$how"
done <package/files.list

# The INF: the template's lines, with the driver date and, on a line of their own, the file
# list of the CopyFiles section and the files of the source disk. CR LF line ends.
inf=zenta.inf
awk -v date="$driver_date" -v list="${names[*]}" '
  BEGIN { n = split(list, files, " ") }
  { sub(/\r$/, "") }
  $0 == "@FILES@" { for (i = 1; i <= n; i++) print files[i] "\r"; next }
  $0 == "@SOURCE_DISK_FILES@" { for (i = 1; i <= n; i++) print files[i] "=1\r"; next }
  /@[A-Z_]+@/ { gsub(/@DRIVER_DATE@/, date); if (/@[A-Z_]+@/) { print "unknown placeholder: " $0 > "/dev/stderr"; exit 1 } }
  { print $0 "\r" }
' package/zenta.inf.in >"$stage/$inf" || die "package/zenta.inf.in: cannot fill it in"

# Same dates, same zip.
for f in "$inf" "${names[@]}"; do touch -d "@$epoch" "$stage/$f"; done
python3 - "$stage" "$zip_part" "$epoch" "$inf" "${names[@]}" <<'EOF' || die "cannot write the zip"
import sys, time, zipfile
stage, target, epoch, names = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4:]
stamp = time.gmtime(max(epoch, 315532800))[:6]  # zip dates begin in 1980
with zipfile.ZipFile(target, "w", zipfile.ZIP_DEFLATED) as z:
    for name in names:
        entry = zipfile.ZipInfo(name, stamp)
        entry.compress_type = zipfile.ZIP_DEFLATED
        entry.external_attr = 0o644 << 16
        with open(f"{stage}/{name}", "rb") as f:
            z.writestr(entry, f.read())
EOF

# Put both in place: the previous package is removed only once the new one is whole.
chmod 755 "$stage"
[[ -e $out/package ]] && mv -- "$out/package" "$old"
mv -- "$stage" "$out/package"
mv -- "$zip_part" "$out/zenta-package.zip"
echo "package: $out/package ($inf ${names[*]}), $out/zenta-package.zip"
