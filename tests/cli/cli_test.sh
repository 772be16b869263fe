#!/usr/bin/env bash
# dorvantile-cli run as a user runs it: its outputs, messages and exit statuses.
# Usage: cli_test.sh DORVANTILE_CLI
set -uo pipefail
cli="$(realpath "$1")"
t="$(mktemp -d)"
trap 'chmod -R u+rwx "$t"; rm -rf "$t"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
# expect STATUS STDERR COMMAND...: runs COMMAND, output in $t/out, and checks both.
expect() {
  local status="$1" err="$2"; shift 2
  "$@" >"$t/out" 2>"$t/err" </dev/null
  local got=$?
  [[ $got == "$status" ]] || fail "$* exited $got, not $status: $(cat "$t/err")"
  [[ "$(cat "$t/err")" == "$err" ]] || fail "$* said '$(cat "$t/err")', not '$err'"
}

mkdir -p "$t/w/Work/Old/Empty" "$t/o"
printf n >"$t/w/Work/Notes.TXT"; printf x >"$t/w/Work/Old/X.GIF"; printf h >"$t/w/Work/.hidden"
work="$t/w/Work"

# A relative folder with a trailing "/" to standard output; a file and a FIFO get the same.
pushd "$t/w" >/dev/null && expect 0 "" "$cli" --output - Work/ && popd >/dev/null
grep -q "<A href=\"$work/Notes.TXT\">" "$t/out" || fail "no link to Notes.TXT"
[[ "$(tail -c 53 "$t/out")" == $'Folders: 2 \\ Files: 2 \\ </SPAN>\r\n\r\n</body>\r\n</html>\r' ]] ||
  fail "the page does not end in its totals"
! grep -q hidden "$t/out" || fail "a hidden file is listed"
for format in html text; do
  expect 0 "" "$cli" --format=$format --output=- "$work"
  mv "$t/out" "$t/o/stdout.$format"
  expect 0 "" "$cli" --format $format --output "$t/o/file.$format" "$work/Old/.."
  cmp -s "$t/o/stdout.$format" "$t/o/file.$format" || fail "$format: file and standard output differ"
done
# The FIFO holds the run until it is read: meanwhile the program maps neither Qt nor libcups,
# which only printing loads.
mkfifo "$t/o/fifo"
"$cli" --format html --output "$t/o/fifo" "$work" & pid=$!
n=0 && until grep -qF "$cli" /proc/$pid/maps 2>/dev/null || ((++n > 200)); do sleep 0.05; done
grep -qF "$cli" /proc/$pid/maps && ! grep -qE '/lib(Qt6|cups)' /proc/$pid/maps ||
  fail "an HTML run maps Qt or libcups, or was not seen"
timeout 20 cat "$t/o/fifo" >"$t/o/from-fifo"
wait $pid || fail "the run into the FIFO failed"
cmp -s "$t/o/from-fifo" "$t/o/stdout.html" && [[ -p "$t/o/fifo" ]] || fail "the FIFO was replaced"

# A folder with a file system mounted on it (here the tree bound inside itself) is another
# drive: left out with everything beneath it. Only where the test may mount (root).
# Reached through a link, the tree's mount points are known by the link's paths too.
ln -s "$work" "$t/via"
"$cli" --format text --output "$t/o/via.txt" "$t/via"
mkdir "$work/Mounted"
if mount --bind "$work" "$work/Mounted" 2>/dev/null; then
  "$cli" --format text --output - "$work" >"$t/o/mounted.txt"
  "$cli" --format text --output - "$t/via" >"$t/o/mounted-via.txt"
  umount "$work/Mounted"
  cmp -s "$t/o/mounted.txt" "$t/o/stdout.text" || fail "a mount point was followed"
  cmp -s "$t/o/mounted-via.txt" "$t/o/via.txt" || fail "a mount point was followed through a link"
else
  echo "skipped: a mount point inside the tree needs root"
