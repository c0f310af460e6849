# shellcheck shell=bash
# Shared by the tests/wine/*.sh checks: the repository's two trees, and `run_wine` to run a
# program of the Windows tree under Wine in that tree's private prefix.
#   ZENTA_ROOT  repository root
#   NATIVE_BIN  build/bin          WIN_BIN  build-win/bin
#   run_wine <program.exe> [args]  (time-boxed by ZENTA_WINE_TIMEOUT, default 300 s)
set -euo pipefail
ZENTA_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
NATIVE_BIN=$ZENTA_ROOT/build/bin
WIN_BIN=$ZENTA_ROOT/build-win/bin
# shellcheck source=../../scripts/wine-env.sh
source "$ZENTA_ROOT/scripts/wine-env.sh"
zenta_wine_setup "$ZENTA_ROOT/build-win"
zenta_wine_init

run_wine() {
  timeout -k 10 "${ZENTA_WINE_TIMEOUT:-300}" "${ZENTA_WINE[@]}" "$@"
}

fail() { echo "FAIL: $*" >&2; exit 1; }
