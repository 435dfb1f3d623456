#!/usr/bin/env bash
# Installs what the build and the tests need, where missing: the native
# toolchain and libraries (libpng for the snapshots; clang and its libFuzzer
# runtime for the fuzz preset; the GoogleTest sources, which the tsan and
# windows-x64 presets build with the project; qemu-user, whose emulated older
# processor the westmere preset's tests run on), Debian's ffmpeg and GNU
# parallel (tests run the README's ffmpeg and farm commands), and for the
# windows-x64 preset the MinGW-w64 cross compiler (posix threads), zlib for
# MinGW, Wine to run the Windows programs, and Debian's libpng sources,
# unpacked into /usr/local/src/frameinterp-deps/libpng.
#
# Usage: scripts/install-deps.sh [--native]   (--native: not the Windows build's)
set -euo pipefail

windows=true
case "${1:-}" in
  "") ;;
  --native) windows=false ;;
  *) echo "usage: $0 [--native]" >&2; exit 2 ;;
esac

packages=(cmake ninja-build g++ binutils libgtest-dev libgmock-dev googletest libbenchmark-dev
          libssl-dev libpng-dev clang libclang-rt-14-dev ffmpeg parallel qemu-user)
if $windows; then
  packages+=(g++-mingw-w64-x86-64-posix libz-mingw-w64-dev wine wine64 dpkg-dev)
fi

as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
    missing+=("$package")
done
if ((${#missing[@]})); then
  "${as_root[@]}" apt-get update -q
  # Wine's recommended packages (fonts, sound and graphics libraries) are not
  # needed by console programs.
  DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -q --no-install-recommends \
    "${missing[@]}"
fi

$windows || exit 0

# libpng for the Windows build: Debian's source package, fetched once, and
# beside it its tree with Debian's patches applied.
sources_root=/usr/local/src/frameinterp-deps
[ -f "$sources_root/libpng/png.h" ] && exit 0
if ! apt-cache showsrc libpng1.6 >/dev/null 2>&1; then
  "${as_root[@]}" tee /etc/apt/sources.list.d/frameinterp-deb-src.sources >/dev/null <<'EOF'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
  "${as_root[@]}" apt-get update -q
fi
"${as_root[@]}" mkdir -p "$sources_root"
"${as_root[@]}" rm -rf "$sources_root/libpng" "$sources_root"/libpng1.6_*
(cd "$sources_root" && "${as_root[@]}" apt-get source --download-only -q libpng1.6)
"${as_root[@]}" dpkg-source -x "$sources_root"/libpng1.6_*.dsc "$sources_root/libpng"
