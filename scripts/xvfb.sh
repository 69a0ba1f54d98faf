#!/usr/bin/env bash
# Starts Xvfb on a free display (screen XVFB_SCREEN, 1024x768x24 by default) and
# prints "DISPLAY PID"; stops it again by PID.
#   read -r display pid < <(scripts/xvfb.sh start)
#   scripts/xvfb.sh stop "$pid"
set -euo pipefail
case "${1:-}" in
  start)
    for n in $(seq 90 190); do
      [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
      Xvfb ":$n" -screen 0 "${XVFB_SCREEN:-1024x768x24}" -nolisten tcp >/dev/null 2>&1 &
      pid=$!
      for _ in $(seq 300); do  # up to 30 s: a busy machine starts it slowly
        [ -e "/tmp/.X11-unix/X$n" ] && { echo ":$n $pid"; exit 0; }
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
      done
      kill "$pid" 2>/dev/null || true
    done
    echo "no free X display found" >&2
    exit 1
    ;;
  stop)
    kill "${2:?PID of the Xvfb to stop}" 2>/dev/null || true
    ;;
  *)
    echo "usage: $0 start | stop PID" >&2
    exit 2
    ;;
esac
