#!/usr/bin/env bash
# frameinterp with a terminal as standard output (through script(1)): a
# conversion without -o is refused with a message naming -o FILE and -o -,
# and --evaluate still prints its table there.
#
# Usage: terminal_test.sh FRAMEINTERP CLIP
set -euo pipefail
program=$(realpath "$1")
clip=$(realpath "$2")
cd "$(mktemp -d)"
trap 'rm -rf "$PWD"' EXIT

status=0
shown=$(script -qec "'$program' -m repeat '$clip'" /dev/null </dev/null) || status=$?
[[ $status == 2 ]] || { echo "a conversion to a terminal exited with $status"; exit 1; }
[[ $shown == *"write the video to a file with -o FILE, or to standard output all the same with -o -"* ]] ||
  { echo "the refusal does not name -o FILE and -o -: $shown"; exit 1; }
[[ -z $(ls) ]] || { echo "the refused run left $(ls)"; exit 1; }

shown=$(script -qec "'$program' -q --evaluate -m repeat '$clip'" /dev/null </dev/null)
[[ $shown == *"repeat "* ]] || { echo "--evaluate showed no table on the terminal: $shown"; exit 1; }
echo "a terminal gets no video without -o -, and the quality table"
