#!/usr/bin/env bash
# CPU time of the real program idling on the main screen, under Xvfb with the
# dummy sound driver: starts it, leaves the intro with Escape, waits for the
# main screen to settle, then reads the CPU time of its main thread and of the
# whole process over SECONDS and prints both in percent of one core. Escape
# ends the program afterwards.
#
#   scripts/idle-cpu.sh PATH/TO/zelvorant [SECONDS] [SCREEN]   (default 20, 1024x768)
#
# SCREEN is the virtual screen's size: at 800x600 the picture is shown
# unscaled, larger sizes add the scaling of every presented frame.
set -uo pipefail
bin=$(realpath "$1")
seconds=${2:-20}
screen=${3:-1024x768}

if [ -z "${ZEL_IDLE_DISPLAY:-}" ]; then
  export SDL_AUDIODRIVER=dummy ZEL_IDLE_DISPLAY=1
  exec xvfb-run -a -s "-screen 0 ${screen}x24 -br" bash "$0" "$bin" "$seconds" "$screen"
fi

"$bin" & pid=$!
escape() { xdotool keydown Escape; sleep 0.3; xdotool keyup Escape; }
# Clock ticks (user + system) of /proc/PID/task/TID/stat or /proc/PID/stat.
ticks() { awk '{ print $14 + $15 }' "$1"; }

win=$(timeout 60 xdotool search --sync --onlyvisible --pid "$pid" 2>/dev/null | head -n 1)
[ -n "$win" ] || { echo "idle-cpu: no window"; kill "$pid"; exit 1; }
sleep 4      # the intro
escape
sleep 8      # the noise flashes, then the main screen with its first page

hz=$(getconf CLK_TCK)
main0=$(ticks /proc/$pid/task/$pid/stat) all0=$(ticks /proc/$pid/stat) t0=$(date +%s.%N)
sleep "$seconds"
main1=$(ticks /proc/$pid/task/$pid/stat) all1=$(ticks /proc/$pid/stat) t1=$(date +%s.%N)
awk -v m=$((main1 - main0)) -v a=$((all1 - all0)) -v hz="$hz" -v t0="$t0" -v t1="$t1" -v s="$screen" 'BEGIN {
  printf "idle main screen, %s, %.1f s: main thread %.1f %% of a core, whole process %.1f %%\n",
         s, t1 - t0, 100 * m / hz / (t1 - t0), 100 * a / hz / (t1 - t0) }'
escape
wait "$pid"
