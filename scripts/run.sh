#!/usr/bin/env bash
# Installs what is missing, builds Dorvantile and starts its window on the current folder.
#
#   scripts/run.sh                      the window, opened on the folder you are in
#   scripts/run.sh --cli [OPTION]... FOLDER
#                                       the command line instead, e.g. --cli --format text ~
#
# The window writes Files.html and Files.txt beside the program, in build/src/app (the
# build tree is a portable copy: build/src/app/dorvantile.portable).
set -euo pipefail
here="$(pwd)"
cd "$(dirname "$0")/.."
scripts/install-deps.sh build
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build
build="$(pwd)/build"
cd "$here"

if [[ "${1:-}" == --cli ]]; then
  shift
  exec "$build/src/cli/dorvantile-cli" "$@"
fi
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  # No screen to show the window on (a server, a console): make the same catalogue of the
  # current folder with the command line instead.
  echo "No display to show the window on; cataloguing $(pwd) with the command line." >&2
  exec "$build/src/cli/dorvantile-cli" --format html "$(pwd)"
fi
exec "$build/src/app/dorvantile" "$@"
