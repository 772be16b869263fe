#!/usr/bin/env bash
# Content checksums beside the other tools, warm cache: dorvantile-cli --format json
# --checksum sha256 on 2 threads, sha256sum through find and xargs, hashdeep and rhash, on two
# corpora it makes: about 2 GiB in 20,000 files of mixed sizes, and 200,000 files of 4 KiB;
# and `openssl speed` as the limit of one core. Prints a Markdown table per corpus: the
# median wall time of RUNS runs, GB/s and the peak memory of each.
# Usage: benchmarks/checksums.sh [FOLDER] [RUNS] [SCALE]   (defaults: /tmp/dorvantile-sums, 5,
# 1; SCALE 0.1 makes corpora a tenth of the size, for a quick look)
set -euo pipefail
root="${1:-/tmp/dorvantile-sums}"
runs="${2:-5}"
scale="${3:-1}"
cd "$(dirname "$0")/.."
if [[ $(id -u) -eq 0 ]]; then
  apt-get -o DPkg::Lock::Timeout=600 install -y -qq hashdeep rhash time >/dev/null ||
    echo "checksums.sh: hashdeep or rhash could not be installed; skipped" >&2
fi
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DDORVANTILE_BENCHMARKS=ON >/dev/null
cmake --build build-bench --target dorvantile-cli >/dev/null
cli="$PWD/build-bench/src/cli/dorvantile-cli"

# corpus NAME FILES SIZES...: FILES files in folders of 200, the size of each taken in turn
# from SIZES (bytes), of random bytes; made once, and again when FILES or SIZES change.
corpus() {
  local dir="$root/$1"
  [[ -f $dir/.complete && $(cat "$dir/.complete") == "${*:2}" ]] && return
  rm -rf "$dir" && mkdir -p "$dir"
  python3 - "$dir" "${@:2}" <<'PY'
import os, sys
folder, files, sizes = sys.argv[1], int(sys.argv[2]), [int(s) for s in sys.argv[3:]]
for i in range(files):
    if i % 200 == 0:
        os.mkdir(os.path.join(folder, "d%d" % (i // 200)))
    with open(os.path.join(folder, "d%d" % (i // 200), "f%d" % i), "wb") as f:
        f.write(os.urandom(sizes[i % len(sizes)]))
PY
  echo "${*:2}" >"$dir/.complete"
}
n() { awk -v n="$1" -v s="$scale" 'BEGIN { printf "%d", n * s }'; }
# 107,520 bytes a file on average: 2 GiB in 20,000 files.
corpus mixed "$(n 20000)" 4096 16384 65536 131072 524288 65536 4096 49152
corpus small "$(n 200000)" 4096

# measure LABEL COMMAND...: the median wall time and the peak memory of RUNS runs, after one
# that warms the cache. The corpus is read into the cache first by cat: dorvantile-cli drops
# from the cache what it had to read from the disk (a good citizen on a disk larger than
# memory), so that its own first run would not warm it, and this machine's kernel pages out
# the cache that has gone cold between two tools.
measure() {
  local label="$1" bytes="$2"; shift 2
  find "$dir" -type f -print0 | xargs -0 cat >/dev/null
  "$@" >/dev/null 2>&1 || { echo "| $label | failed | | |"; return; }
  local times=() peak=0
  for ((r = 0; r < runs; ++r)); do
    local line
    /usr/bin/time -f '%e %M' -o "$root/.time" "$@" >/dev/null 2>&1
    line=$(tail -1 "$root/.time")
    times+=("${line% *}")
    ((${line#* } > peak)) && peak=${line#* }
  done
  local median
  median=$(printf '%s\n' "${times[@]}" | sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }')
  awk -v l="$label" -v t="$median" -v b="$bytes" -v p="$peak" \
    'BEGIN { printf "| %s | %.2f | %.2f | %.0f |\n", l, t, b / t / 1e9, p / 1024 }'
}

echo "One core's limit: $(openssl speed -evp sha256 -bytes 1048576 -seconds 2 2>/dev/null |
  tail -1 | awk '{ printf "%.2f GB/s", $2 * 1000 / 1e9 }') (openssl speed -evp sha256)"
for name in mixed small; do
  dir="$root/$name"
  bytes=$(find "$dir" -type f -name 'f*' -printf '%s\n' | awk '{ s += $1 } END { printf "%.0f", s }')
  echo
  echo "### $name: $(find "$dir" -type f -name 'f*' | wc -l) files, $bytes bytes"
  echo
  echo "| command | wall s | GB/s | peak MB |"
  echo "|---|---|---|---|"
  measure "dorvantile-cli --format json --checksum sha256 --jobs 2" "$bytes" \
    "$cli" --format json --checksum sha256 --jobs 2 --output /dev/null "$dir"
  measure "find -print0 \| xargs -0 sha256sum" "$bytes" \
    sh -c 'find "$0" -type f -print0 | xargs -0 sha256sum' "$dir"
  command -v hashdeep >/dev/null &&
    measure "hashdeep -c sha256 -r (2 threads)" "$bytes" hashdeep -c sha256 -j 2 -r "$dir"
  command -v rhash >/dev/null && measure "rhash --sha256 -r" "$bytes" rhash --sha256 -r "$dir"
  "$cli" --format json --checksum sha256 --output "$root/$name.json" "$dir"
  measure "dorvantile-cli --format json --checksum sha256 --reuse (unchanged)" "$bytes" \
    "$cli" --format json --checksum sha256 --reuse "$root/$name.json" --output /dev/null "$dir"
  measure "dorvantile-cli --format json (no checksums)" "$bytes" \
    "$cli" --format json --output /dev/null "$dir"
done
