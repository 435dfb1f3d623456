#!/usr/bin/env bash
# Runs the shell blocks of the README's "Several cores and a render farm"
# section that convert in.y4m (a clip of the footage under that name), in a
# fresh folder with frameinterp on the PATH, and checks that each block's
# whole.y4m is the bytes of one session's conversion. The GNU parallel block
# is skipped where parallel is not installed.
#
# Usage: readme_farm.sh README.md BIN_DIR TESTDATA_DIR WORK_DIR
set -euo pipefail
readme=$(realpath "$1")
export PATH="$(realpath "$2"):$PATH"
clip=$(realpath "$3")/clips/cars_320x240_30fps.y4m
rm -rf "$4" && mkdir -p "$4" && cd "$4"

fail() { echo "FAILED: $*" >&2; exit 1; }

awk '/^## Several cores and a render farm/ { on = 1; next } /^## / { on = 0 }
     on && /^```sh$/ { n++; block = 1; next } on && /^```$/ { block = 0; next }
     on && block { print > ("block" n ".sh") }' "$readme"
cp "$clip" in.y4m
frameinterp -q --threads 1 -r 60 -o one.y4m in.y4m

ran=0
for block in $(grep -l 'in\.y4m' block*.sh); do
  if grep -q '^parallel ' "$block" && ! command -v parallel >/dev/null; then
    echo "skipped $block: GNU parallel is not installed"
    continue
  fi
  rm -f part*.y4m whole.y4m
  bash -e -o pipefail "$block" </dev/null 2>"$block.log" ||
    { cat "$block" "$block.log" >&2; fail "$block of the README's farm section"; }
  cmp whole.y4m one.y4m || fail "$block: whole.y4m is not one session's conversion"
  ran=$((ran + 1))
done
((ran >= 1)) || fail "no block of the README's farm section converts in.y4m"
echo "$ran blocks of the README's farm section joined their runs into one session's conversion"
