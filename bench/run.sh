#!/bin/bash
# Extraction benchmark: our reader against bsdtar (libarchive) and unar on the
# bench archives, in the same run. Prints throughput (by CPU time, mean of N
# runs) and our speed relative to each peer (ratio > 1: we are faster), then
# stored extraction against plain read+memcpy of the same file.
#
#   bash bench/run.sh [runs]
#   bash bench/run.sh package [runs]   the engine's package extraction of
#       10,000 and 100,000 small members on the simulated machine against
#       plain extraction of the same archive there (ratio engine/plain)
#
# Builds bench_extract in build/bench (Release). Needs the peers: installs
# Debian's libarchive-tools and unar when they are missing.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
if [ "${1:-}" = package ]; then
  build=${SETUPKIT_BENCH_BUILD:-$root/build/bench}
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DSETUPKIT_TESTS=OFF >/dev/null
  cmake --build "$build" -j2 --target bench_package >/dev/null
  exec "$build/bench/bench_package" --runs "${2:-3}" 10000 100000
fi
data=${SETUPKIT_BENCH_DIR:-$root/../shared/testdata/bench}
runs=${1:-5}
build=${SETUPKIT_BENCH_BUILD:-$root/build/bench}

if ! command -v bsdtar >/dev/null || ! command -v unar >/dev/null || [ ! -x /usr/bin/time ]; then
  apt-get install -y --no-install-recommends libarchive-tools unar time >/dev/null
fi

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DSETUPKIT_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target bench_extract >/dev/null

work=$(mktemp -d)
export WORK=$work
trap 'rm -rf "$work"' EXIT

# Mean CPU time (user + system) of $runs runs of a command, measured over
# all runs at once (the clock ticks in 10 ms); prints "seconds status".
# CPU time, not wall time: the machine may be busy with other work.
cpu_of() {
  local status=0
  if /usr/bin/time -f "%U %S" -o "$work/time" sh -c '
      n=$1; shift; rc=0
      for i in $(seq "$n"); do rm -rf "$WORK/unar"; "$@" >/dev/null 2>&1 || rc=$?; done
      exit $rc' sh "$runs" "$@"; then
    status=0
  else
    status=$?
  fi
  # time(1) puts "Command exited with non-zero status" before the figures.
  awk -v n="$runs" -v s="$status" 'END { printf "%.6f %d\n", ($1 + $2) / n, s }' "$work/time"
}

printf '%-56s %10s %12s %12s %12s %9s %9s\n' archive MB ours_MB/s bsdtar_MB/s unar_MB/s vs_bsdtar vs_unar
for archive in junrar/m3-plain-32m.rar libarchive/test_read_format_rar_multi_lzss_blocks.rar \
               sharpcompress/Rar.Audio_program.rar; do
  path=$data/$archive
  read -r _ _ bytes ours < <("$build/bench/bench_extract" --runs "$runs" "$path")
  read -r tb sb < <(cpu_of bsdtar -x -O -f "$path")
  read -r tu su < <(cpu_of unar -q -f -o "$work/unar" "$path")
  awk -v a="$archive" -v n="$bytes" -v o="$ours" -v b="$tb" -v sb="$sb" -v u="$tu" -v su="$su" 'BEGIN {
    mb = n / 1048576
    bn = (sb == 0) ? "" : " (peer failed)"; un = (su == 0) ? "" : " (peer failed)"
    printf "%-56s %10.1f %12.1f %12.1f %12.1f %8.2fx%s %8.2fx%s\n", a, mb, mb / o, mb / b, mb / u, b / o, bn, u / o, un
  }'
done

echo
echo "opening crafted SFX stubs (false signatures): bytes examined per byte, CPU time against one read"
"$build/bench/bench_open" 2 16 || echo "bench_open: opening is not linear"

read -r _ bytes ours floor < <("$build/bench/bench_extract" --runs "$runs" --stored 64 "$work")
awk -v n="$bytes" -v o="$ours" -v f="$floor" 'BEGIN {
  mb = n / 1048576
  printf "\nstored %.0f MB: ours %.1f MB/s, read+memcpy %.1f MB/s, ours/floor time %.2f\n", mb, mb / o, mb / f, o / f
}'
