#!/usr/bin/env bash
# Tests the web edition in a real browser: builds it (scripts/web.sh) unless
# build-web/ is already built, installs the test driver (web/test, from its
# package-lock.json) and runs it in headless Chromium: start click, frame
# rate, the intro picture, keys, mouse and wheel on the main screen, sound,
# quitting and reading again; where build/zelvorant-tool exists, also that the
# page played the intro's tune and module 1 sample for sample as the desktop
# renders them; then a phone pass in mobile emulation (touch, 844x390 and
# 390x844 at device scale 3): taps, a finger scrolling the page, the key
# strip, the layouts; then the text edition: axe-core, phone width, links,
# the "read as text" link. Ends with "N passed, N failed".
#
#   scripts/web-test.sh [--shot FILE.png]   (also saves the main screen as the page shows it)
#   scripts/web-test.sh --phone-shot FILE.png   (the portrait phone's main screen)
#   scripts/web-test.sh --speed [--profile]   (only measures frame rates and work per frame:
#                                                      bench/web-speed.mjs, no test)
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
case " $* " in *" --speed "*) exec node bench/web-speed.mjs "$top/build-web" "$@" ;; esac
timeout 780 node web/test/web-test.mjs "$top/build-web" "$@"
status=$?
if [ $status -eq 124 ]; then
  echo "web-test.sh: the browser sessions took more than 780 s" >&2
  echo "0 passed, 1 failed"
fi
exit $status
