#!/usr/bin/env bash
# Builds Quindal and makes its Debian package in build/ (installing what
# that needs): quindal_VERSION_ARCH.deb and its -dbgsym package.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh package
# The same sources make the same bytes: every time stamp, the resource
# compiler's among them, is the release's, from the changelog's first entry
# unless SOURCE_DATE_EPOCH is set.
SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(dpkg-parsechangelog -l packaging/changelog -STimestamp)}
export SOURCE_DATE_EPOCH
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"
cd build && cpack -G DEB
