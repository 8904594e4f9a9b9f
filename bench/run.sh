#!/bin/bash
# Extraction benchmark, whole program against whole program, in one run:
#
#   setupkit extract ARCHIVE DIR     (this tree, built in Release: -O3)
#   bsdtar -x -f ARCHIVE -C DIR      (libarchive-tools)
#   unar -q -f -D -o DIR ARCHIVE     (unar)
#   floor_copy OURS_OUTPUT DIR       (the floor: read, one memory copy and
#                                     write of the same bytes into the same
#                                     files, nothing else)
#
# over every archive of the shared bench folder (its manifest.tsv), two
# stored archives this script packs with `setupkit pack` (one large file;
# many small files in folders), and every *.rar in each folder given with
# --dir. Each program runs N times into an empty folder; the best wall time
# and the best CPU time (user + system) are kept, with the largest peak
# resident set. Every program's output is checked: against the manifest's
# SHA-256 values, against the packed source tree, or (--dir) against our
# own output; a peer that fails or writes something else is marked and not
# used as the baseline.
#
#   bash bench/run.sh [--runs N] [--dir DIR]... [--stored-mb MB] [--files N]
#   bash bench/run.sh package [runs]   the engine's package extraction of
#       10,000 and 100,000 small members on the simulated machine against
#       plain extraction of the same archive there (ratio engine/plain)
#
# Ratios: "vs peer" = the faster correct peer's time / ours (> 1: we are
# faster; goal >= 1.5); "/floor" = our time / the floor's (goal <= 1.5 for
# stored archives). CPU time is the figure to trust on a busy machine:
# wall time counts the time other work held the processor.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
if [ "${1:-}" = package ]; then
  build=${SETUPKIT_BENCH_BUILD:-$root/build/bench}
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DSETUPKIT_TESTS=OFF >/dev/null
  cmake --build "$build" -j2 --target bench_package >/dev/null
  exec "$build/bench/bench_package" --runs "${2:-3}" 10000 100000
fi
runs=5
stored_mb=128
small_files=4000
dirs=()
while [ $# -gt 0 ]; do
  case $1 in
    --runs) runs=$2; shift 2 ;;
    --dir) dirs+=("$(cd "$2" && pwd)"); shift 2 ;;
    --stored-mb) stored_mb=$2; shift 2 ;;
    --files) small_files=$2; shift 2 ;;
    *) echo "usage: bench/run.sh [--runs N] [--dir DIR]... [--stored-mb MB] [--files N]" >&2; exit 2 ;;
  esac
done

data=${SETUPKIT_BENCH_DATA:-}
if [ -z "$data" ]; then
  for d in "$root/../shared/testdata/bench" "$root/../../shared/testdata/bench"; do
    if [ -f "$d/manifest.tsv" ]; then data=$(cd "$d" && pwd); break; fi
  done
fi
[ -n "$data" ] || { echo "bench: no bench folder (set SETUPKIT_BENCH_DATA)" >&2; exit 2; }

for tool in bsdtar unar python3 sha256sum; do
  command -v $tool >/dev/null || { echo "bench: $tool is missing (scripts/deps.sh installs it)" >&2; exit 2; }
done

# Our own Release build (-O3 -DNDEBUG, no tests), apart from the presets'
# RelWithDebInfo build.
build=${SETUPKIT_BENCH_BUILD:-$root/build/bench}
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DSETUPKIT_TESTS=OFF >/dev/null
if ! log=$(cmake --build "$build" -j2 --target setupkit bench_open floor_copy measure bench_checksum 2>&1); then
  echo "$log" >&2
  exit 1
fi
setupkit=$build/tools/setupkit/setupkit
floor=$build/bench/floor_copy
measure=$build/bench/measure

