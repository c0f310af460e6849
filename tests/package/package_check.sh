#!/usr/bin/env bash
# The Windows driver package (make package), checked as Windows reads it:
#   - the INF: a printer class INF for x64 whose every section reference resolves (models,
#     install section, CopyFiles lists, destination folders, strings), the model named as the
#     PPD names it, the PostScript core driver taken from ntprint.inf and not shipped;
#   - the files: every file the INF copies is in the package, on the source disk, and every
#     file of the package is copied; the plug-in configuration file names the render plug-in
#     as the core driver expects;
#   - the libraries: x64, importing system libraries only, exporting what their callers look up;
#   - the PPD: the repository's own, passing cupstestppd and the PPD check (every printer
#     procedure run by Ghostscript);
#   - the zip beside the package, and scripts/make-package.sh on a tree with an additional
#     language file and on a tree that lacks a library.
# Usage: package_check.sh PACKAGE-DIR   (out/package after make package)
# Prints one line per check and last "<passed> passed, <failed> failed"; exits non-zero when a
# check failed.
# shellcheck disable=SC2016  # bash -c scripts take their arguments as $1, $2 on purpose
# shellcheck disable=SC2317  # functions called through check look unreachable to shellcheck
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

source "$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/check.sh"

if (($# != 1)) || [[ ! -d $1 ]]; then
  echo "usage: $0 PACKAGE-DIR (a folder made by make package)" >&2
  exit 2
fi
pkg=$(cd "$1" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/package_check.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT

# The PostScript core driver's own files: ntprint.inf installs them (Needs=PSCRIPT.OEM); a
# package names them but never carries them.
core_files="pscript5.dll ps5ui.dll pscript.hlp pscript.ntf pscrptfe.ntf ps_schm.gdl"
# What a library of the package may import: Windows system libraries only.
system_dlls='^(kernel32|msvcrt|user32|advapi32|ole32|oleaut32|ws2_32|iphlpapi|bcrypt|gdi32|shell32)\.dll$|^winspool\.drv$|^api-ms-win-.*\.dll$'
# The exports each library's caller looks up, by its name after the base name of the plug-in
# (zenta_ps.dll: base "zenta"): the core driver, the tab file process and the plug-in itself.
exports_wanted="_ps.dll DllGetClassObject DllCanUnloadNow CreateTabFileExW
.dll CreateTabDocument
_n.dll BdcSetNotifyPrint"
objdump=x86_64-w64-mingw32-objdump

# --- Reading an INF ---------------------------------------------------------------------------

# One line per entry, as Windows reads the file: "[<TAB>section" for a section head, else
# "section<TAB>key<TAB>value" (key empty for a line without "="). Section names and keys are
# lower case (Windows compares them so); comments and the blanks around fields are gone.
inf_entries() {
  awk '
    function uncomment(s,   i, c, quoted, kept) {
      for (i = 1; i <= length(s); i++) {
        c = substr(s, i, 1)
        if (c == "\"") quoted = !quoted
        else if (c == ";" && !quoted) break
        kept = kept c
      }
      return kept
    }
    function trim(s) { gsub(/^[ \t]+|[ \t]+$/, "", s); return s }
    { sub(/\r$/, ""); line = trim(uncomment($0)) }
    line == "" { next }
    line ~ /^\[.*\]$/ { section = tolower(trim(substr(line, 2, length(line) - 2))); print "[\t" section; next }
    (eq = index(line, "=")) > 0 { print section "\t" tolower(trim(substr(line, 1, eq - 1))) "\t" trim(substr(line, eq + 1)); next }
    { print section "\t\t" line }
  ' "$1"
}
has_section() { grep -qixF "[	$1" "$entries"; }
value_of() {  # value_of <section> <key>: the values, one a line
  awk -F'\t' -v s="${1,,}" -v k="${2,,}" '$1 == s && $2 == k { print $3 }' "$entries"
}
lines_of() {  # lines_of <section>: the lines without "=" (the files of a file list section)
  awk -F'\t' -v s="${1,,}" '$1 == s && $2 == "" { print $3 }' "$entries"
}
keys_of() { awk -F'\t' -v s="${1,,}" '$1 == s && $2 != "" { print $2 "\t" $3 }' "$entries"; }
items() { tr ',' '\n' | sed 's/^[ \t]*//; s/[ \t]*$//' | sed '/^$/d'; }  # a comma list, one a line
resolve() {  # resolve <text>: %key% replaced by its [Strings] text, the quotes gone
  local text=$1 key
  while [[ $text =~ %([^%]+)% ]]; do
    key=${BASH_REMATCH[1]}
    text=${text//"%$key%"/$(value_of strings "$key" | head -1)}
  done
  text=${text#\"}; echo "${text%\"}"
}
files_in() { find "$1" -maxdepth 1 -type f -printf '%f\n'; }  # the names of a folder's files
lower() { tr '[:upper:]' '[:lower:]'; }
words() { tr '\n' ' ' <<<"$1" | sed 's/ *$//'; }  # lines joined by spaces
path_of() {  # path_of <file> <folder>: the file's path, found as Windows finds it (any case)
  local name
  name=$(files_in "$2" | grep -ixF -- "$1" | head -1)
  [[ -n $name ]] && echo "$2/$name"
}

# The files a package's INF copies, lower case, one a line: every @file and every line of every
# file list section that an install section's CopyFiles names.
copied_files() {
  local install list
  for install in "${installs[@]}"; do
    value_of "$install" copyfiles | items | while read -r list; do
      if [[ $list == @* ]]; then echo "${list#@}"; else lines_of "$list"; fi
    done
  done | lower | sort -u
}

# Every file of DIR (but the INF and the catalog made when signing) is copied, and the other
# way round, and every copied file lies on a source disk that [SourceDisksNames] declares.
file_lists_agree() {  # file_lists_agree <dir>: the INF of <dir> read into $entries first
  local dir=$1 files copied f disk ok=0
  files=$(files_in "$dir" | lower | grep -v -e '\.inf$' -e '\.cat$' | sort)
  copied=$(copied_files)
  same "$files" "$copied" || ok=1
  for f in $copied; do
    disk=$(value_of sourcedisksfiles "$f" | items | head -1)
    if [[ -z $disk ]] || ! keys_of sourcedisksnames | cut -f1 | grep -qxF "$disk"; then
      echo "     $f: not on a declared source disk"; ok=1
    fi
  done
  return "$ok"
}

# Reads an INF into the file $entries names; its x64 model lines ("name<TAB>install,hardware
# id") into models, their install sections into installs.
read_inf() {  # read_inf <inf> <entries file>
  entries=$2
  inf_entries "$1" >"$entries"
  mapfile -t models < <(keys_of manufacturer | cut -f2 | items | head -1 |
    while read -r section; do keys_of "$section.ntamd64"; done)
  mapfile -t installs < <(printf '%s\n' "${models[@]}" | cut -f2 | cut -d, -f1 | items)
}

infs=$(files_in "$pkg" | grep -i '\.inf$')
check "the package has one INF" test "$(grep -c . <<<"$infs")" -eq 1
inf=$pkg/$(head -1 <<<"$infs")
read_inf "$inf" "$work/entries"

# --- The INF ------------------------------------------------------------------------------------

version=$(keys_of version)
check "[Version]: a printer class INF for Windows NT" bash -c '
  grep -qx "signature	\"\$Windows NT\$\"" <<<"$1" && grep -qx "class	Printer" <<<"$1" &&
    grep -qix "classguid	{4D36E979-E325-11CE-BFC1-08002BE10318}" <<<"$1" && grep -q "^provider	." <<<"$1" &&
    grep -Eq "^driverver	(0[1-9]|1[0-2])/(0[1-9]|[12][0-9]|3[01])/[0-9]{4},[0-9]+\.[0-9]+\.[0-9]+\.[0-9]+$" <<<"$1"' _ "$version"

# [Manufacturer] "name=models,decoration,...": models.NTamd64 lists the x64 models.
mapfile -t manufacturers < <(keys_of manufacturer | cut -f2)
check "[Manufacturer]: one manufacturer with the NTamd64 decoration" bash -c '
  (($# == 1)) && [[ $(tr "[:upper:]" "[:lower:]" <<<"$1" | tr -d " ") =~ ^[^,]+(,.*)?,ntamd64(,|$) ]]' _ "${manufacturers[@]}"
model_sections=()
for m in "${manufacturers[@]}"; do
  base=$(items <<<"$m" | head -1)
  for decoration in "" $(items <<<"$m" | tail -n +2); do
    model_sections+=("$base${decoration:+.$decoration}")
  done
done
missing=$(for s in "${model_sections[@]}"; do has_section "$s" || echo "$s"; done)
check "every models section [Manufacturer] names exists" same "" "$missing"

# The x64 model: named as the PPD names the printer.
ppd_file=$(value_of "${installs[0]:-none}" datafile | head -1)
nickname=$(sed -n 's/^\*NickName: *"\(.*\)"\r*$/\1/p' "$pkg/$ppd_file" 2>/dev/null)
check "one x64 model, named as the PPD's *NickName (\"$nickname\")" bash -c '[[ -n $1 && $1 == "$2" ]]' _ \
  "$nickname" "$(for m in "${models[@]}"; do resolve "$(cut -f1 <<<"$m")"; done)"
check "the model has a hardware id" bash -c '[[ $1 =~ ^[^,]+,[[:space:]]*[^,[:space:]]+ ]]' _ \
  "$(cut -f2 <<<"${models[0]:-}")"
missing=$(for s in "${installs[@]}"; do has_section "$s" || echo "$s"; done)
check "every install section a model names exists" same "" "$missing"

install=${installs[0]:-none}
check "install section: the PostScript core driver from ntprint.inf" bash -c '
  [[ ${1,,} == ntprint.inf && ${2,,} == pscript.oem,pscript_data && ${3,,} == pscript5.dll &&
     ${4,,} == ps5ui.dll && ${5,,} == pscript.hlp ]]' _ \
  "$(value_of "$install" include)" "$(value_of "$install" needs | tr -d ' ')" \
  "$(value_of "$install" driverfile)" "$(value_of "$install" configfile)" "$(value_of "$install" helpfile)"
check "install section: the data file is a PPD" bash -c '[[ ${1,,} == *.ppd ]]' _ "$ppd_file"

# Every section an entry refers to: CopyFiles lists, data sections, destination folders.
missing=$(
  for s in "${installs[@]}"; do
    { value_of "$s" copyfiles | items | grep -v '^@'; value_of "$s" datasection; } |
      while read -r ref; do has_section "$ref" || echo "$ref"; done
  done
  keys_of destinationdirs | cut -f1 | grep -vx defaultdestdir | while read -r ref; do
    has_section "$ref" || echo "$ref"; done)
check "every CopyFiles list and data section an install section names exists" same "" "$missing"
check "[DestinationDirs]: the printer driver directory (66000)" \
  same "66000" "$(value_of destinationdirs defaultdestdir)"
undefined=$(grep -v '^strings	' "$entries" | grep -o '%[^%]*%' | tr -d '%' | sort -u |
  while read -r key; do [[ -n $(value_of strings "$key") ]] || echo "%$key%"; done)
check "every %string% is defined in [Strings]" same "" "$undefined"

# --- The files ----------------------------------------------------------------------------------

check "every file of the package is copied, and every copied file is there, on a source disk" \
  file_lists_agree "$pkg"
core=$(for f in $core_files; do path_of "$f" "$pkg" >/dev/null && echo "$f"; copied_files | grep -xF "$f"; done)
check "the core driver's files are neither shipped nor copied by the package" same "" "$core"
check "the data file is copied" bash -c 'grep -qixF -- "$1" <<<"$2"' _ "$ppd_file" "$(copied_files)"

# The plug-in configuration file: [OEMFiles] with OEMDriverFileN (render plug-ins) and
# OEMConfigFileN (user interface plug-ins), each numbered from 1 without gaps, no spaces around
# "=", plain file names of the package.
ini_names=$(copied_files | grep '\.ini$')
check "one plug-in configuration file is copied" test "$(grep -c . <<<"$ini_names")" -eq 1
ini=$(path_of "$(head -1 <<<"$ini_names")" "$pkg")
ini_faults=$(awk '
  { sub(/\r$/, "") }
  /^[ \t]*(#|;|$)/ { next }
  /^\[/ { section = $0; if (section == "[OEMFiles]") seen = 1; next }
  section != "[OEMFiles]" { next }
  !/^OEM(Driver|Config)File[1-9][0-9]*=[^ \t\\\/:]+$/ { print "bad line: " $0; next }
  { kind = $0; sub(/File.*/, "", kind); n = $0; sub(/^[^0-9]*/, "", n); sub(/=.*/, "", n)
    count[kind]++; number[kind, n] = 1 }
  END {
    if (!seen) print "no [OEMFiles] section"
    if (!count["OEMDriver"]) print "no OEMDriverFile1"
    for (kind in count) for (i = 1; i <= count[kind]; i++) if (!((kind, i) in number)) print kind "File" i " missing"
  }' "$ini" 2>/dev/null)
check "$(basename "$ini"): [OEMFiles] entries numbered from 1, no spaces, no paths" same "" "$ini_faults"
named=$(sed -n 's/^OEM\(Driver\|Config\)File[0-9]*=\([^\r]*\)\r*$/\2/p' "$ini" 2>/dev/null)
missing=$(for f in $named; do copied_files | grep -qixF -- "$f" || echo "$f"; done)
check "every file $(basename "$ini") names is in the package and copied" same "" "$missing"
plugin=$(sed -n 's/^OEMDriverFile1=\([^\r]*\)\r*$/\1/p' "$ini" 2>/dev/null)

# --- The libraries ------------------------------------------------------------------------------

exports_of() {  # the names of a Windows library's export name table: lines "[   n] Name"
  "$objdump" -p "$1" | awk '/\[Ordinal\/Name Pointer\] Table/ { on = 1; next }
    on && /^[ \t]*$/ { exit }
    on && match($0, /\][ \t]+[^ \t]+/) { name = substr($0, RSTART + 1, RLENGTH - 1); gsub(/[ \t]/, "", name); print name }'
}
if ! command -v "$objdump" >/dev/null; then
  check "$objdump is installed (package binutils-mingw-w64-x86-64)" false
else
  for dll in $(copied_files | grep -E '\.(dll|drv)$'); do
    file=$(path_of "$dll" "$pkg") || continue  # a missing file is reported above
    check "$dll: a Windows x64 library" bash -c '"$1" -f "$2" | grep -q "file format pei-x86-64"' _ "$objdump" "$file"
    imports=$("$objdump" -p "$file" | sed -n 's/^[[:space:]]*DLL Name:[[:space:]]*//p' | tr -d '\r' | sort -u)
    check "$dll: imports system libraries only ($(words "$imports"))" \
      bash -c '[[ -n $1 ]] && ! grep -Eiv "$2" <<<"$1"' _ "$imports" "$system_dlls"
  done
  base=${plugin%.*}; base=${base%_*}
  while read -r suffix wanted; do
    dll=$base$suffix
    file=$(path_of "$dll" "$pkg")
    have=$(exports_of "$file" 2>/dev/null)
    missing=$(for e in $wanted; do grep -qxF "$e" <<<"$have" || echo "$e"; done)
    check "$dll is in the package, exporting $wanted" \
      bash -c '[[ -f $1 && -z $2 ]] || { [[ -n $2 ]] && echo "     missing: $2"; false; }' _ "$file" "$(words "$missing")"
  done <<<"$exports_wanted"
fi

# --- The PPD ------------------------------------------------------------------------------------

ppd=$pkg/$ppd_file
check "the PPD is the repository's ppd/zenta.ppd" cmp -s "$ppd" "$root/ppd/zenta.ppd"
if command -v cupstestppd >/dev/null; then
  out=$(cupstestppd -v "$ppd" 2>&1); rc=$?
  check "cupstestppd: no FAIL line" bash -c '(($1 == 0)) && ! grep -q FAIL <<<"$2" || { grep FAIL <<<"$2" | sed "s/^/     /"; false; }' _ "$rc" "$out"
else
  check "cupstestppd is installed (package cups-client)" false
fi
# The PPD check runs every printer procedure through Ghostscript, in a job as the driver and the
# plug-in write it and on odd input; it reads the PPD that ZENTA_PPD names.
out=$(ZENTA_PPD=$ppd bash "$root/tests/ppd/ppd_check.sh" 2>&1); rc=$?
check "PPD check: $(tail -1 <<<"$out")" bash -c '(($1 == 0)) || { grep "^FAIL" <<<"$2" | sed "s/^/     /"; false; }' _ "$rc" "$out"
# Every procedure the PPD puts into ZTQVFeatures (found by Ghostscript) is one whose trace the
# PPD check expects, so that none goes unrun.
procs=$(sed -n '/^\*ZTQVProcedures Installed/,/^\*End/p' "$ppd" | sed -e '1s/^[^"]*"//' -e '$d' | sed '$s/"\r*$//')
defined=$(printf '%s\n' "$procs" "ZTQVFeatures { xcheck { = } { pop } ifelse } forall" |
  gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=nullpage - 2>&1 | sort)
traced=$(grep -o 'Zenta_[A-Za-z0-9_]* page=' "$root/tests/ppd/ppd_check.sh" | sed 's/ page=//' | sort -u)
check "Ghostscript finds the PPD's procedures: $(words "$defined")" bash -c '[[ $1 =~ ^(Zenta_[A-Za-z0-9_]+[[:space:]]*)+$ ]]' _ "$defined"
check "every procedure of the PPD runs in the PPD check" same "" "$(comm -23 <(echo "$defined") <(echo "$traced"))"

# --- The zip and the package script -------------------------------------------------------------

zip=$pkg/../zenta-package.zip
if [[ -f $zip ]]; then
  check "zenta-package.zip holds the package's files, the same bytes" python3 - "$zip" "$pkg" <<'EOF'
import os, sys, zipfile
with zipfile.ZipFile(sys.argv[1]) as z:
    names = sorted(z.namelist())
    ok = names == sorted(os.listdir(sys.argv[2])) and all(
        z.read(n) == open(os.path.join(sys.argv[2], n), "rb").read() for n in names)
sys.exit(0 if ok else 1)
EOF
fi

# A tree with an additional language file: the package carries it and copies it, and the same
# tree gives the same zip twice. A tree that lacks a library: an error, the package before stays.
mkdir -p "$work/tree/bin"
for f in $(copied_files | grep '\.dll$'); do
  file=$(path_of "$f" "$pkg") && cp "$file" "$work/tree/bin/$f"
done
cp "$root/tests/data/lng/zenta.lng" "$work/tree/bin/zenta.lng"
make_package() { SOURCE_DATE_EPOCH=1767225600 "$root/scripts/make-package.sh" "$@" 2>"$work/stderr" >/dev/null; }
make_package "$work/tree" --out "$work/a" && make_package "$work/tree" --out "$work/b"; rc=$?
check "a tree with zenta.lng: make-package.sh makes the package" test "$rc" -eq 0
if ((rc == 0)); then
  check "a tree with zenta.lng: the package carries it" cmp -s "$work/a/package/zenta.lng" "$root/tests/data/lng/zenta.lng"
  read_inf "$work/a/package/$(basename "$inf")" "$work/entries_lng"
  check "a tree with zenta.lng: the INF copies it" bash -c 'grep -qxF zenta.lng <<<"$1"' _ "$(copied_files)"
  check "a tree with zenta.lng: every file copied and on the source disk" file_lists_agree "$work/a/package"
  check "the same tree, the same zip" cmp -s "$work/a/zenta-package.zip" "$work/b/zenta-package.zip"
fi
rm -f "$work/tree/bin/zenta_n.dll"
mkdir -p "$work/a" && cp -r "$work/a" "$work/before"
make_package "$work/tree" --out "$work/a"; rc=$?
check "a tree without zenta_n.dll: exit 1, the library named" \
  bash -c '(($1 == 1)) && grep -q "zenta_n.dll is missing" "$2"' _ "$rc" "$work/stderr"
check "a tree without zenta_n.dll: the package before is left as it was, nothing half-made" \
  diff -r "$work/before" "$work/a"
make_package "$work/tree" --bogus; rc=$?
check "make-package.sh with an unknown option: usage, exit 2" \
  bash -c '(($1 == 2)) && grep -q "^usage:" "$2"' _ "$rc" "$work/stderr"

finish
