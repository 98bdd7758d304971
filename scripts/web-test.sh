#!/usr/bin/env bash
# Tests the web edition in a real browser: builds it (scripts/web.sh) unless
# build-web/ is already built, installs the test driver (web/test, from its
# package-lock.json) and runs it in headless Chromium: start click, frame
# rate, the intro picture, keys, mouse and wheel on the main screen, sound,
# quitting and reading again; where build/zelvorant-tool exists, also that the
# page played the intro's tune and module 1 sample for sample as the desktop
# renders them; then a phone pass in mobile emulation (touch, 844x390 and
# 390x844 at device scale 3): taps, a finger scrolling the page, the key
# strip, the layouts and the frame rate with the CPU throttled 4 times (printed).
# Then the text edition (web/test/text-test.mjs): axe-core, phone width, links,
# the "read as text" link. Ends with "N passed, N failed" (both together).
#
#   scripts/web-test.sh [--shot FILE.png]   (also saves the main screen as the page shows it)
#   scripts/web-test.sh --phone-shot FILE.png   (the portrait phone's main screen)
#   scripts/web-test.sh --speed [--profile] [--2d]   (only measures frame rates and work per frame)
#   WEB_BUILT=1 scripts/web-test.sh         (test build-web/ as it is)
set -uo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)

fail() {  # one failed check, before the browser could run
  echo "web-test.sh: $*" >&2
  echo "0 passed, 1 failed"
  exit 1
}

if [ "${WEB_BUILT:-}" != 1 ]; then
  scripts/web.sh >/dev/null || fail "building the page failed (run scripts/web.sh to see why)"
fi
[ -f build-web/index.wasm ] || fail "build-web/ holds no page: run scripts/web.sh"
scripts/setup.sh web >/dev/null || fail "installing Chromium failed"
command -v npm >/dev/null || scripts/setup.sh npm >/dev/null || fail "installing npm failed"

# The driver: playwright-core only, pointed at the system's Chromium (it never
# downloads a browser).
export PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1
( cd web/test && npm ci --no-audit --no-fund --loglevel=error >/dev/null ) || fail "npm ci in web/test failed"
# Two sessions, the magazine and its text edition; one total at the end.
log=$(mktemp)
trap 'rm -f "$log"' EXIT
timeout 480 node web/test/web-test.mjs "$top/build-web" "$@" | tee "$log"
status=${PIPESTATUS[0]}
if [ $status -eq 124 ]; then
  echo "web-test.sh: the browser session took more than 480 s" >&2
  echo "0 passed, 1 failed" >>"$log"
fi
text_status=0
if [ $# -eq 0 ]; then  # options only shoot pictures or measure speed: no text session then
  timeout 300 node web/test/text-test.mjs "$top/build-web" | tee -a "$log"
  text_status=${PIPESTATUS[0]}
  if [ $text_status -eq 124 ]; then
    echo "web-test.sh: the text edition's browser session took more than 300 s" >&2
    echo "0 passed, 1 failed" >>"$log"
  fi
fi
awk '/^[0-9]+ passed, [0-9]+ failed/ { p += $1; f += $3 } END { printf "%d passed, %d failed\n", p, f }' "$log"
[ $status -eq 0 ] && [ $text_status -eq 0 ]
