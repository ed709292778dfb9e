#!/usr/bin/env bash
# Builds Quindal and makes its Debian package in build/ (installing what
# that needs): quindal_VERSION_ARCH.deb and its -dbgsym package.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh package
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"
cd build && cpack -G DEB
