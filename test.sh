#!/usr/bin/env bash
# Sets everything up, builds, and runs every test. The window tests need an X
# display; without one, a private Xvfb serves for the run.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh
if [ -z "${DISPLAY:-}" ]; then
  display=":$((100 + RANDOM % 800))"
  Xvfb "$display" -screen 0 1600x1200x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  trap 'kill $xvfb_pid 2>/dev/null || true' EXIT
  export DISPLAY="$display"
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
fi
ctest --test-dir build --output-on-failure -j2 "$@"
