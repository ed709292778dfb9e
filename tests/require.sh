#!/bin/sh
# require.sh "PACKAGES" TOOL... -- COMMAND...: runs COMMAND when every TOOL (a
# program on the PATH, or a file) is there; otherwise fails, naming the
# Debian packages to install. Every test that needs more than the build runs
# through it, so a missing tool fails clearly and never skips.
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
exec "$@"
