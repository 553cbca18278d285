#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the program need,
# when any of them is missing. Safe to run again.
set -euo pipefail

packages=(cmake ninja-build g++ libgtest-dev clang libclang-rt-14-dev
          g++-mingw-w64-x86-64-posix wine wine64 xvfb xauth x11-utils imagemagick
          xz-utils wixl msitools fp-utils-3.2.2)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi
