#!/usr/bin/env bash
# Measures mode 2 against a baseline commit in the same run: builds the
# baseline's mode2_bench from a git worktree inside the build folder, builds
# the current tree's, runs the two one after the other (ROUNDS times, in
# turn, so both see the same machine), and prints for every row both have the
# best processor time of each and the current tree's speed-up.
#
# Usage: bench/compare_with_baseline.sh [-b BUILD] [-c COMMIT] [-f FILTER] [-r ROUNDS] [-t SECONDS]
#   BUILD   the current tree's release build folder (default build/release)
#   COMMIT  the baseline (default a84ac76, main before the gathering synthesis)
#   FILTER  the rows, as the start of their names without the tier, a
#           regular expression (default: injection, synthesis and output per
#           frame at the four sizes on footage); each side runs them on the
#           best tier it has
#   ROUNDS  runs of each program (default 3)
#   SECONDS least time each row runs (default 2): an output row's session
#           allocates and first touches its planes at its first request, and
#           only a long run spreads that over as many frames as a session
#           serves
set -euo pipefail
cd "$(dirname "$0")/.."

build=build/release
commit=a84ac76
filter=''
rounds=3
min_time=2
while getopts b:c:f:r:t: option; do
  case $option in
    b) build=$OPTARG ;;
    c) commit=$OPTARG ;;
    f) filter=$OPTARG ;;
    r) rounds=$OPTARG ;;
    t) min_time=$OPTARG ;;
    *) sed -n '8,18p' "$0" >&2; exit 2 ;;
  esac
done

testdata=$(cd .. && pwd)/shared/testdata
base_src=$build/baseline-$commit/src
base_build=$build/baseline-$commit/build
if [ ! -d "$base_src" ]; then
  git worktree add --detach "$base_src" "$commit" >/dev/null
fi
if [ ! -f "$base_build/build.ninja" ]; then
  cmake -S "$base_src" -B "$base_build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DFRAMEINTERP_BUILD_TESTS=OFF -DFRAMEINTERP_TESTDATA_DIR="$testdata" >/dev/null
fi
cmake --build "$base_build" --target mode2_bench -j2 >/dev/null
[ -f "$build/build.ninja" ] || cmake --preset release >/dev/null
cmake --build "$build" --target mode2_bench -j2 >/dev/null

# Each side's rows on its own best tier (the baseline may have fewer tiers),
# matched by what they measure.
best_tier() { "$1" --benchmark_list_tests=true | sed -n 's|^synthesis/640x360/footage/||p' | tail -1; }
base_tier=$(best_tier "$base_build/bin/mode2_bench")
current_tier=$(best_tier "$build/bin/mode2_bench")
filter_of() { echo "^(${filter:-(injection|synthesis|output)/[0-9x]+/footage/}).*$1\$"; }

results=$(mktemp -d)
trap 'rm -rf "$results"' EXIT
for ((round = 1; round <= rounds; ++round)); do
  for side in baseline current; do
    program=$build/bin/mode2_bench
    tier=$current_tier
    if [ $side = baseline ]; then
      program=$base_build/bin/mode2_bench
      tier=$base_tier
    fi
    "$program" --benchmark_filter="$(filter_of "$tier")" --benchmark_min_time="$min_time" \
      --benchmark_out="$results/$side.$round.json" --benchmark_out_format=json >/dev/null 2>&1
  done
done

echo "Processor: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')"
echo "Best processor time of $rounds runs each (at least $min_time s a row), baseline $commit ($base_tier) against $(git rev-parse --short HEAD)$(git diff --quiet HEAD || echo ' with changes') ($current_tier):"
echo
python3 - "$results" "$rounds" <<'EOF'
import json, sys
folder, rounds = sys.argv[1], int(sys.argv[2])
best = {"baseline": {}, "current": {}}
order = []
for side in best:
    for r in range(1, rounds + 1):
        for b in json.load(open(f"{folder}/{side}.{r}.json"))["benchmarks"]:
            if b.get("error_occurred"):
                continue
            # Rows without their tier, so that each side's best tiers meet.
            name, ms = b["name"].rsplit("/", 1)[0], b["cpu_time"]
            if name not in best[side] or ms < best[side][name]:
                best[side][name] = ms
            if side == "current" and name not in order:
                order.append(name)
print("| Row | baseline ms | current ms | speed-up |")
print("|---|---:|---:|---:|")
for name in order:
    if name in best["baseline"]:
        old, new = best["baseline"][name], best["current"][name]
        print(f"| {name} | {old:.2f} | {new:.2f} | {old / new:.2f}x |")
EOF
