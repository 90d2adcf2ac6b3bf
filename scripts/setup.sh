#!/usr/bin/env bash
# Installs what the build needs (Debian/Ubuntu packages) and builds one configuration.
#   scripts/setup.sh [normal|sanitize|fuzz]   -> build folder build/, build-sanitize/ or
#                                              build-fuzz/ (the fuzz targets, with clang)
set -euo pipefail
cd "$(dirname "$0")/.."

kind="${1:-normal}"
# The compressed forms of game files: libzstd, ISA-L (gzip), libbz2, liblzma.
# GNU parallel: the test of the scan spread over processes (bench/parallel_scan.sh).
packages=(cmake ninja-build g++ qt6-base-dev libgl-dev libgtest-dev libzstd-dev libisal-dev
          libbz2-dev liblzma-dev parallel)
# The fuzz targets need clang and its libFuzzer runtime (Debian's libclang-rt-dev).
if [ "$kind" = fuzz ]; then packages+=(clang libclang-rt-dev); fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
fi

case "$kind" in
  normal) dir=build; flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo) ;;
  sanitize) dir=build-sanitize; flags=(-DCMAKE_BUILD_TYPE=Debug -DKELVANE_SANITIZE=ON) ;;
  fuzz) dir=build-fuzz; flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELVANE_FUZZ=ON
                              -DCMAKE_CXX_COMPILER=clang++) ;;
  *) echo "usage: $0 [normal|sanitize|fuzz]" >&2; exit 2 ;;
esac
cmake -S . -B "$dir" -G Ninja "${flags[@]}" >/dev/null
cmake --build "$dir"
