#!/usr/bin/env bash
# The program on a virtual X server, driven with real X input: it shows its window centred
# at its size, a click on the start picture writes Files.html beside the program (the same
# bytes as dorvantile-cli writes) and asks the desktop to open it, and a click on the exit
# picture ends it. Saves a screenshot of the window into OUTPUT_FOLDER.
#
# Without a window manager there is no frame: the window's outer size is its client area,
# 447 x 262 pixels, and that is centred. With WINDOW_MANAGER (openbox) the frame it adds is
# centred with it.
#
# Usage: real_window_test.sh DORVANTILE DORVANTILE_CLI OUTPUT_FOLDER [WINDOW_MANAGER]
set -euo pipefail
app="$1" cli="$2" shots="$3" wm="${4:-}"
for tool in Xvfb xdotool xwininfo import $wm; do
  command -v "$tool" >/dev/null || { echo "SKIP: no $tool (scripts/install-deps.sh test)"; exit 77; }
done

work="$(mktemp -d)" xvfb_pid="" wm_pid="" app_pid=""
trap 'kill $app_pid $wm_pid $xvfb_pid 2>/dev/null || true; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
# Waits up to $1 tenths of a second for the command that follows to succeed.
wait_for() { for ((i = 0; i < $1; ++i)); do "${@:2}" && return 0; sleep 0.1; done; return 1; }

# Xvfb picks a free display itself and writes its number once it accepts clients.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
wait_for 100 test -s "$work/display" || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=":$(cat "$work/display")"
[[ -z $wm ]] || { "$wm" >"$work/wm.log" 2>&1 & wm_pid=$!; }
[[ -z $wm ]] || wait_for 50 bash -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"' || fail "no $wm"

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
sleep 1 # time for a window manager to frame the window, and for the window to centre it
# The client area's size and place on the screen, and the frame's borders: left, right, top
# and bottom (none without a window manager).
read -r X Y W H <<<"$(xwininfo -id "$window" | awk '/Absolute|Width|Height/ {print $NF}' | xargs)"
read -r l r t b _ <<<"$(xprop -id "$window" _NET_FRAME_EXTENTS | sed -n 's/.* = //p' | tr -d ,) 0 0 0 0"
centred="447 x 262, frame at $(((1024 - 447 - l - r) / 2)),$(((768 - 262 - t - b) / 2))"
[[ "$W x $H, frame at $((X - l)),$((Y - t))" == "$centred" ]] || fail "not $centred: $W x $H at $X,$Y"
import -window root "$shots/real_window${wm:+_$wm}.png"

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
echo "PASS: window 447 x 262 centred${wm:+ in the frame of $wm}, Files.html written and opened, program ended"
