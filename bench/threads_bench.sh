#!/usr/bin/env bash
# frameinterp with one session and with several (--threads), on 1920 x 1080
# and 3840 x 2160 clips enlarged from footage with ffmpeg's scale filter: 30
# frames at 24 fps converted to 60 fps in mode 2, written to the null device.
# Every count runs ROUNDS times, the counts taking turns, so that each sees
# the same load; prints each run's wall time and processor time (user and
# system, from /usr/bin/time) and a Markdown table of the medians with the
# wall-time ratio to the first count, measured in the same run, and the load
# average before and after.
#
# Usage: bench/threads_bench.sh [BUILD_DIR] [ROUNDS] [COUNT...]
#        (defaults: build/release, 3, the counts 1 and 2)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build/release}")
rounds=${2:-3}
shift $(($# < 2 ? $# : 2))
counts=("$@")
((${#counts[@]})) || counts=(1 2)
work=$build/threads-bench
mkdir -p "$work"

footage=../shared/testdata/clips/cars_320x240_30fps.y4m
for size in 1920x1080 3840x2160; do
  clip=$work/cars_$size.y4m
  [ -f "$clip" ] || ffmpeg -nostdin -loglevel error -i "$footage" -vf "scale=${size/x/:}" \
    -f yuv4mpegpipe - | sed '1s/ F30:1 / F24:1 /' >"$clip"
done

median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
declare -A wall cpu
for size in 1920x1080 3840x2160; do
  for ((round = 1; round <= rounds; round++)); do
    for n in "${counts[@]}"; do
      times=$(/usr/bin/time -f '%e %U %S' "$build/bin/frameinterp" -q --threads "$n" -m motion \
        -r 60 -o /dev/null "$work/cars_$size.y4m" 2>&1 >/dev/null | tail -n 1)
      read -r elapsed user system <<<"$times"
      processor=$(echo "$user + $system" | bc | xargs printf "%.2f")
      echo "$size --threads $n: $elapsed s wall, $processor s processor"
      wall[$size,$n]+="$elapsed "
      cpu[$size,$n]+="$processor "
    done
  done
done
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"

echo
echo "| size | sessions | wall s | processor s | wall / ${counts[0]} session(s) |"
echo "|---|---:|---:|---:|---:|"
for size in 1920x1080 3840x2160; do
  # shellcheck disable=SC2086
  first=$(median ${wall[$size,${counts[0]}]})
  for n in "${counts[@]}"; do
    # shellcheck disable=SC2086
    w=$(median ${wall[$size,$n]})
    # shellcheck disable=SC2086
    c=$(median ${cpu[$size,$n]})
    echo "| $size | $n | $w | $c | $(echo "scale=3; $w / $first" | bc | xargs printf "%.2f") |"
  done
done
