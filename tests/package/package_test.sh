#!/usr/bin/env bash
# The Debian package as a user meets it: scripts/package.sh makes it (lintian finds no
# error in it); dpkg installs the files of tests/golden/package.files; the installed window
# starts offscreen, makes its app folder in $XDG_DATA_HOME/dorvantile and runs without a word
# until SIGTERM ends it as a session does; the installed command line, and a copy of it in
# ~/.local/bin, write their catalogues there; the installed command line prints through its
# module, the copy says it has none; dpkg -r removes every file it installed.
#
# Usage: package_test.sh SOURCE_FOLDER BUILD_FOLDER
set -euo pipefail
src="$1" build="$2" files="$1/tests/golden/package.files"
fail() { echo "FAIL: $*" >&2; exit 1; }
# A program that hangs fails the test in a minute rather than outliving it.
limited() { timeout 60 "$@"; }
installed() { dpkg-query -W -f='${Status}' dorvantile 2>/dev/null | grep -q "ok installed"; }
[[ $(id -u) == 0 ]] || { echo "SKIP: dpkg -i needs root"; exit 77; }
! installed || { echo "SKIP: dorvantile is installed, and the test would remove it"; exit 77; }
# $data: the app folder of both installed programs.
work="$(mktemp -d)" status=0 data="$work/data/dorvantile"
trap '! installed || dpkg -r dorvantile >/dev/null; rm -rf "$work"' EXIT

# scripts/package.sh says on standard error why it made no package.
dpkg -i "$("$src/scripts/package.sh" "$build" "$work/deb")" >"$work/log" 2>&1 || fail "$(<"$work/log")"
diff "$files" <(dpkg -L dorvantile | LC_ALL=C sort) || fail "the package holds other files"

export HOME="$work/home" XDG_DATA_HOME="$work/data" XDG_RUNTIME_DIR="$work/run"
mkdir -p -m 700 "$work/tree/Docs" "$HOME/.local/bin" "$XDG_RUNTIME_DIR"
# The window, ended by timeout's SIGTERM after 3 s (status 124).
QT_QPA_PLATFORM=offscreen timeout 3 /usr/bin/dorvantile >"$work/log" 2>&1 || status=$?
[[ $status == 124 && -d $data && ! -s $work/log ]] || fail "window: $status $(<"$work/log")"

touch "$work/tree/Docs/a&b.txt" && cp /usr/bin/dorvantile-cli "$HOME/.local/bin/"
for cli in /usr/bin/dorvantile-cli "$HOME/.local/bin/dorvantile-cli"; do
  said=$(limited "$cli" --format text "$work/tree" 2>&1) || fail "$cli failed: $said"
  [[ $said == "dorvantile-cli: catalogue written to $data/Files.txt" ]] || fail "$cli said '$said'"
  grep -q "a&b.txt" "$data/Files.txt" && rm "$data/Files.txt" || fail "$cli wrote no catalogue"
done

# Printing loads the module from the library folder of the program's prefix: the installed
# program's module looks for the spooler (none here: it says so), the copy has no module.
export CUPS_SERVER="$work/no-spooler"
said=$(limited /usr/bin/dorvantile-cli --format print --printer nosuch "$work/tree" 2>&1) && fail "printed"
[[ $said == "dorvantile-cli: Cannot print: cannot reach the print service at $CUPS_SERVER: No such file or directory" ]] ||
  fail "/usr/bin/dorvantile-cli --format print said '$said'"
said=$(limited "$HOME/.local/bin/dorvantile-cli" --format print "$work/tree" 2>&1) && fail "the copy printed"
[[ $said == "dorvantile-cli: cannot print: $HOME/.local/lib/"*"/dorvantile-print.so: cannot open"* ]] ||
  fail "the copy said '$said'"

dpkg -r dorvantile >"$work/log" 2>&1 || fail "dpkg -r: $(<"$work/log")"
! installed || fail "dorvantile is still installed"
while read -r f; do [[ -d $f || ! -e $f ]] || fail "$f is left after dpkg -r"; done <"$files"
