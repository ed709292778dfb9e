#!/usr/bin/env bash
# Mutation check: how many small faults the fast tests catch. Each fault of
# scripts/mutants.tsv is put, alone, into a copy of the tree, which is then
# rebuilt incrementally and run through `ctest -LE long`. A fault that fails a
# test is KILLED; one that passes them all SURVIVED. Run by hand, not in CI.
#
#   bash scripts/mutants.sh [NAME ...]     all faults, or the named ones
#
# The copy and its build live in $QUINDAL_MUTANTS (default /tmp/quindal-mutants),
# made anew on each run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=${QUINDAL_MUTANTS:-/tmp/quindal-mutants}
export QT_QPA_PLATFORM=offscreen
rm -rf "$work" && mkdir -p "$work/src" # a fresh copy: one full build, then incremental ones
(cd "$root" && git ls-files -z --cached --others --exclude-standard | tar --null -T - -cf -) |
  tar -xf - -C "$work/src"
cmake -S "$work/src" -B "$work/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
# Only what the tests run: the program and the test programs.
mapfile -t targets < <(cmake --build "$work/build" --target help | grep -oE '\b(quindal|quindal-reader|reader_probe|tst_[a-z_]+|pictures)$' | grep -v _autogen | sort -u)
build() { cmake --build "$work/build" -j"$(nproc)" --target "${targets[@]}" >"$work/build.log" 2>&1; }
fast_tests() {
  ctest --test-dir "$work/build" -LE long -j"$(nproc)" --timeout 120 --stop-on-failure >"$work/test.log" 2>&1
}
build && fast_tests || { echo "the unchanged tree does not pass its tests: see $work"; exit 1; }

# Replaces the one occurrence of $2 in file $1 by $3 (\n in either stands for a line break).
mutate() {
  python3 - "$@" <<'PY'
import sys
path, old, new = sys.argv[1], sys.argv[2].replace('\\n', '\n'), sys.argv[3].replace('\\n', '\n')
text = open(path, encoding='utf-8').read()
if text.count(old) != 1:
    sys.exit(f'{path}: the text to change stands {text.count(old)} times, not once')
open(path, 'w', encoding='utf-8').write(text.replace(old, new))
PY
}

killed=0 survived=0 broken=0
while IFS=$'\t' read -r name file old new what; do
  [[ -z "$name" || "$name" == \#* ]] && continue
  [[ $# -eq 0 || " $* " == *" $name "* ]] || continue
  if ! mutate "$work/src/$file" "$old" "$new"; then
    result=BROKEN; broken=$((broken + 1))
  elif ! build; then
    result="BROKEN (does not build)"; broken=$((broken + 1))
  elif fast_tests; then
    result=SURVIVED; survived=$((survived + 1))
  else
    result=KILLED; killed=$((killed + 1))
  fi
  printf '%-24s %-9s %s\n' "$name" "$result" "$what"
  cp "$root/$file" "$work/src/$file"
done <"$root/scripts/mutants.tsv"
build
echo "mutants: $killed killed, $survived survived, $broken broken"
