#!/bin/sh
# under_orca.sh SCRIPT PROGRAM: runs the Python SCRIPT beside the real Orca,
# on an X server with a window manager and a D-Bus session of their own.
# Orca speaks through speech-dispatcher's dummy module, which plays into
# libao's null driver. Orca, speech-dispatcher and the program run as an
# unprivileged user (nobody, when run as root), from a home and runtime
# folder of their own (never the user's speech-dispatcher), holding copies
# of the script, the program and its pictures: the source
# and build folders may be closed to that user (a clone in /root is).
set -eu
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
mkdir -p "$home/bin" "$home/.config/speech-dispatcher" "$home/runtime"
cp "$2" "$(dirname "$2")"/*.jpg "$home/bin/"
cp "$1" "$home/"
cat >"$home/.config/speech-dispatcher/speechd.conf" <<'CONF'
AudioOutputMethod "libao"
AddModule "dummy" "sd_dummy" ""
DefaultModule dummy
CONF
echo "default_driver=null" >"$home/.libao"
chmod -R a+rX "$home"
chmod 700 "$home/runtime"
# Orca runs once per user: the test's own Orca never replaces one that is
# running. Root runs it as nobody, one run at a time (a second waits).
run_as=
user=$(id -un)
if [ "$(id -u)" = 0 ]; then
  chown -R nobody "$home"
  run_as="setpriv --reuid=nobody --regid=nogroup --clear-groups --reset-env"
  user=nobody
  exec 9>/tmp/quindal-orca-test.lock
  flock 9
fi
if running=$(pgrep -u "$user" -x orca); then
  echo "FAIL: an Orca of $user is running (pid $(echo $running)); this test starts its own, and Orca allows one per user: run the tests as root or as another user"
  exit 1
fi
$run_as env HOME="$home" XDG_RUNTIME_DIR="$home/runtime" PATH=/usr/bin:/bin LANG=C.UTF-8 \
  xvfb-run -a -s "-screen 0 1024x768x24" dbus-run-session -- \
  python3 "$home/$(basename "$1")" "$home/bin/$(basename "$2")"
