#!/usr/bin/env bash
# dorvantile-cli --format print through a CUPS scheduler of the test's own, in a temporary
# folder, with two queues that write their jobs (PDF) to files and two that refuse them; the
# machine's printers and scheduler stay out of reach. Usage: printout_test.sh DORVANTILE-CLI
# Exits 77 (skipped) when the scheduler or the PDF driver is not installed.
set -euo pipefail
export PATH=/usr/sbin:/usr/bin:/sbin:/bin
cli=$(realpath "$1") driver=/usr/share/ppd/cupsfilters/Generic-PDF_Printer-PDF.ppd
# shellcheck disable=SC2015 # either one missing skips the test
hash cupsd lpadmin lpstat pdftotext 2>/dev/null && [[ -f $driver ]] ||
  { echo "skipped: needs cups-daemon, cups-client, cups-filters and poppler-utils"; exit 77; }

# In /tmp, which user lp reaches: as root the scheduler runs its filters as lp, who must
# write the queues' files.
base=$(mktemp -d /tmp/dorvantile-cups-XXXXXX) && chmod 755 "$base" && cd "$base"
trap 'kill "${cupsd-}" 2>/dev/null; wait; cd /; rm -rf "$base"' EXIT
mkdir root state cache spool home log tmp tree tree/Sub && mkdir -m 1777 out
touch tree/B.TXT tree/a.txt tree/Sub/c.txt
fail() { echo "printout_test: $*" >&2; cat log/* >&2; exit 1; }

# Every place of its own, the printcap too (else the scheduler rewrites the system's); its
# logs on its standard error. Local clients may do anything; nothing is shared.
((EUID == 0)) && owner=$'User lp\nGroup lp\nSystemGroup root' || owner="SystemGroup $(id -gn)"
printf '%s\n' "$owner" "ServerRoot $base/root" "StateDir $base/state" "CacheDir $base/cache" \
  "RequestRoot $base/spool" "Printcap $base/state/printcap" "FileDevice Yes" \
  "ErrorLog stderr" "AccessLog stderr" "PageLog stderr" >root/cups-files.conf
printf '%s\n' "Listen $base/cups.sock" "DefaultAuthType None" "Browsing No" >root/cupsd.conf
# A client of this scheduler only: no PRINTER or LPDEST (either would override the default
# printer), and client settings (client.conf, lpoptions) from its folders, not /etc/cups.
env=(PATH="$PATH" HOME="$base/home" LANG=C.UTF-8 CUPS_SERVER="$base/cups.sock"
     CUPS_SERVERROOT="$base/root")
client() { env -i "${env[@]}" TMPDIR="$base/tmp" "$@"; } # whose spool files are seen
env -i "${env[@]}" cupsd -f -c "$base/root/cupsd.conf" -s "$base/root/cups-files.conf" \
  2>log/cupsd &
cupsd=$! n=0
until [[ $(client lpstat -r 2>&1) == "scheduler is running" ]] || ((++n > 400)); do sleep 0.05; done
for queue in catalogue other refusing denied; do
  client lpadmin -p $queue -E -v "file://$base/out/$queue.prn" -P $driver || fail lpadmin
done
# One rejects jobs; the other accepts them, but the spooler answers this user's with an error.
client cupsreject -r "Out of paper" refusing && client lpadmin -p denied -u "deny:$(id -un)" ||
  fail refuse

# expect STATUS MESSAGE OPTIONS...: prints the tree with OPTIONS; the exit status must be
# STATUS, standard error "dorvantile-cli: MESSAGE" (or nothing), standard output nothing.
expect() {
  client "$cli" --format print "${@:3}" "$base/tree" >stdout 2>stderr && status=0 || status=$?
  [[ $status == "$1" && $(<stderr) == "${2:+dorvantile-cli: $2}" && ! -s stdout ]] ||
    fail "${*:3}: exit status $status, not $1; $(<stderr)"
}
expect 1 "No printer is set up: there is no default printer"
expect 1 "Cannot print on nosuch: there is no printer of that name" --printer nosuch
# Without a scheduler that answers, the service is named, not the queue.
for queue in "" "--printer catalogue"; do
  env -i "${env[@]}" CUPS_SERVER="$base/none.sock" "$cli" --format print $queue "$base/tree" \
    2>stderr && fail "printed without a print service"
  said="Cannot print: cannot reach the print service at $base/none.sock: No such file or directory"
  [[ $(<stderr) == "dorvantile-cli: $said" ]] ||
    fail "no print service ($queue): $(<stderr)"
done
client lpadmin -d catalogue
expect 0 ""
expect 0 "" --printer other
expect 1 "Cannot print on refusing: the queue does not accept jobs: Out of paper" --printer refusing
expect 1 "Cannot print on denied: Not allowed to print." --printer denied

# Once no job is pending: one job on each queue that takes them (none from the failed runs),
# each the whole catalogue, and none on the others.
n=0 && until [[ -z $(client lpstat -o) ]] || ((++n > 600)); do sleep 0.1; done
catalogue=$(printf '%s\n' "${base^^}/TREE" a.txt b.txt "${base^^}/TREE/SUB/" c.txt \
  "$(printf -- '-%.0s' {1..52})" 'Folders: 1 \ Files: 3')
for queue in catalogue other; do
  [[ $(client lpstat -W completed -o $queue | wc -l) == 1 ]] || fail "not one job on $queue"
  [[ $(pdftotext -raw out/$queue.prn -) == "$catalogue"$'\n\f' ]] ||
    fail "$queue printed: $(pdftotext -raw out/$queue.prn -)"
done
[[ -z $(client lpstat -W all -o refusing -o denied) ]] || fail "a refused job was queued"
[[ -z $(ls tmp | grep dorvantile) ]] || fail "spool files left behind: $(ls tmp)"
