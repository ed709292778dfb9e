#!/bin/sh
# under_ibus.sh PROGRAM [ARGUMENTS...]: runs it with ibus and mozc on an X
# server and D-Bus session of its own, with a home and runtime folder of its
# own, so that it never meets the user's own ibus. Mozc serves no root
# process, so root runs it as nobody, from a home holding copies of the
# program and pictures.
set -eu
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
mkdir "$home/bin" "$home/runtime"
chmod 700 "$home/runtime"
cp "$1" "$(dirname "$1")"/*.jpg "$home/bin/"
chmod -R a+rX "$home"
run_as=
if [ "$(id -u)" = 0 ]; then
  chown -R nobody "$home"
  run_as="setpriv --reuid=nobody --regid=nogroup --clear-groups --reset-env"
fi
program="$home/bin/$(basename "$1")"
shift
$run_as env HOME="$home" XDG_RUNTIME_DIR="$home/runtime" PATH=/usr/bin:/bin LANG=C.UTF-8 \
  xvfb-run -a -s "-screen 0 800x600x24" dbus-run-session -- sh -c '
    ibus-daemon --xim >"$HOME/ibus.log" 2>&1 &
    for _ in $(seq 100); do
      ibus engine mozc-jp 2>/dev/null && break
      sleep 0.1
    done
    [ "$(ibus engine 2>/dev/null)" = mozc-jp ] || { cat "$HOME/ibus.log"; echo "ibus did not take mozc"; exit 1; }
    QT_QPA_PLATFORM=xcb QT_IM_MODULE=ibus "$@"
    status=$?
    ibus exit >/dev/null 2>&1
    # The Mozc server outlives ibus: the one started from this home is ended too.
    for process in /proc/[0-9]*; do
      [ "$(cat "$process/comm" 2>/dev/null)" = mozc_server ] &&
        tr "\0" "\n" <"$process/environ" 2>/dev/null | grep -qx "HOME=$HOME" &&
        kill "${process#/proc/}"
    done
    exit $status
  ' sh "$program" "$@"