work=$(mktemp -d "${TMPDIR:-/tmp}/setupkit-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

# Sorted "sha256  ./path" lines of every file under a folder.
listing() { (cd "$1" && find . -type f -print0 | LC_ALL=C sort -z | xargs -0r sha256sum); }

# Expected listing of a bench archive, from the manifest.
manifest_listing() {
  awk -F'\t' -v a="$1" 'NR > 1 && $1 == a && $4 == "0" { print $6 "  ./" $3 }' "$data/manifest.tsv" |
    LC_ALL=C sort -k2
}

# measure NAME ARCHIVE: runs one program $runs times; prints
# "wall cpu rss_kb status" (best wall, best CPU, largest RSS, last status)
# and leaves the last output in $work/out-NAME.
run_program() {
  local name=$1 archive=$2 out=$work/out-$1
  local best_w="" best_c="" rss=0 status=0
  for _ in $(seq "$runs"); do
    rm -rf "$out"
    mkdir -p "$out"
    local cmd
    case $name in
      ours) cmd=("$setupkit" extract "$archive" "$out") ;;
      bsdtar) cmd=(bsdtar -x -f "$archive" -C "$out") ;;
      unar) cmd=(unar -q -f -D -o "$out" "$archive") ;;
      floor) rmdir "$out"; cmd=("$floor" "$work/out-ours" "$out") ;;
    esac
    read -r w u s m st < <("$measure" "$work/err-$name" "${cmd[@]}")
    local c
    c=$(awk -v u="$u" -v s="$s" 'BEGIN { printf "%.6f", u + s }')
    if [ -z "$best_w" ] || awk -v a="$w" -v b="$best_w" 'BEGIN { exit !(a < b) }'; then best_w=$w; fi
    if [ -z "$best_c" ] || awk -v a="$c" -v b="$best_c" 'BEGIN { exit !(a < b) }'; then best_c=$c; fi
    [ "$m" -gt "$rss" ] && rss=$m
    status=$st
  done
  echo "$best_w $best_c $rss $status"
}

# stored | compressed, from the method column of `setupkit list`.
kind_of() {
  "$setupkit" list "$1" 2>/dev/null | awk '
    { for (i = 1; i <= NF; ++i) if ($i ~ /^[-!D][-E][-L][s0-9]$/) {
        if (substr($i, 1, 1) != "D" && substr($i, 4, 1) != "s") c = 1
        break } }
    END { print c ? "compressed" : "stored" }'
}

# The archives: name <TAB> path <TAB> where the expected listing comes from.
archives=()
while IFS=$'\t' read -r a _; do
  archives+=("$a"$'\t'"$data/$a"$'\t'"manifest:$a")
done < <(awk -F'\t' 'NR > 1 { print $1 }' "$data/manifest.tsv" | awk '!seen[$0]++')

# Stored archives packed by our own writer, as our builder makes packages.
echo "packing the stored archives ($stored_mb MB in one file; $small_files small files)..." >&2
python3 - "$work/src" "$stored_mb" "$small_files" <<'EOF'
import os, random, sys
root, mb, files = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
rnd = random.Random(12)
os.makedirs(f"{root}/big/big")
with open(f"{root}/big/big/big.bin", "wb") as f:
    for _ in range(mb):
        f.write(rnd.randbytes(1 << 20))
for i in range(files):
    d = f"{root}/many/many/dir{i % 50:02d}"
    os.makedirs(d, exist_ok=True)
    # Sizes as a package has them: mostly small, now and then larger.
    size = int(rnd.paretovariate(1.2) * 2000) if rnd.random() < 0.9 else rnd.randrange(0, 200000)
    with open(f"{d}/file{i:05d}.dat", "wb") as f:
        f.write(rnd.randbytes(min(size, 4 << 20)))
EOF
for n in big many; do
  (cd "$work/src/$n" && "$setupkit" pack "$work/stored-$n.rar" "$n" >/dev/null)
  archives+=("(packed) stored-$n.rar"$'\t'"$work/stored-$n.rar"$'\t'"tree:$work/src/$n")
done

for d in "${dirs[@]}"; do
  while IFS= read -r -d '' f; do
    case $f in *.part[0-9]*.rar) case $f in *.part1.rar|*.part01.rar|*.part001.rar) ;; *) continue ;; esac ;; esac
    archives+=("${f#"$d"/}"$'\t'"$f"$'\t'"ours")
  done < <(find "$d" -maxdepth 1 -type f -iname '*.rar' -print0 | LC_ALL=C sort -z)
done

cpus=$(nproc)
load=$(cut -d' ' -f1 /proc/loadavg)
echo "setupkit extraction benchmark: $(date -u +%Y-%m-%dT%H:%MZ), $runs runs each (best kept), $cpus processors, load $load"
echo "build: $build (Release, -O3); $(bsdtar --version | head -n1); unar $(unar -v 2>&1 | head -n1 | awk '{print $NF}')"
echo "MB/s by CPU time (user+sys) and by wall time; RSS = peak resident set. CPU time is the figure to trust on a shared machine."

