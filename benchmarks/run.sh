#!/usr/bin/env bash
# Builds the benchmarks (Release, in build-bench), makes the two benchmark trees, runs the
# collection and the whole-catalogue benchmarks on both and writes the figures into
# benchmarks/README.md, between its "figures" markers.
# Usage: benchmarks/run.sh [TREES_FOLDER] [RUNS]   (defaults: /tmp/dorvantile-bench, 5)
# The trees take 1.3 million inodes and about 300 MB, the outputs another 300 MB; keep them
# out of the repository.
set -euo pipefail
trees="${1:-/tmp/dorvantile-bench}"
runs="${2:-5}"
cd "$(dirname "$0")/.."

# The other tools measured beside ours (none of them is needed by the tests); without root,
# those not installed are skipped.
if [[ $(id -u) -eq 0 ]]; then
  apt-get -o DPkg::Lock::Timeout=600 install -y -qq ncdu bfs mtree-netbsd gdu >/dev/null \
    || echo "run.sh: the other tools could not all be installed; those missing are skipped" >&2
fi

cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DDORVANTILE_BENCHMARKS=ON >/dev/null
cmake --build build-bench --target dorvantile-cli make_tree bench_collection bench_catalogue
bench=build-bench/benchmarks
cli=build-bench/src/cli/dorvantile-cli

mkdir -p "$trees"
trees="$(cd "$trees" && pwd)"
for size in 200k 1m; do
  "$bench/make_tree" "$trees/$size" "$size"
done
# The catalogues and tree's page go beside the trees, on the same disk.
output="$trees/output"
mkdir -p "$output"

figures="$(mktemp)"
trap 'rm -f "$figures"' EXIT
{
  echo "Run of $(date -u '+%Y-%m-%d %H:%M UTC') by \`benchmarks/run.sh${*:+ $*}\`, $runs runs each."
  echo
  echo "- Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//'),"\
       "$(free -g | awk '/^Mem:/ {print $2}') GB of memory, Linux $(uname -r)"
  echo "- File system of the trees: $(df -T "$trees" | awk 'NR==2 {print $2}')"\
       "($(findmnt -no OPTIONS -T "$trees" 2>/dev/null || echo 'options unknown'))"
  if [[ -r /sys/kernel/mm/damon/admin/kdamonds/0/state ]]; then
    echo "- Proactive reclaim (DAMON): $(cat /sys/kernel/mm/damon/admin/kdamonds/0/state)"
  fi
  echo "- $(find --version | head -1); $(tree --version | cut -d' ' -f1-2);"\
       "$(g++ --version | head -1)"
  versions=()
  for package in ncdu bfs mtree-netbsd gdu; do
    version="$(dpkg-query -W -f '${Version}' "$package" 2>/dev/null || true)"
    versions+=("$package ${version:-not installed}")
  done
  echo "- Other tools (Debian packages): $(IFS=';'; echo "${versions[*]}" | sed 's/;/; /g')"
  echo "- Load average at the start: $(cut -d' ' -f1-3 /proc/loadavg)"
  for size in 200k 1m; do
    echo
    echo "### Collection, $size tree"
    echo
    "$bench/bench_collection" "$trees/$size" "$runs"
  done
  echo
  echo "### Whole catalogue, 200k tree (the goals are set for the 1m tree)"
  echo
  "$bench/bench_catalogue" "$trees/200k" "$cli" "$output" "$runs"
  echo
  echo "### Whole catalogue, 1m tree"
  echo
  "$bench/bench_catalogue" "$trees/1m" "$cli" "$output" "$runs" --goals
  echo
  echo "Load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
} | tee "$figures"

readme=benchmarks/README.md
awk -v figures="$figures" '
  $0 == "<!-- figures: written by run.sh -->" {
    print
    while ((getline line < figures) > 0)
      print line
    skipping = 1
    next
  }
  $0 == "<!-- end of figures -->" { skipping = 0 }
  !skipping { print }
' "$readme" >"$readme.new"
mv "$readme.new" "$readme"
echo "Figures written to $readme"
