#!/usr/bin/env bash
# Builds Quindal and runs every test and check (installing what they need);
# exits non-zero when any fails. Each build is a workflow of CMakePresets.json:
#
#   1. default: the build with warnings as errors, and every test but the long ones
#   2. static checks: clang-format and clang-tidy
#   3. sanitize: the whole suite again under AddressSanitizer and
#      UndefinedBehaviorSanitizer
#   4. fuzz: 30 s each of fuzzing the number reader, the picture reader and
#      the picture readers' protocol
set -euo pipefail
cd "$(dirname "$0")/.."
# One run at a time on a machine, whoever runs it: the tests start X servers,
# compositors and a screen reader, and time what a user would see. A second
# run waits for the first. The lock file is readable by all, and locked
# through a descriptor opened for reading, so that any user can take it.
lock=/tmp/quindal-test-command.lock
[[ -e $lock ]] || (umask 0 && : >>"$lock")
exec 9<"$lock"
flock -n 9 || { echo "Another run of the test command is going on; waiting for it to end."; flock 9; }
bash scripts/deps.sh test
export QT_QPA_PLATFORM=offscreen
export CMAKE_BUILD_PARALLEL_LEVEL=$(nproc) CTEST_PARALLEL_LEVEL=$(nproc)

echo "== Build and tests"
cmake --workflow --preset default

echo "== Static checks"
mapfile -t sources < <(git ls-files '*.cpp' '*.h' 2>/dev/null || find almanac picture reader window app bench tools tests fuzz -name '*.cpp' -o -name '*.h')
clang-format --dry-run -Werror "${sources[@]}"
mapfile -t checked < <(printf '%s\n' "${sources[@]}" | grep -E '^(almanac|picture|reader|window|app|bench|tools)/.*\.cpp$')
printf '%s\n' "${checked[@]}" | xargs -P "$(nproc)" -n 3 clang-tidy -p build --quiet 2>/dev/null
echo "clang-format and clang-tidy: clean"

echo "== Tests under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake --workflow --preset sanitize

echo "== Fuzzing the number reader, the picture reader and their protocol (30 s each)"
probe=$(mktemp -d)
trap 'rm -rf "$probe"' EXIT
echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char *, unsigned long) { return 0; }' |
  clang++ -x c++ -fsanitize=fuzzer - -o "$probe/probe" 2>/dev/null ||
  { echo "MISSING: clang++ with libFuzzer (install clang libclang-rt-dev)"; exit 1; }
cmake --workflow --preset fuzz
