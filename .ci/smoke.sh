#!/usr/bin/env bash
# Smoke run of the real SDL2 program under Xvfb with the dummy sound driver:
# waits for its window, then for the intro's picture, presses Escape; waits
# for the main screen's picture, presses Escape again; expects the program
# to end with exit status 0. Every wait follows the program's state
# (each with a generous limit), so a slow start cannot fail it.
#
#   .ci/smoke.sh PATH/TO/zelvorant
set -uo pipefail
bin=$(realpath "$1")
limit=120   # seconds for each wait

# Outside the virtual X server: start one and run this script inside it.
if [ -z "${ZEL_SMOKE_DISPLAY:-}" ]; then
  export SDL_AUDIODRIVER=dummy ZEL_SMOKE_DISPLAY=1
  exec xvfb-run -a -s "-screen 0 1024x768x24 -br" bash "$0" "$bin"
fi

"$bin" & pid=$!
last_picture=$(mktemp)
fail() {
  echo "smoke: $1 (after $SECONDS s)"
  kill -9 "$pid" 2>/dev/null
  rm -f "$last_picture"
  exit 1
}

# Two figures for the window's picture, in percent: the pixels that are not
# black, and the pixels that are as they were at the previous look (every 7th
# pixel of an xwd dump: big-endian header, its size at byte 0, bits per pixel
# at byte 44, colour count at byte 76; pixels after the header and colours).
look() {  # WINDOW
  xwd -silent -id "$1" 2>/dev/null | /usr/bin/python3 -c '
import struct, sys
d = sys.stdin.buffer.read()
if len(d) < 100: print(-1, -1); sys.exit()
size, bpp, ncolors = (struct.unpack(">I", d[o:o + 4])[0] for o in (0, 44, 76))
px, step = d[size + 12 * ncolors:], max(1, bpp // 8)
pixels = [px[i:i + step] for i in range(0, len(px) // step * step, step * 7)]
with open(sys.argv[1], "rb") as f: before = f.read()
same = sum(1 for a, b in zip(pixels, (before[i:i + step] for i in range(0, len(before), step))) if a == b)
with open(sys.argv[1], "wb") as f: f.write(b"".join(pixels))
n = max(1, len(pixels))
print(sum(1 for p in pixels if any(p)) * 100 // n, same * 100 // n)' "$last_picture"
}

# Waits until COUNT pictures in a row (0.2 s apart) meet CONDITION on $p
# (percent lit) and $still (percent unchanged).
wait_picture() {  # WHAT COUNT CONDITION
  local end=$((SECONDS + limit)) p still seen=0
  while [ $SECONDS -lt $end ]; do
    kill -0 "$pid" 2>/dev/null || fail "the program ended while waiting for the $1"
    # SDL may replace its first window when it sets up rendering: look again.
    win=$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | tail -n 1)
    read -r p still < <(look "$win")
    [ -z "${ZEL_SMOKE_TRACE:-}" ] || echo "  $SECONDS s: $p% lit, $still% unchanged"
    if eval "$3"; then seen=$((seen + 1)); else seen=0; fi
    if [ $seen -ge "$2" ]; then echo "smoke: $1 after $SECONDS s ($p% of the pixels lit)"; return; fi
    sleep 0.2
  done
  fail "no $1 within $limit s"
}

escape() { xdotool keydown Escape; sleep 0.3; xdotool keyup Escape; }

win=$(timeout "$limit" xdotool search --sync --onlyvisible --pid "$pid" 2>/dev/null | head -n 1)
[ -n "$win" ] || fail "no window within $limit s"
echo "smoke: window $win mapped after $SECONDS s"

# Start-up shows black, then full-screen noise; the intro draws bars, stars
# and lettering on black (three pictures in a row, so that a picture caught
# half presented cannot pass for it), and moves. After the intro come more
# noise flashes, then the main screen: lit over about half of it and, but for
# ticker and visualiser, still. A key that goes down and up before
# the main loop looks at it does not count, so Escape waits for that picture.
wait_picture "intro" 3 '[ "$p" -ge 2 ] && [ "$p" -le 60 ] && [ "$still" -lt 90 ]'
escape
wait_picture "main screen" 2 '[ "$p" -ge 40 ] && [ "$still" -ge 90 ]'
escape

end=$((SECONDS + limit))
while kill -0 "$pid" 2>/dev/null && [ $SECONDS -lt $end ]; do sleep 0.1; done
kill -0 "$pid" 2>/dev/null && fail "the program did not end after Escape twice"
wait "$pid"
status=$?
echo "smoke: exit status $status after $SECONDS s"
rm -f "$last_picture"
exit $status
