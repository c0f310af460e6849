#!/usr/bin/env bash
# The filter in a real CUPS: a cupsd of this test's own (its configuration in a temporary folder,
# listening only on a local socket of its own, FileDevice Yes, stopped at the end) with a queue on
# the generated PPD and a file: device. Three jobs with different -o options go through lp; each
# output file must be the job `zenta print` writes for the same settings (job identifier, user and
# title masked). `lpoptions -l` must list every option of the PPD with its default marked. Where
# cupsd cannot start, the check is skipped (exit 77) and says why.
#
# Usage: cupsd_check.sh NATIVE_TREE
set -uo pipefail
tree=$(realpath "$1")
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
zenta=$tree/bin/zenta
for program in cupsd lpadmin lp lpstat lpoptions; do
  command -v "$program" >/dev/null 2>&1 || PATH=$PATH:/usr/sbin
  command -v "$program" >/dev/null 2>&1 || { echo "SKIP: $program is not installed (Debian package cups)"; exit 77; }
done
source "$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/check.sh"

work=$(mktemp -d)
chmod 755 "$work"
pid=
cleanup() {
  [[ -n $pid ]] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
DESTDIR=$work/root PREFIX=/usr bash "$root/scripts/install-cups.sh" "$tree" >/dev/null || { echo "FAIL install"; exit 1; }
# cupsd starts filters through its own helpers, which stay the system's.
ln -s /usr/lib/cups/daemon "$work/root/usr/lib/cups/daemon"
ln -s /usr/lib/cups/backend "$work/root/usr/lib/cups/backend"
mkdir -p "$work"/{etc,spool,cache,state,tmp,log,out}
chmod 1777 "$work/tmp" "$work/out"
export CUPS_SERVER=$work/cupsd.sock
# Printer URIs need a host and port: a free loopback port, besides the socket.
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
cat > "$work/etc/cupsd.conf" <<CONF
Listen $CUPS_SERVER
Listen 127.0.0.1:$port
ServerName localhost
ServerAlias *
LogLevel debug
WebInterface No
Browsing Off
DefaultAuthType None
<Location />
  Order allow,deny
  Allow all
</Location>
<Location /admin>
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
CONF
cat > "$work/etc/cups-files.conf" <<CONF
ServerRoot $work/etc
ServerBin $work/root/usr/lib/cups
DataDir /usr/share/cups
RequestRoot $work/spool
CacheDir $work/cache
StateDir $work/state
TempDir $work/tmp
AccessLog $work/log/access_log
ErrorLog $work/log/error_log
PageLog $work/log/page_log
FileDevice Yes
CONF
cupsd -f -c "$work/etc/cupsd.conf" -s "$work/etc/cups-files.conf" > "$work/log/cupsd.out" 2>&1 &
pid=$!
for _ in $(seq 100); do [[ -S $CUPS_SERVER ]] && break; kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
if [[ ! -S $CUPS_SERVER ]]; then
  echo "SKIP: cupsd did not start here: $(tail -3 "$work/log/cupsd.out" "$work/log/error_log" 2>/dev/null | tr '\n' ' ')"
  exit 77
fi

ppd=$work/root/usr/share/ppd/zenta/zenta.ppd
cat > "$work/doc.ps" <<'PS'
%!PS-Adobe-3.0
%%Pages: 2
%%BoundingBox: 0 0 595 842
%%EndComments
%%Page: 1 1
/Helvetica findfont 24 scalefont setfont 72 720 moveto (Page one through cupsd) show showpage
%%Page: 2 2
/Helvetica findfont 24 scalefont setfont 72 720 moveto (Page two through cupsd) show showpage
%%EOF
PS
chmod 644 "$work/doc.ps"

mask() {
  sed -E -e 's/^(@PJL SET (DRIVERJOBID|USERNAME|JOBNAME))=.*/\1=masked/' \
         -e 's/^(%%(ZENTA-)?(TitleEx|ForEx|Title|For|CreationDate)):.*/\1: masked/' "$1" | tr -d '\r'
}

# One queue per job, each with a file of its own, so that every output can be compared.
print_job() {  # print_job <name> <options...>
  local name=$1; shift
  local args=()
  for o in "$@"; do args+=(-o "$o"); done
  lpadmin -p "$name" -E -v "file://$work/out/$name.prn" -P "$ppd" 2>/dev/null || return 1
  lp -d "$name" -t "cupsd job" "${args[@]}" "$work/doc.ps" >/dev/null || return 1
}
print_job staple Staple=1StapleLeft Duplex=True
print_job reverse Staple=1StapleLeft NTo1=True
print_job swapped NTo1=True Staple=1StapleLeft
for _ in $(seq 300); do
  [[ -z $(lpstat -o 2>/dev/null) ]] && break
  sleep 0.1
done
check "every job left the queues" test -z "$(lpstat -o 2>/dev/null)"

"$zenta" print --quiet "$work/doc.ps" Duplex=True Staple=1StapleLeft -o "$work/ref-staple.prn" >/dev/null
"$zenta" print --quiet "$work/doc.ps" Staple=1StapleLeft NTo1=True -o "$work/ref-reverse.prn" >/dev/null
check "staple: the same job as zenta print" cmp -s <(mask "$work/out/staple.prn") <(mask "$work/ref-staple.prn")
check "NTo1 with Staple: the same job as zenta print" cmp -s <(mask "$work/out/reverse.prn") <(mask "$work/ref-reverse.prn")
check "NTo1 with Staple in the other order: the same job" cmp -s <(mask "$work/out/swapped.prn") <(mask "$work/out/reverse.prn")
check "the engine's decision in the PJL header (reverse order, no staple)" \
  bash -c 'grep -aq "^@PJL SET NTO1=ON" "$1" && grep -aq "^@PJL SET FINISH=NONE" "$1"' _ "$work/out/reverse.prn"
check "the filter names the automatic change with its reason" \
  grep -q 'Staple: 1StapleLeft -> None  because NTo1 True: reverse order output is not stapled' "$work/log/error_log"

# Every option of the PPD is listed (PageRegion is CUPS's own, never shown), its default marked.
listed=$(lpoptions -h "127.0.0.1:$port" -p staple -l)
grep -o '^\*OpenUI \*[A-Za-z0-9]*' "$ppd" | cut -c10- | grep -vx PageRegion | sort > "$work/ppd-options"
cut -d/ -f1 <<<"$listed" | sort > "$work/listed-options"
check "lpoptions lists every option of the PPD ($(wc -l < "$work/ppd-options"))" \
  cmp -s "$work/ppd-options" "$work/listed-options"
check "lpoptions marks a default on every line" test -z "$(grep -v '\*' <<<"$listed")"
if ((failed)); then
  grep -E 'ERROR|zenta' "$work/log/error_log" | tail -20
  diff <(mask "$work/out/staple.prn") <(mask "$work/ref-staple.prn") | head
fi
finish
