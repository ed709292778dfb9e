#!/usr/bin/env bash
# Builds Quindal (installing what the build needs) and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target quindal
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" && "${QT_QPA_PLATFORM:-}" != offscreen ]]; then
  echo "Quindal is built (build/bin/quindal) but there is no display to show its window on: set DISPLAY, or run it under xvfb-run." >&2
  exit 1
fi
exec build/bin/quindal
