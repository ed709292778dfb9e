#!/bin/sh
# under_weston.sh PROGRAM [ARGUMENTS...]: runs it through Qt's Wayland plugin
# as a client of a headless Weston of its own, stopped afterwards, with a
# runtime folder of its own (run it in a D-Bus session of its own too).
set -eu
runtime=$(mktemp -d)
chmod 700 "$runtime"
trap 'kill "$weston" 2>/dev/null; wait "$weston" 2>/dev/null; rm -rf "$runtime"' EXIT
XDG_RUNTIME_DIR=$runtime weston --backend=headless-backend.so --socket=wayland-test \
  --idle-time=0 --width=1024 --height=768 >"$runtime/weston.log" 2>&1 &
weston=$!
for _ in $(seq 100); do
  [ -S "$runtime/wayland-test" ] && break
  sleep 0.05
done
[ -S "$runtime/wayland-test" ] || { cat "$runtime/weston.log"; echo "Weston did not start"; exit 1; }
XDG_RUNTIME_DIR=$runtime WAYLAND_DISPLAY=wayland-test QT_QPA_PLATFORM=wayland "$@"
