#!/usr/bin/env bash
# Builds Quindal and runs every test and check (installing what they need);
# exits non-zero when any fails.
#
#   1. the build with warnings as errors, and every test but the long ones
#   2. static checks: clang-format and clang-tidy
#   3. the whole suite again under AddressSanitizer and UndefinedBehaviorSanitizer
#   4. 30 s each of fuzzing the number reader and the picture decoder
#      (when clang with libFuzzer is present)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh test
jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen

echo "== Build and tests"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUINDAL_WERROR=ON >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build --no-tests=error --output-on-failure -j"$jobs" -LE long

echo "== Static checks"
mapfile -t sources < <(git ls-files '*.cpp' '*.h' 2>/dev/null || find almanac window app bench tools tests fuzz -name '*.cpp' -o -name '*.h')
clang-format --dry-run -Werror "${sources[@]}"
mapfile -t checked < <(printf '%s\n' "${sources[@]}" | grep -E '^(almanac|window|app|bench|tools)/.*\.cpp$')
printf '%s\n' "${checked[@]}" | xargs -P "$jobs" -n 3 clang-tidy -p build --quiet 2>/dev/null
echo "clang-format and clang-tidy: clean"

echo "== Tests under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DQUINDAL_SANITIZE=ON -DQUINDAL_WERROR=ON >/dev/null
cmake --build build-asan -j"$jobs"
ctest --test-dir build-asan --no-tests=error --output-on-failure -j"$jobs" -LE long

# Fuzzing needs clang with libFuzzer; without them it is skipped.
fuzz_probe=$(mktemp -d)
if command -v clang++ >/dev/null &&
   echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char *, unsigned long) { return 0; }' |
     clang++ -x c++ -fsanitize=fuzzer - -o "$fuzz_probe/probe" 2>/dev/null; then
  echo "== Fuzzing the number reader and the picture decoder (30 s each)"
  cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DQUINDAL_FUZZ=ON >/dev/null
  cmake --build build-fuzz -j"$jobs"
  ctest --test-dir build-fuzz --no-tests=error --output-on-failure
else
  echo "== clang with libFuzzer not found: fuzzing skipped"
fi
rm -rf "$fuzz_probe"
