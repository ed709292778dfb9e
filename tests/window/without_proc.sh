#!/bin/sh
# without_proc.sh PROGRAM [ARGUMENTS...]: runs it with an empty /proc, as in
# a chroot or container that lacks one: in a mount namespace of its own (and,
# run as another user than root, in a user namespace too). Only /proc is made
# private there (/ need not be a mount point, as in a chroot), so the empty
# one is never seen outside.
set -eu
user=
[ "$(id -u)" -eq 0 ] || user=--map-root-user
exec unshare --mount --propagation unchanged $user \
  sh -c 'mount --make-private /proc && mount -t tmpfs none /proc && exec "$@"' sh "$@"