fi
rmdir "$work/Mounted"

# Failures: exit status 1 and one line that says what.
ln -s nowhere "$t/dangling"
nosuch="No such file or directory"
expect 1 "dorvantile-cli: $t/nope: $nosuch" "$cli" --output - "$t/nope"
expect 1 "dorvantile-cli: cannot read $t/dangling: $nosuch" "$cli" --output - "$t/dangling"
ln -s "$work/Notes.TXT" "$t/to-file"
for file in "$work/Notes.TXT" "$t/to-file"; do
  expect 1 "dorvantile-cli: $file: not a folder" "$cli" --output "$t/o/none.html" "$file"
done
expect 1 "dorvantile-cli: cannot write /nonexistent/Files.html: $nosuch" \
  "$cli" --output /nonexistent/Files.html "$work"
expect 1 "dorvantile-cli: cannot write standard output: No space left on device" \
  bash -c '"$0" --output - "$1" >/dev/full' "$cli" "$work"
expect 1 "dorvantile-cli: cannot write standard output" bash -c '"$0" --version >/dev/full' "$cli"
# A relative folder or output from a working folder that was removed is not the root.
mkdir "$t/gone" && pushd "$t/gone" >/dev/null && rmdir "$t/gone"
expect 1 "dorvantile-cli: cannot find the working folder: $nosuch" "$cli" --output - .
expect 1 "dorvantile-cli: cannot find the working folder: $nosuch" "$cli" --output o.html "$work"
popd >/dev/null
# A print module that is missing or damaged: it cannot print, and says why.
copy="$(realpath "$t")/copy" && mkdir "$copy" && cp "$cli" "$(dirname "$cli")/dorvantile.portable" "$copy"
expect 1 "dorvantile-cli: cannot print: $copy/dorvantile-print.so: cannot open shared object file: $nosuch" \
  "$copy/dorvantile-cli" --format print "$work"
: >"$copy/dorvantile-print.so"
expect 1 "dorvantile-cli: cannot print: $copy/dorvantile-print.so: file too short" \
  "$copy/dorvantile-cli" --format print "$work"
try="Try 'dorvantile-cli --help' for more information."
expect 2 "$(printf 'dorvantile-cli: unknown option '\''--frobnicate'\''\n%s' "$try")" "$cli" --frobnicate /
expect 2 "$(printf 'dorvantile-cli: unknown option '\''--fromat=csv'\'' (did you mean '\''--format'\''?)\n%s' "$try")" \
  "$cli" --fromat=csv /
expect 2 "$(printf 'dorvantile-cli: more than one FOLDER given (did you mean '\''compare'\''?)\n%s' "$try")" \
  "$cli" compar a b
