#!/bin/sh
# private_home.sh COMMAND...: runs COMMAND with a home, configuration, cache
# and runtime folder of its own, removed afterwards, so that the desktop tools
# it starts neither read nor write the invoking user's.
set -eu
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
mkdir -m 700 "$home/runtime"
HOME=$home XDG_CONFIG_HOME=$home/.config XDG_CACHE_HOME=$home/.cache \
  XDG_DATA_HOME=$home/.local/share XDG_STATE_HOME=$home/.local/state \
  XDG_RUNTIME_DIR=$home/runtime "$@"
