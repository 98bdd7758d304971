#!/usr/bin/env bash
# Starts the real SDL2 program under Xvfb with the dummy sound driver, ends
# the intro and then the main screen with Escape, and expects exit status 0
# within a time limit. Each Escape is held for 0.3 s, as a person would.
set -uo pipefail
bin="$1"
export SDL_AUDIODRIVER=dummy
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  "$0" & pid=$!
  sleep 4
  xdotool keydown Escape; sleep 0.3; xdotool keyup Escape
  sleep 5
  xdotool keydown Escape; sleep 0.3; xdotool keyup Escape
  for i in $(seq 1 100); do
    kill -0 $pid 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 $pid 2>/dev/null; then
    echo "smoke: the program did not end after Escape twice"
    kill -9 $pid
    exit 1
  fi
  wait $pid
  status=$?
  echo "smoke: exit status $status"
  exit $status
' "$bin"
