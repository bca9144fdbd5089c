#!/bin/bash
# Runs a test program as a native Wayland client: weston's headless compositor on a socket of
# its own, in a runtime folder of its own, for as long as the program runs.
# Usage: under-weston.sh PROGRAM [ARGUMENT...]
set -u
runtime=$(mktemp -d "${TMPDIR:-/tmp}/tarvex-wayland-XXXXXX")
chmod 700 "$runtime"
weston_pid=
cleanup() {
  [ -n "$weston_pid" ] && kill "$weston_pid" 2>/dev/null && wait "$weston_pid" 2>/dev/null
  rm -rf "$runtime"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# Newer westons name the backend "headless" and still take the older name of its module.
XDG_RUNTIME_DIR=$runtime weston --backend=headless-backend.so --socket=tarvex --idle-time=0 \
  --width=1024 --height=768 >"$runtime/weston.log" 2>&1 &
weston_pid=$!
for _ in $(seq 100); do
  [ -S "$runtime/tarvex" ] && break
  kill -0 "$weston_pid" 2>/dev/null || break
  sleep 0.1
done
if [ ! -S "$runtime/tarvex" ]; then
  echo "weston did not open its socket within 10 s:"
  cat "$runtime/weston.log"
  exit 1
fi

XDG_RUNTIME_DIR=$runtime WAYLAND_DISPLAY=tarvex QT_QPA_PLATFORM=wayland \
  TARVEX_EXPECT_PLATFORM=wayland "$@"
status=$?
[ $status = 0 ] || { echo "== weston's log"; cat "$runtime/weston.log"; }
exit $status
