#!/bin/sh
# require.sh "PACKAGES" TOOL... -- COMMAND...: runs COMMAND when every TOOL (a
# program on the PATH, or a file) is there; otherwise fails, naming the
# Debian packages to install. Every test that needs more than the build runs
# through it, so a missing tool fails clearly and never skips.
#
# COMMAND runs with an empty home of its own standing in for the invoking
# user's. Every desktop tool a test starts must get a private one; anything
# left in this home afterwards is something a tool would have written into
# the user's own, and fails the test.
packages=$1
shift
missing=
while [ "$1" != "--" ]; do
  command -v "$1" >/dev/null 2>&1 || [ -e "$1" ] || missing="$missing $1"
  shift
done
shift
if [ -n "$missing" ]; then
  echo "MISSING:$missing (install $packages)"
  exit 1
fi
watched=$(mktemp -d)
trap 'rm -rf "$watched"' EXIT
export HOME="$watched"
unset XDG_CONFIG_HOME XDG_CACHE_HOME XDG_DATA_HOME XDG_STATE_HOME
"$@"
status=$?
written=$(find "$watched" -mindepth 1 | sed "s|^$watched|~|" | head -20)
if [ -n "$written" ]; then
  echo "FAIL: written into the invoking user's home:"
  echo "$written"
  exit 1
fi
exit $status
