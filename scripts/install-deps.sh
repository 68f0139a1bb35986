#!/usr/bin/env bash
# Installs the Debian packages kz7 needs to build, test and benchmark.
# Only missing packages are installed; running it twice is harmless.
set -euo pipefail

packages=(
  g++ cmake ninja-build make pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libcli11-dev libfmt-dev nlohmann-json3-dev
  libsqlite3-dev sqlite3 libpugixml-dev
  python3
  libjs-chart.js chromium
  libboost-dev
  libpolyclipping-dev   # Clipper: the shadows cut out of each window
  libmimalloc-dev   # the allocator of Release builds of kz7 and the benchmarks
  clang libclang-rt-dev
  groff-base   # the man page test reads kz7.1 with groff
  python3-dev pybind11-dev python3-pybind11   # the Python package kz7
  python3-numpy python3-pandas python3-matplotlib python3-pytest
  python3-distributed   # kz7.batch on a Dask cluster
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
