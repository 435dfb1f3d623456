#!/usr/bin/env bash
# Runs every shell block of the README's "With ffmpeg" section, in order, in a
# fresh folder with frameinterp on the PATH and short clips made from the
# footage under the names the section uses, then checks what the blocks
# wrote: frame counts, rates and sizes, the audio, the interlacing warning,
# and the refusal the section quotes. ffmpeg only decodes and encodes here
# (and pads, in the section's odd-size block).
#
# Usage: readme_commands.sh README.md BIN_DIR TESTDATA_DIR WORK_DIR
# Exits 77 (skipped) when ffmpeg is not installed.
set -euo pipefail
readme=$(realpath "$1")
clips=$(realpath "$3")/clips
command -v ffmpeg >/dev/null || { echo "ffmpeg is not installed (scripts/install-deps.sh installs it)"; exit 77; }
export PATH="$(realpath "$2"):$PATH"
rm -rf "$4" && mkdir -p "$4" && cd "$4"

fail() { echo "FAILED: $*" >&2; exit 1; }
make_clip() { ffmpeg -nostdin -loglevel error "$@"; }

# in.mp4: 1 s at 30 fps with a tone; in60.mp4: the same frames at 60 fps;
# in10.mkv: 10-bit 4:2:2; in422.mkv: 8-bit 4:2:2; odd.mkv: 321 x 241 at
# 50 fps (10 frames); interlaced.mp4: coded as interlaced fields.
cars=$clips/cars_320x240_30fps.y4m
make_clip -i "$cars" -f lavfi -i sine=frequency=440:sample_rate=48000 -shortest -c:v libx264 \
  -pix_fmt yuv420p -c:a aac in.mp4
sed '1s/ F30:1 / F60:1 /' "$cars" | make_clip -i - -c:v libx264 in60.mp4
make_clip -i "$cars" -pix_fmt yuv422p10le -c:v ffv1 in10.mkv
make_clip -i "$cars" -pix_fmt yuv422p -c:v ffv1 in422.mkv
make_clip -i "$clips/park_joy_480x270_50fps_10f.y4m" -vf scale=321:241 -c:v ffv1 odd.mkv
make_clip -i "$cars" -c:v libx264 -flags +ildct+ilme interlaced.mp4

# The section's blocks: ```sh ... ``` between "## With ffmpeg" and the next
# "## " heading, one script each.
awk '/^## With ffmpeg/ { on = 1; next } /^## / { on = 0 }
     on && /^```sh$/ { n++; block = 1; next } on && /^```$/ { block = 0; next }
     on && block { print > ("block" n ".sh") }' "$readme"
blocks=$(find . -maxdepth 1 -name 'block*.sh' | wc -l)
((blocks >= 7)) || fail "the README's ffmpeg section has $blocks shell blocks, expected at least 7"
for ((n = 1; n <= blocks; n++)); do
  bash -e -o pipefail "block$n.sh" </dev/null 2>"block$n.log" ||
    { cat "block$n.sh" "block$n.log" >&2; fail "block $n of the README's ffmpeg section"; }
done

# "frames width height rate [audio]" of a file's streams.
probe() {
  local video audio
  video=$(ffprobe -v error -select_streams v:0 -count_frames \
    -show_entries stream=nb_read_frames,width,height,r_frame_rate -of csv=p=0 "$1")
  audio=$(ffprobe -v error -select_streams a -show_entries stream=codec_type -of csv=p=0 "$1")
  IFS=, read -r width height rate frames <<<"$video"
  echo "$frames $width $height $rate${audio:+ $audio}"
}
expect() {
  local got
  got=$(probe "$1")
  [[ $got == "$2" ]] || fail "$1: $got, expected $2"
}
expect out.mp4 "60 320 240 60/1"
expect with_audio.mp4 "60 320 240 60/1 audio"
expect out10.mp4 "60 320 240 60/1"
expect odd.mp4 "20 322 242 100/1"
expect progressive.mp4 "60 320 240 60/1"
expect out24.mp4 "12 320 240 24/1"
expect kept.mp4 "60 320 240 60/1"

warning="frameinterp: interlaced input is converted as progressive frames; deinterlace it first, \
for example with ffmpeg's -vf bwdif"
# (ffmpeg's progress shares the line: it writes to the same stderr.)
(($(cat block*.log | grep -oF "$warning" | wc -l) == 1)) || fail "not one interlacing warning"

# The refusal the section quotes is the program's, word for word.
quoted=$(awk '/^## With ffmpeg/ { on = 1; next } /^## / { on = 0 }
              on && /^```sh$/ { shell = 1; next }
              on && /^```$/ { if (shell) shell = 0; else quote = !quote; next }
              on && quote' "$readme")
refusal=$(ffmpeg -nostdin -loglevel quiet -i in422.mkv -f yuv4mpegpipe - |
  frameinterp -r 60 -o out422.y4m - 2>&1) && fail "a 4:2:2 input was accepted"
[[ $refusal == "$quoted" ]] || fail "the README quotes '$quoted'; the program says '$refusal'"
[[ ! -e out422.y4m ]] || fail "a refused run left its output"
echo "every command of the README's ffmpeg section ran ($blocks blocks)"
