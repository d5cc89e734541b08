#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when they are missing.
set -euo pipefail
packages=(cmake g++ make pkg-config qt6-base-dev libgtest-dev libgmock-dev libbenchmark-dev
          clang-format desktop-file-utils shared-mime-info xvfb xauth clang libclang-rt-14-dev
          ncdu gdu plocate python3)
# `install-deps.sh windows`: the cross compilers, Wine to run the tests, and
# GoogleTest's sources to build with them.
if [ "${1:-}" = windows ]; then
  packages=(cmake make g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix wine64 googletest)
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