# -o and -f; a progress line asked for where standard error is no terminal.
# bash completes options, the values of --format, sub-commands and library actions.
completion="$(dirname "$0")/../../data/completions/dorvantile-cli.bash"
completed() { bash -c 'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _dorvantile_cli
  echo "${COMPREPLY[*]}"' _ "$completion" "$@"; }
[[ $(bash -c "source '$completion'; complete -p dorvantile-cli") == *"-F _dorvantile_cli dorvantile-cli" ]] ||
  fail "no completion for dorvantile-cli"
[[ $(completed dorvantile-cli --for) == --format && $(completed dorvantile-cli -f ex) == explorer &&
   $(completed dorvantile-cli compare --format j) == json && $(completed dorvantile-cli li) == library &&
   $(completed dorvantile-cli library se) == search ]] || fail "bash completion"
# --spreadsheet-safe: a cell a spreadsheet would take for a formula begins with "'".
mkdir -p "$t/cells/@sub" && : >"$t/cells/=SUM(A1).txt" && : >"$t/cells/@sub/-x" && : >"$t/cells/a=b"
expect 0 "" "$cli" -f csv -o "$t/safe.csv" --spreadsheet-safe "$t/cells"
grep -q "^file,\"'=SUM(A1).txt\",\"'=SUM(A1).txt\"," "$t/safe.csv" &&
  grep -q "^file,\"'@sub/-x\",\"'-x\"," "$t/safe.csv" && grep -q '^file,"a=b","a=b",' "$t/safe.csv" ||
  fail "--spreadsheet-safe: $(cat "$t/safe.csv")"
"$cli" -f csv -o - "$t/cells" | grep -q '^file,"=SUM(A1).txt"' || fail "csv without --spreadsheet-safe"
mkdir "$t/many" && (cd "$t/many" && touch f{1..3000})
"$cli" --progress --format json -o /dev/null "$t/many" 2>"$t/err" && [[ "$(cat "$t/err")" == *files* ]] ||
  fail "--progress: $(cat "$t/err")"
expect 0 "" "$cli" --version
[[ "$(cat "$t/out")" == "dorvantile-cli 0.1.0" ]] || fail "version: $(cat "$t/out")"

# A folder as deep as a path can reach (4095 bytes), then one more beneath it: each folder is
# opened from the one above it, so the deepest is catalogued with its file. A folder without
# permission (run as an ordinary user where root would read it) is named in a warning and
# keeps its heading; the catalogue is written, and said to be incomplete. A chosen folder
# that cannot be read has no catalogue.
deep="$work"
(cd "$work" && while ((${#deep} < 4095)); do
  name="$(printf 'd%.0s' $(seq $((4095 - ${#deep} - 1 > 250 ? 250 : 4095 - ${#deep} - 1))))"
  mkdir "$name" && cd "$name" && deep="$deep/$name"
done && mkdir x && touch x/Deepest.txt && echo "$deep/x" >"$t/deepest")
deepest="$(cat "$t/deepest")"
mkdir -p "$work/Locked" && touch "$work/Locked/secret.txt" && chmod 0 "$work/Locked"
chmod 755 "$t" "$t/w"
as_user=()
[[ $(id -u) == 0 ]] && as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
expect 3 "dorvantile-cli: cannot read $work/Locked: Permission denied" \
  "${as_user[@]}" "$cli" --format text --output - "$work"
grep -aq "^${deepest^^}/"$'\r$' "$t/out" && grep -aq "^${work^^}/LOCKED/"$'\r$' "$t/out" ||
  fail "an unreadable folder lost its heading"
grep -aA1 "^${deepest^^}/"$'\r$' "$t/out" | grep -aq '^    deepest.txt'$'\r$' ||
  fail "the files of a folder beyond the longest path are missing"
expect 1 "dorvantile-cli: cannot read $work/Locked: Permission denied" \
  "${as_user[@]}" "$cli" --output "$t/o/none.html" "$work/Locked"
[[ ! -e $t/o/none.html ]] || fail "a catalogue of a folder that cannot be read, or of a file"
# With standard error closed, no warning lands in the catalogue.
mkdir -m 777 "$t/pub" && "${as_user[@]}" "$cli" --format text --output "$t/pub/c.txt" "$work" 2>&-
[[ -s $t/pub/c.txt ]] && ! grep -aq 'cannot read' "$t/pub/c.txt" || fail "warnings in the catalogue"
chmod 755 "$work/Locked" && rm -rf "$work/Locked" "$work"/ddd*
# With standard output closed, a catalogue sent there is refused, never lost in /dev/null.
for to in - /dev/stdout /dev/fd/1; do
  "$cli" --format csv --output "$to" "$work" >&- 2>"$t/err"; got=$?
  shown=$([[ $to == - ]] && echo "standard output" || echo "$to")
  [[ $got == 1 && "$(cat "$t/err")" == "dorvantile-cli: cannot write $shown: Bad file descriptor" ]] ||
    fail "closed standard output, --output $to: $got $(cat "$t/err")"
done
"$cli" compare "$work" "$work" >&- 2>/dev/null; [[ $? == 2 ]] || fail "compare into a closed output"
"$cli" --help >&- 2>/dev/null; [[ $? == 1 ]] || fail "help into a closed output"

# A progress line on a terminal only, cleared at the end.
mkdir "$work/Many" && (cd "$work/Many" && touch $(seq -f 'f%g' 3000))
script -qec "'$cli' --output '$t/o/p.html' '$work'" "$t/o/typescript" >/dev/null
grep -aq ' folders, ' "$t/o/typescript" && grep -aq $'files\r\e\\[K' "$t/o/typescript" ||
  fail "no progress line on the terminal: $(cat -v "$t/o/typescript")"
expect 0 "" "$cli" --output "$t/o/p.html" "$work"
# A message at the end of a run takes the progress line's place rather than following it.
script -qec "bash -c 'ulimit -f 16; \"\$0\" --output \"\$1\" \"\$2\"' '$cli' '$t/o/f.html' '$work'" \
  "$t/o/typescript" >/dev/null || true
grep -aq $'files\r\e\\[Kdorvantile-cli: cannot write' "$t/o/typescript" ||
  fail "a message after the progress line: $(cat -v "$t/o/typescript")"

# /dev/stdout is written where it stands: appended to a log.
echo before >"$t/o/log"
expect 0 "" bash -c '"$0" --output /dev/stdout "$1" >>"$2"' "$cli" "$work" "$t/o/log"
"$cli" --output - "$work" | cat <(echo before) - | cmp -s - "$t/o/log" || fail "/dev/stdout: $(head -c 300 "$t/o/log")"
# A size limit is a failed write, the old catalogue whole and nothing left behind.
expect 1 "dorvantile-cli: cannot write $t/o/p.html: File too large" \
  bash -c 'ulimit -f 16; "$0" --output "$1" "$2"' "$cli" "$t/o/p.html" "$work"
"$cli" --output - "$work" | cmp -s - "$t/o/p.html" && [[ -z $(ls -A "$t/o" | grep '^\.') ]] ||
  fail "a size limit harmed the old catalogue or left a file behind"
# A reader polling the catalogue while it is replaced again and again always finds it.
(for _ in $(seq 40); do "$cli" --output "$t/o/p.html" "$work"; done) & writer=$!
missing=0 && while kill -0 $writer 2>/dev/null; do [[ -e $t/o/p.html ]] || ((++missing)); done
((missing == 0)) || fail "the catalogue was missing $missing times while it was replaced"

# Without --output the catalogue goes beside a portable copy (the program and the build's
# marker) the user may write to, and the user is told where; --open hands it to the desktop.
mkdir "$t/app" "$t/bin" && cp "$cli" "$(dirname "$cli")/dorvantile.portable" "$t/app/"
printf '#!/bin/sh\necho "$*" >>"%s"\n' "$t/opened" >"$t/bin/xdg-open" && chmod +x "$t/bin/xdg-open"
for format in html:Files.html text:Files.txt explorer:Explorer.html; do
  file=${format#*:} format=${format%:*}
  PATH="$t/bin:$PATH" expect 0 "dorvantile-cli: catalogue written to $t/app/$file" \
    "$t/app/dorvantile-cli" --open --format $format "$work"
  # (The explorer page holds the time of its run.)
  cmp -s <(sed 's/"time":[0-9]*//' "$t/app/$file") \
    <("$cli" --format $format --output - "$work" | sed 's/"time":[0-9]*//') || fail "$file differs"
done
for _ in $(seq 100); do [[ $(wc -l <"$t/opened" 2>/dev/null) == 3 ]] && break; sleep 0.1; done
[[ "$(sort "$t/opened")" == "$(printf '%s\n' "$t/app/"{Explorer.html,Files.html,Files.txt})" ]] ||
  fail "opened: $(cat "$t/opened" 2>/dev/null)"

((failures == 0)) && echo "PASS" || exit 1
