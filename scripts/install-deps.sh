#!/usr/bin/env bash
# Installs the Debian 12 packages the build and the test suites need. Idempotent: when
# everything is present it only asks dpkg once and returns. Quiet unless something fails.
set -euo pipefail

# Needed for the native tree, the Windows x64 tree, the Wine runs, the PostScript checks and the
# fuzz tree (clang with its sanitizer and libFuzzer runtimes).
# `wine64` holds the 64-bit loader; the `wine` package adds the `wine`, `wineboot` and
# `wineserver` commands on top of it.
required=(
  cmake make g++
  g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64
  wine wine64
  ghostscript
  libgtest-dev googletest libbenchmark-dev
  libssl-dev nlohmann-json3-dev libcli11-dev
  python3 iproute2
  cups-client cups
  clang libclang-rt-14-dev
)
# Speeds the build up when present; the build falls back to Makefiles without it.
optional=(ninja-build)

log() { printf 'install-deps: %s\n' "$*" >&2; }

if ! command -v dpkg-query >/dev/null 2>&1; then
  # Not a Debian system: only check that the main commands exist.
  missing_cmds=()
  for c in cmake make g++ x86_64-w64-mingw32-g++-posix wine gs; do
    command -v "$c" >/dev/null 2>&1 || missing_cmds+=("$c")
  done
  if ((${#missing_cmds[@]})); then
    log "no dpkg here; please install the packages providing: ${missing_cmds[*]}"
    exit 1
  fi
  exit 0
fi

# One dpkg query for all packages; a package unknown to dpkg is simply absent from the output.
missing_of() {
  local installed
  installed=$(dpkg-query -W -f='${Package} ${db:Status-Abbrev}\n' "$@" 2>/dev/null |
    awk '$2 == "ii" { print $1 }' || true)
  local p
  for p in "$@"; do
    grep -qxF "$p" <<<"$installed" || printf '%s\n' "$p"
  done
}

mapfile -t missing < <(missing_of "${required[@]}")
mapfile -t missing_opt < <(missing_of "${optional[@]}")
if ((${#missing[@]} == 0 && ${#missing_opt[@]} == 0)); then
  exit 0
fi

sudo=()
if [[ $(id -u) -ne 0 ]]; then
  if command -v sudo >/dev/null 2>&1; then
    sudo=(sudo)
  elif ((${#missing[@]})); then
    log "missing packages: ${missing[*]}; run this script as root to install them"
    exit 1
  else
    exit 0  # only optional packages are missing; carry on without them
  fi
fi

logfile=$(mktemp -t zenta-install-deps.XXXXXX)
trap 'rm -f "$logfile"' EXIT
run_apt() {
  if ! "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive "$@" >"$logfile" 2>&1; then
    cat "$logfile" >&2
    return 1
  fi
}

log "installing: ${missing[*]} ${missing_opt[*]}"
run_apt apt-get update -qq || { log "apt-get update failed"; exit 1; }
apt_install=(apt-get install -y -qq --no-install-recommends
  -o Dpkg::Options::=--force-confdef -o Dpkg::Options::=--force-confold)
if ! run_apt "${apt_install[@]}" "${missing[@]}" "${missing_opt[@]}"; then
  if ((${#missing_opt[@]} == 0)); then
    log "installation failed"
    exit 1
  fi
  log "retrying without the optional packages (${missing_opt[*]})"
  if ((${#missing[@]})); then
    run_apt "${apt_install[@]}" "${missing[@]}" || { log "installation failed"; exit 1; }
  fi
fi

mapfile -t still < <(missing_of "${required[@]}")
if ((${#still[@]})); then
  log "still missing after installation: ${still[*]}"
  exit 1
fi
