#!/usr/bin/env bash
# The plug-in library exports exactly its three entry points, and the Windows DLL imports
# nothing but Windows system DLLs (the runtimes are linked in), so that it loads on any
# Windows with only the driver package's files beside it.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

dll=$WIN_BIN/zenta_ps.dll
so=$NATIVE_BIN/libzenta_ps.so
[[ -f $dll ]] || fail "$dll not built"
[[ -f $so ]] || fail "$so not built"
objdump=x86_64-w64-mingw32-objdump
command -v "$objdump" >/dev/null 2>&1 || fail "$objdump not found (package binutils-mingw-w64-x86-64)"

expected=$(printf '%s\n' CreateTabFileExW DllCanUnloadNow DllGetClassObject)
headers=$("$objdump" -p "$dll") || fail "$objdump -p $dll failed"

# The export name table: "[Ordinal/Name Pointer] Table" is followed by lines "[   n] Name",
# up to the next blank line.
exports=$(awk '/\[Ordinal\/Name Pointer\] Table/ {on = 1; next}
               on && /^[[:space:]]*$/ {on = 0}
               on && match($0, /\][[:space:]]+[^[:space:]]+/) {
                 name = substr($0, RSTART + 1, RLENGTH - 1); gsub(/[[:space:]]/, "", name); print name }' \
          <<<"$headers" | sort)
[[ $exports == "$expected" ]] || fail "zenta_ps.dll exports '$(tr '\n' ' ' <<<"$exports")', expected '$(tr '\n' ' ' <<<"$expected")'"
echo "zenta_ps.dll exports: $(tr '\n' ' ' <<<"$exports")"

# Imported DLLs must all be Windows system DLLs.
allowed='^(kernel32|msvcrt|user32|advapi32|ole32|oleaut32|ws2_32|iphlpapi|bcrypt|gdi32|shell32)\.dll$|^winspool\.drv$|^api-ms-win-.*\.dll$'
imports=$(sed -n 's/^[[:space:]]*DLL Name:[[:space:]]*//p' <<<"$headers" | tr -d '\r' | sort -u)
[[ -n $imports ]] || fail "no imported DLLs found in zenta_ps.dll (unexpected objdump output)"
bad=$(grep -Eiv "$allowed" <<<"$imports" || true)
[[ -z $bad ]] || fail "zenta_ps.dll imports non-system DLLs: $(tr '\n' ' ' <<<"$bad")"
echo "zenta_ps.dll imports: $(tr '\n' ' ' <<<"$imports")"

# The shared object exports the same three functions and no other symbol.
native=$(nm -D --defined-only "$so" | awk '$2 != "A" {print $3}' | sed 's/@.*//' | sort -u) ||
  fail "nm -D $so failed"
for name in $expected; do
  grep -qx "$name" <<<"$native" || fail "libzenta_ps.so does not export $name"
done
others=$(grep -vxF "$expected" <<<"$native" || true)
[[ -z $others ]] || fail "libzenta_ps.so exports functions beyond the three: $(tr '\n' ' ' <<<"$others" | cut -c1-400)"
echo "libzenta_ps.so exports: $(tr '\n' ' ' <<<"$native")"