summary=()
for entry in "${archives[@]}"; do
  IFS=$'\t' read -r name path expect <<<"$entry"
  kind=$(kind_of "$path")
  case $expect in
    manifest:*) manifest_listing "${expect#manifest:}" >"$work/expected" ;;
    tree:*) listing "${expect#tree:}" >"$work/expected" ;;
  esac
  declare -A W C R OK
  for p in ours bsdtar unar floor; do
    read -r W[$p] C[$p] R[$p] st < <(run_program "$p" "$path")
    if [ "$p" = ours ] && [ "$expect" = ours ]; then
      listing "$work/out-ours" >"$work/expected"
    fi
    got=$(listing "$work/out-$p")
    if [ "$st" -ne 0 ]; then
      OK[$p]="exit $st"
    elif [ "$got" != "$(cat "$work/expected")" ]; then
      OK[$p]="WRONG"
    else
      OK[$p]="ok"
    fi
  done
  # Unpacked bytes: what the expected listing holds.
  case $expect in
    manifest:*) bytes=$(awk -F'\t' -v a="${expect#manifest:}" 'NR > 1 && $1 == a && $4 == "0" { s += $5 } END { print s + 0 }' "$data/manifest.tsv") ;;
    tree:*) bytes=$(find "${expect#tree:}" -type f -printf '%s\n' | awk '{ s += $1 } END { print s + 0 }') ;;
    *) bytes=$(find "$work/out-ours" -type f -printf '%s\n' | awk '{ s += $1 } END { print s + 0 }') ;;
  esac
  echo
  awk -v n="$name" -v k="$kind" -v b="$bytes" 'BEGIN { printf "%s  (%s, %.1f MB)\n", n, k, b / 1e6 }'
  printf '  %-8s %9s %9s %10s %10s %8s  %s\n' program "cpu s" "wall s" "MB/s cpu" "MB/s wall" "RSS MB" output
  for p in ours bsdtar unar floor; do
    awk -v p="$p" -v w="${W[$p]}" -v c="${C[$p]}" -v r="${R[$p]}" -v b="$bytes" -v ok="${OK[$p]}" 'BEGIN {
      mb = b / 1e6; cs = (c > 0) ? mb / c : 0; ws = (w > 0) ? mb / w : 0
      printf "  %-8s %9.3f %9.3f %10.1f %10.1f %8.1f  %s\n", p, c, w, cs, ws, r / 1024, ok }'
    if [ "$p" = ours ] && [ "${OK[ours]}" != ok ]; then
      echo "  ours failed: $(head -c 300 "$work/err-ours")"
    fi
  done
  # The faster correct peer, by CPU time.
  best=""
  for p in bsdtar unar; do
    [ "${OK[$p]}" = ok ] || continue
    if [ -z "$best" ] || awk -v a="${C[$p]}" -v b="${C[$best]}" 'BEGIN { exit !(a < b) }'; then best=$p; fi
  done
  line=$(awk -v n="$name" -v k="$kind" -v best="$best" -v oc="${C[ours]}" -v ow="${W[ours]}" \
             -v pc="${C[${best:-ours}]}" -v pw="${W[${best:-ours}]}" -v fc="${C[floor]}" -v fw="${W[floor]}" \
             -v orss="${R[ours]}" -v prss="${R[${best:-ours}]}" -v ok="${OK[ours]}" 'BEGIN {
      if (best == "") { peer = "no correct peer"; rc = "-"; rw = "-" } else {
        peer = best; rc = sprintf("%.2fx", pc / oc); rw = sprintf("%.2fx", pw / ow) }
      fl = sprintf("%.2f", oc / fc); flw = sprintf("%.2f", ow / fw)
      goal = (k == "stored") ? ((oc / fc <= 1.5) ? "floor met" : "floor NOT met") : ""
      if (best != "") goal = goal (goal == "" ? "" : ", ") ((pc / oc >= 1.5) ? "peer met" : "peer NOT met")
      if (ok != "ok") goal = "ours FAILED"
      printf "%-44s %-10s %-7s %8s %8s %8s %8s %7.1f %7.1f  %s", n, k, peer, rc, rw, fl, flw, orss / 1024, prss / 1024, goal }')
  summary+=("$line")
  unset W C R OK
done

echo
echo "summary (vs peer: faster correct peer's time / ours, goal >= 1.5x; /floor: our time / floor's, goal <= 1.5 for stored)"
printf '%-44s %-10s %-7s %8s %8s %8s %8s %7s %7s  %s\n' archive kind peer "vs cpu" "vs wall" "/floor" "/fl wall" "RSS MB" "peer MB" goals
for l in "${summary[@]}"; do echo "$l"; done

echo
echo "checksums (MB/s, in-process, same run):"
"$build/bench/bench_checksum"

echo
echo "opening crafted SFX stubs (false signatures): bytes examined per byte, CPU time against one read"
"$build/bench/bench_open" 2 16 || echo "bench_open: opening is not linear"
