#!/usr/bin/env bash
# Where frameinterp writes the video without -o: into a pipe, the bytes that
# -o FILE gets; on a terminal (through script(1)) nothing, with a message
# naming -o FILE and -o -, while --evaluate still prints its table there.
#
# Usage: standard_output_test.sh FRAMEINTERP CLIP
set -euo pipefail
program=$(realpath "$1")
clip=$(realpath "$2")
cd "$(mktemp -d)"
trap 'rm -rf "$PWD"' EXIT

"$program" -q -m blend -r 30 -o file.y4m "$clip"
"$program" -q -m blend -r 30 "$clip" | cat >piped.y4m
cmp file.y4m piped.y4m || { echo "a pipe got other bytes than -o FILE"; exit 1; }
rm file.y4m piped.y4m

status=0
shown=$(script -qec "'$program' -m repeat '$clip'" /dev/null </dev/null) || status=$?
[[ $status == 2 ]] || { echo "a conversion to a terminal exited with $status"; exit 1; }
[[ $shown == *"write the video to a file with -o FILE, or to standard output all the same with -o -"* ]] ||
  { echo "the refusal does not name -o FILE and -o -: $shown"; exit 1; }
[[ -z $(ls) ]] || { echo "the refused run left $(ls)"; exit 1; }

shown=$(script -qec "'$program' -q --evaluate -m repeat '$clip'" /dev/null </dev/null)
[[ $shown == *"repeat "* ]] || { echo "--evaluate showed no table on the terminal: $shown"; exit 1; }
echo "a pipe gets the video, a terminal only with -o -, and the quality table"
