#!/usr/bin/env bash
# Builds Quindal and runs every test (installing what they need); exits
# non-zero when any fails.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen

echo "== Build and tests"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUINDAL_WERROR=ON >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build --no-tests=error --output-on-failure -j"$jobs" -LE long

# Fuzzing needs clang with libFuzzer; without them it is skipped.
fuzz_probe=$(mktemp -d)
if command -v clang++ >/dev/null &&
   echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char *, unsigned long) { return 0; }' |
     clang++ -x c++ -fsanitize=fuzzer - -o "$fuzz_probe/probe" 2>/dev/null; then
  echo "== Fuzzing the number reader (30 s)"
  cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DQUINDAL_FUZZ=ON >/dev/null
  cmake --build build-fuzz -j"$jobs"
  ctest --test-dir build-fuzz --no-tests=error --output-on-failure
else
  echo "== clang with libFuzzer not found: fuzzing skipped"
fi
rm -rf "$fuzz_probe"
