#!/bin/sh
# under_slow_folder.sh PROGRAM [ARGUMENTS...]: runs it beside a FUSE folder
# that behaves like a troubled network share (slow_folder.py), unmounted
# afterwards. The program finds the folder in QUINDAL_SLOW_FOLDER, puts the
# files to serve in QUINDAL_SLOW_SOURCES and reads what was served from
# QUINDAL_SLOW_COUNTS.
set -eu
/usr/bin/python3 -c 'import pyfuse3, trio' 2>/dev/null ||
  { echo "MISSING: the python3 module pyfuse3 (install python3-pyfuse3)"; exit 1; }
work=$(mktemp -d)
mkdir "$work/mount" "$work/sources" "$work/counts"
/usr/bin/python3 "$(dirname "$0")/slow_folder.py" "$work/mount" "$work/sources" "$work/counts" \
  >"$work/fuse.log" 2>&1 &
fuse=$!
# Killed, the file system answers every request still waiting (a hung
# open, say) with an error at once.
cleanup() {
  kill -KILL "$fuse" 2>/dev/null || true
  fusermount3 -u -z "$work/mount" 2>/dev/null || umount -l "$work/mount" 2>/dev/null || true
  wait "$fuse" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
for _ in $(seq 100); do
  mountpoint -q "$work/mount" && break
  sleep 0.05
done
mountpoint -q "$work/mount" || { cat "$work/fuse.log"; echo "the FUSE folder did not mount"; exit 1; }
QUINDAL_SLOW_FOLDER=$work/mount QUINDAL_SLOW_SOURCES=$work/sources QUINDAL_SLOW_COUNTS=$work/counts \
  "$@"
