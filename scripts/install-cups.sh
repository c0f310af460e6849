#!/usr/bin/env bash
# Installs the CUPS filter and the CUPS PPD of the Zenta production printer from a native tree:
#   PREFIX/lib/zenta/           zenta-cups with the plug-in library, its companions, the tab
#                               sheet launcher and the driver-side PPD it prints with
#   PREFIX/lib/cups/filter/     zenta-cups, a link to the one above (CUPS runs it from here)
#   PREFIX/share/ppd/zenta/     zenta.ppd, the PPD for the CUPS queue (made by `zenta ppd --cups`)
# DESTDIR is put before every path (for packaging); PREFIX is /usr unless set.
#
# Usage: scripts/install-cups.sh [TREE]     (TREE: the native build tree, default build)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
tree=${1:-$root/build}
prefix=${PREFIX:-/usr}
dest=${DESTDIR:-}
bin=$tree/bin

for f in zenta zenta-cups zenta_rundll libzenta_platform.so libzenta_ps.so libzenta.so libzenta_n.so; do
  [[ -e $bin/$f ]] || { echo "install-cups: $bin/$f is missing (build the native tree first)" >&2; exit 1; }
done

lib=$dest$prefix/lib/zenta
filters=$dest$prefix/lib/cups/filter
ppds=$dest$prefix/share/ppd/zenta
install -d "$lib" "$filters" "$ppds"
install -m 755 "$bin/zenta-cups" "$bin/zenta_rundll" "$lib/"
install -m 644 "$bin/libzenta_platform.so" "$bin/libzenta_ps.so" "$bin/libzenta.so" "$bin/libzenta_n.so" "$lib/"
install -m 644 "$root/ppd/zenta.ppd" "$lib/zenta.ppd"
ln -sfn "../../zenta/zenta-cups" "$filters/zenta-cups"
ppd=$(mktemp "$ppds/.zenta.ppd.XXXXXX")
trap 'rm -f "$ppd"' EXIT
"$bin/zenta" ppd --cups -o "$ppd"
chmod 644 "$ppd"
mv "$ppd" "$ppds/zenta.ppd"
trap - EXIT
echo "install-cups: filter in $filters, PPD in $ppds/zenta.ppd"
