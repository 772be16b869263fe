#!/usr/bin/env bash
# Installs what is missing, builds Dorvantile and makes a catalogue of FOLDER (default: the
# home folder) as an HTML page, written to Files.html in the build folder.
set -euo pipefail
folder="${1:-$HOME}"
cd "$(dirname "$0")/.."
scripts/install-deps.sh build
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build
build/src/cli/dorvantile-cli --format html "$folder"
echo "Catalogue of $folder written to $(pwd)/build/src/cli/Files.html"
