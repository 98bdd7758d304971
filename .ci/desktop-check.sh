#!/usr/bin/env bash
# Desktop checks of the real SDL2 program: usage: desktop-check.sh BIN TOOL
#
# 1. No display: with DISPLAY and WAYLAND_DISPLAY unset the program ends with
#    status 255 within 2 s and one line on standard error.
# 2. Under Xvfb at 1280x720, without and with a window manager (openbox): the
#    main screen fills a centred 960x720 area between black bars, a few static
#    spots of the skin have the colours of the headless frame at the same place
#    (scaled); clicks with no pause between press and release end the intro,
#    and one at QUIT's scaled position ends the program with 0.
# 3. --window under openbox: an 800x600 window; resized, the picture follows;
#    its close button (Alt+F4) ends the program with 0.
# Screenshots stay in $OUT (default build/desktop-check) for a look.
set -uo pipefail
bin=$(realpath "$1")
tool=$(realpath "$2")
out=${OUT:-build/desktop-check}
mkdir -p "$out"
out=$(realpath "$out")
export SDL_AUDIODRIVER=dummy
failures=0
fail() { echo "desktop-check: FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "desktop-check: ok: $*"; }

# ---- 1. no display -----------------------------------------------------------
t0=$(date +%s%N)
env -u DISPLAY -u WAYLAND_DISPLAY timeout 10 "$bin" >/dev/null 2>"$out/nodisplay.err"
status=$?
ms=$(( ($(date +%s%N) - t0) / 1000000 ))
lines=$(wc -l <"$out/nodisplay.err")
if [ "$status" -eq 255 ] && [ "$ms" -le 2000 ] && [ "$lines" -eq 1 ]; then
  pass "no display: status 255 after $ms ms: $(cat "$out/nodisplay.err")"
else
  fail "no display: status $status after $ms ms, $lines lines on stderr:"; cat "$out/nodisplay.err"
fi

# ---- reference: the headless main screen -------------------------------------
cat >"$out/main.script" <<'SCRIPT'
mouse 799 599
wait 2.5s
key press ESCAPE
wait 3.5s
wait 2
shot reference.png
SCRIPT
"$tool" run "$out/main.script" "$out" >/dev/null || fail "headless reference run"

# Mean colour (0..255 per channel) of a w x h area at x,y of an image.
mean_rgb() {
  convert "$1" -crop "$4x$5+$2+$3" +repage -format '%[fx:int(255*mean.r+0.5)] %[fx:int(255*mean.g+0.5)] %[fx:int(255*mean.b+0.5)]' info:
}

# Largest channel difference between the headless frame's area (x y w h) and
# the same area on screen, scaled by 1.2 and moved right by 160 (taken one
# pixel in from its edges). Sets want, got and diff.
compare_spot() {
  local shot=$1 x=$2 y=$3 w=$4 h=$5
  want=$(mean_rgb "$out/reference.png" "$x" "$y" "$w" "$h")
  got=$(mean_rgb "$shot" $((160 + x * 6 / 5 + 1)) $((y * 6 / 5 + 1)) $((w * 6 / 5 - 2)) $((h * 6 / 5 - 2)))
  local a b e
  diff=0
  read -r -a wa <<<"$want"
  read -r -a ga <<<"$got"
  for k in 0 1 2; do
    a=${wa[$k]:-999}
    b=${ga[$k]:-0}
    e=$((a > b ? a - b : b - a))
    [ "$e" -gt "$diff" ] && diff=$e
  done
}

# Static spots of the skin in frame-buffer pixels (x y w h): the title plate,
# the QUIT and MUTE buttons, the left edge of the backdrop, the page panel's frame.
spots=("335 6 130 18" "40 44 78 12" "677 44 78 12" "2 220 10 300" "150 205 500 8")

# Starts Xvfb at 1280x720 on a free display; sets xvfb_pid and DISPLAY.
start_xvfb() {
  local fifo
  fifo=$(mktemp -u)
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1280x720x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
  xvfb_pid=$!
  local n
  read -r -t 10 n <"$fifo"
  rm -f "$fifo"
  export DISPLAY=":$n"
}

stop_all() {
  [ -n "${prog_pid:-}" ] && kill -9 "$prog_pid" 2>/dev/null
  [ -n "${wm_pid:-}" ] && kill "$wm_pid" 2>/dev/null
  [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
  prog_pid="" wm_pid="" xvfb_pid=""
}
trap stop_all EXIT

# Waits up to $2 tenths of a second for process $1 to end; sets status to its
# exit status, or to "still running".
wait_exit() {
  status="still running"
  for _ in $(seq 1 "$2"); do
    if ! kill -0 "$1" 2>/dev/null; then
      wait "$1"
      status=$?
      return
    fi
    sleep 0.1
  done
}


# ---- 2. full screen, without and with a window manager -------------------------
for wm in none openbox; do
  start_xvfb
  wm_pid=""
  if [ "$wm" = openbox ]; then
    openbox >/dev/null 2>&1 &
    wm_pid=$!
    sleep 1
  fi
  "$bin" 2>"$out/fullscreen-$wm.err" &
  prog_pid=$!
  # Once something shows (the start-up flashes), wait for the intro, then
  # click in a corner with no pause between press and release (a touchpad's
  # tap): the first click in the intro ends it, and the title plate of the
  # main screen comes within a few seconds.
  shot="$out/fullscreen-$wm.png"
  for _ in $(seq 1 60); do
    sleep 0.5
    import -window root "$shot" 2>/dev/null
    [ "$(convert "$shot" -format '%[fx:int(255*maxima)]' info: 2>/dev/null)" != 0 ] && break
  done
  sleep 2.5
  xdotool mousemove 1279 719
  for _ in 1 2 3 4 5; do
    xdotool click 1
    sleep 0.3
  done
  plate=""
  for _ in $(seq 1 20); do
    sleep 0.5
    import -window root "$shot" 2>/dev/null
    compare_spot "$shot" 335 6 130 18
    [ "$diff" -le 12 ] && plate=1 && break
  done
  if [ -n "$plate" ]; then pass "$wm: instant clicks end the intro"; else fail "$wm: instant clicks did not end the intro"; fi
  sleep 1.5
  import -window root "$shot"
  box=$(convert "$shot" -format '%@' info:)
  bars=$(convert "$shot" \( +clone -crop 160x720+0+0 \) \( -clone 0 -crop 160x720+1120+0 \) -delete 0 \
         -append -format '%[fx:int(255*maxima)]' info:)
  if [ "$box" = "960x720+160+0" ] && [ "$bars" = 0 ]; then
    pass "$wm: picture at $box, bars black"
  else
    fail "$wm: picture at '$box' (want 960x720+160+0), brightest bar pixel $bars"
  fi
  for s in "${spots[@]}"; do
    compare_spot "$shot" $s
    if [ "$diff" -le 12 ]; then
      pass "$wm: spot ($s) $got, headless $want"
    else
      fail "$wm: spot ($s) $got, headless $want"
    fi
  done
  # QUIT is (35, 40, 88, 19) in the frame buffer: its middle (79, 49) is at
  # (255, 59). The click is instant too.
  xdotool mousemove 255 59
  sleep 0.3
  xdotool click 1
  wait_exit "$prog_pid" 100
  if [ "$status" = 0 ]; then pass "$wm: an instant click on QUIT ends with 0"; else fail "$wm: after a click on QUIT: $status"; fi
  stop_all
done

# ---- 3. --window: the close button quits ------------------------------------
start_xvfb
openbox >/dev/null 2>&1 &
wm_pid=$!
sleep 1
"$bin" --window 2>"$out/window.err" &
prog_pid=$!
win=$(timeout 20 xdotool search --sync --onlyvisible --pid "$prog_pid" 2>/dev/null | head -n 1)
size=$(xdotool getwindowgeometry "$win" 2>/dev/null | sed -n 's/ *Geometry: //p')
sleep 3
import -window root "$out/window.png"
# Resized to 1000x500, the picture is 667x500 in the middle of the window.
xdotool windowsize "$win" 1000 500
sleep 2
import -window "$win" "$out/window-resized.png"
box=$(convert "$out/window-resized.png" -format '%wx%h %@' info:)
if [[ "$box" =~ ^1000x500\ 667x[0-9]+\+166\+ ]]; then
  pass "--window resized to 1000x500: picture at x 166, 667 wide"
else
  fail "--window resized to 1000x500: '$box' (want the picture 667 wide at x 166)"
fi
xdotool key alt+F4
wait_exit "$prog_pid" 100
if [ "$size" = "800x600" ] && [ "$status" = 0 ]; then
  pass "--window: an 800x600 window; its close button ends with 0"
else
  fail "--window: window '$size' (want 800x600), status after the close button: $status"
fi
stop_all

[ "$failures" -eq 0 ] && echo "desktop-check: all passed" || echo "desktop-check: $failures failed"
[ "$failures" -eq 0 ]
