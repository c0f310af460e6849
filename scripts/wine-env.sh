# shellcheck shell=bash
# Sourced helper: finds a Wine that runs 64-bit .exe files and prepares the private Wine
# prefix of a Windows build tree (<tree>/wineprefix), non-interactively and time-boxed.
#
#   zenta_wine_setup <build-win dir>   sets ZENTA_WINE (array), ZENTA_WINESERVER, WINEPREFIX, ...
#   zenta_wine_init                    creates the prefix once (locked against parallel runs)
#   zenta_wine_stop                    waits for the prefix's wineserver to go away
#
# Overrides: ZENTA_WINE_CMD (loader command), ZENTA_WINEPREFIX (prefix folder),
# ZENTA_WINE_INIT_TIMEOUT (seconds, default 300).

zenta_wine_locate() {
  ZENTA_WINE=()
  ZENTA_WINESERVER=
  if [[ -n ${ZENTA_WINE_CMD:-} ]]; then
    read -r -a ZENTA_WINE <<<"$ZENTA_WINE_CMD"
  elif [[ -x /usr/lib/wine/wine64 ]]; then
    # Debian: the 64-bit loader itself, so that neither the `wine` wrapper nor wine32 matter.
    ZENTA_WINE=(/usr/lib/wine/wine64)
    export WINELOADER=/usr/lib/wine/wine64
  elif command -v wine64 >/dev/null 2>&1; then
    ZENTA_WINE=("$(command -v wine64)")
  elif command -v wine >/dev/null 2>&1; then
    ZENTA_WINE=("$(command -v wine)")
  else
    echo "wine: no Wine found (install the wine and wine64 packages: make deps)" >&2
    return 1
  fi
  local s
  for s in /usr/lib/wine/wineserver64 "$(command -v wineserver64 2>/dev/null)" \
           "$(command -v wineserver 2>/dev/null)"; do
    if [[ -n $s && -x $s ]]; then ZENTA_WINESERVER=$s; break; fi
  done
}

zenta_wine_setup() {
  local tree=${1:?build tree}
  zenta_wine_locate || return 1
  tree=$(cd "$tree" && pwd) || return 1
  export WINEPREFIX=${ZENTA_WINEPREFIX:-$tree/wineprefix}
  export WINEARCH=win64
  export WINEDEBUG=-all
  # No Mono or Gecko install prompts, and no window: Wine falls back to its null display.
  export WINEDLLOVERRIDES="mscoree,mshtml="
  unset DISPLAY WAYLAND_DISPLAY
  if [[ -z ${HOME:-} ]]; then
    HOME=$(getent passwd "$(id -u)" | cut -d: -f6)
    export HOME=${HOME:-/tmp}
  fi
}

zenta_wine_init() {
  local ready=$WINEPREFIX/.zenta-ready
  [[ -e $ready ]] && return 0
  mkdir -p "$(dirname "$WINEPREFIX")"
  local lock=$WINEPREFIX.lock log=$WINEPREFIX.init.log
  (
    flock -w 600 9 || { echo "wine: timed out waiting for $lock" >&2; exit 1; }
    [[ -e $ready ]] && exit 0
    rm -rf "$WINEPREFIX"
    if ! timeout -k 10 "${ZENTA_WINE_INIT_TIMEOUT:-300}" \
        "${ZENTA_WINE[@]}" wineboot -i </dev/null >"$log" 2>&1; then
      echo "wine: creating the prefix $WINEPREFIX failed or timed out; its output:" >&2
      cat "$log" >&2
      exit 1
    fi
    touch "$ready"
  ) 9>"$lock"
}

zenta_wine_stop() {
  [[ -n ${ZENTA_WINESERVER:-} && -d ${WINEPREFIX:-} ]] || return 0
  timeout 60 "$ZENTA_WINESERVER" -w 2>/dev/null || "$ZENTA_WINESERVER" -k 2>/dev/null || true
}
