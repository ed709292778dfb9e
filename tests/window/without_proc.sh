#!/bin/sh
# without_proc.sh PROGRAM [ARGUMENTS...]: runs it with an empty /proc, as in
# a chroot or container that lacks one: in a mount namespace of its own (and,
# run as another user than root, in a user namespace too).
set -eu
user=
[ "$(id -u)" -eq 0 ] || user=--map-root-user
exec unshare --mount --propagation private $user \
  sh -c 'mount -t tmpfs none /proc && exec "$@"' sh "$@"
