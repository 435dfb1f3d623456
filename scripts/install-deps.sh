#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, where missing:
# the native toolchain and libraries, and for the windows-x64 preset the
# MinGW-w64 cross compiler (posix threads), the GoogleTest sources that it
# builds for Windows, and Wine to run the Windows programs.
set -euo pipefail

packages=(cmake ninja-build g++ binutils libgtest-dev libgmock-dev libbenchmark-dev libssl-dev
          g++-mingw-w64-x86-64-posix googletest wine wine64)
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
    missing+=("$package")
done
if ((${#missing[@]})); then
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -q
  # Wine's recommended packages (fonts, sound and graphics libraries) are not
  # needed by console programs.
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends \
    "${missing[@]}"
fi
