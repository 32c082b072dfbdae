#!/usr/bin/env bash
# Runs a command as a Wayland client of a compositor of its own, on a private
# runtime folder, with screenshots allowed (--debug); Qt uses its wayland platform.
#   with-weston.sh headless COMMAND...   weston's headless backend: no seat, no input
#   with-weston.sh x11 COMMAND...        weston in a window of the X server in DISPLAY:
#                                        a seat whose keyboard and pointer are the X ones
set -euo pipefail
backend=$1
shift
runtime=$(mktemp -d)
chmod 700 "$runtime"
weston=
cleanup() {
  [ -n "$weston" ] && kill "$weston" 2>/dev/null && wait "$weston" 2>/dev/null
  rm -rf "$runtime"
}
trap cleanup EXIT
# Keys repeat on the client's side under Wayland: a key whose release comes late on a
# loaded machine would be typed again, so the repeat waits half a minute.
printf '[keyboard]\nrepeat-delay=30000\n' > "$runtime/weston.ini"
XDG_RUNTIME_DIR="$runtime" weston --config="$runtime/weston.ini" --backend="$backend-backend.so" --use-pixman \
  --width=1280 --height=1024 --socket=quillo --idle-time=0 --debug > "$runtime/weston.log" 2>&1 &
weston=$!
for _ in $(seq 100); do
  [ -S "$runtime/quillo" ] && break
  sleep 0.1
done
[ -S "$runtime/quillo" ] || { cat "$runtime/weston.log" >&2; exit 1; }
XDG_RUNTIME_DIR="$runtime" WAYLAND_DISPLAY=quillo QT_QPA_PLATFORM=wayland "$@"
