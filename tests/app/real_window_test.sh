#!/usr/bin/env bash
# The program on a virtual X server, driven with real X input: it shows its window centred
# at its size, a click on the start picture writes Files.html beside the program (the same
# bytes as dorvantile-cli writes) and asks the desktop to open it, and a click on the exit
# picture ends it. Saves a screenshot of the window into OUTPUT_FOLDER.
#
# There is no window manager here, so there is no frame: the window's outer size is its
# client area, 447 x 262 pixels.
#
# Usage: real_window_test.sh DORVANTILE DORVANTILE_CLI OUTPUT_FOLDER
set -euo pipefail
app="$1" cli="$2" shots="$3"
for tool in Xvfb xdotool import; do
  command -v "$tool" >/dev/null || { echo "SKIP: no $tool (scripts/install-deps.sh test)"; exit 77; }
done

work="$(mktemp -d)" xvfb_pid="" app_pid=""
trap 'kill $app_pid $xvfb_pid 2>/dev/null || true; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
# Waits up to $1 tenths of a second for the command that follows to succeed.
wait_for() { for ((i = 0; i < $1; ++i)); do "${@:2}" && return 0; sleep 0.1; done; return 1; }

# Xvfb picks a free display itself and writes its number once it accepts clients.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
wait_for 100 test -s "$work/display" || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=":$(cat "$work/display")"

# A portable copy's folder (the program and the build's marker) is where it writes its
# catalogue; the working folder is where it opens. A stand-in for xdg-open records what the
# program asks the desktop to open.
mkdir -p "$work/app" "$work/bin" "$work/tree/Docs/Old" "$work/tree/Empty"
cp "$app" "$(dirname "$app")/dorvantile.portable" "$work/app/"
touch "$work/tree/Read Me.TXT" "$work/tree/Docs/Plan.doc" "$work/tree/Docs/Old/a&b.txt"
printf '#!/bin/sh\nprintf "%%s\\n" "$*" >>"%s/opened"\n' "$work" >"$work/bin/xdg-open"
chmod +x "$work/bin/xdg-open"
(cd "$work/tree" && PATH="$work/bin:$PATH" QT_QPA_PLATFORM=xcb exec "$work/app/dorvantile") \
  >"$work/app.log" 2>&1 &
app_pid=$!

window=$(timeout 10 xdotool search --sync --onlyvisible --name '^Dorvantile$' | head -1) ||
  fail "no window appeared: $(cat "$work/app.log")"
sleep 0.3
eval "$(xdotool getwindowgeometry --shell "$window")" # WIDTH, HEIGHT and the place, X and Y
[[ "$WIDTH x $HEIGHT at $X,$Y" == "447 x 262 at $(((1024 - 447) / 2)),$(((768 - 262) / 2))" ]] ||
  fail "window is $WIDTH x $HEIGHT at $X,$Y, not 447 x 262 centred"
import -window root "$shots/real_window.png"

# The start picture's centre: Frame2 at (191, -1), OkKnop at (202, 151), 40 x 30.
xdotool mousemove --window "$window" 413 165 click 1
wait_for 150 test -s "$work/opened" || fail "no open request: $(cat "$work/app.log")"
[[ "$(cat "$work/opened")" == "file://$work/app/Files.html" ]] ||
  fail "asked to open '$(cat "$work/opened")'"
"$cli" --format html --output "$work/cli.html" "$work/tree"
cmp "$work/app/Files.html" "$work/cli.html" || fail "Files.html differs from dorvantile-cli's"

# The exit picture's centre: Frame3 at (191, 190), ExitKnop at (202, 30), 40 x 30.
xdotool mousemove --window "$window" 413 235 click 1
wait_for 50 bash -c "! kill -0 $app_pid 2>/dev/null" || fail "the exit picture did not end it"
wait "$app_pid" || fail "the program ended with status $?"
app_pid=""
echo "PASS: window 447 x 262 centred, Files.html written and opened, program ended"
