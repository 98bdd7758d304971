#!/usr/bin/env bash
# Installs the Debian packages that a command needs, when they are missing.
# Runs apt-get as root, or through sudo. Works on Debian 12 and 13.
#
#   scripts/setup.sh run     building and starting the magazine (scripts/run.sh)
#   scripts/setup.sh test    that, and the test suite (scripts/test.sh)
#   scripts/setup.sh web     building the web edition and testing it in a browser (scripts/web.sh)
#   scripts/setup.sh ci      that, and the sanitizer, fuzz, smoke and web checks (.ci/run)
#
# Set names (build, test, sanitize, smoke, ...) may be given as well, one or more.
set -euo pipefail

# One package set per purpose. A package goes into the set of what needs it;
# a package that configuring the build needs goes into `build`.
set_build=(build-essential cmake ninja-build pkg-config 64tass libsdl2-dev libpng-dev libsndfile1-dev)
set_test=(libgtest-dev)
set_sanitize=(clang libclang-rt-dev time)   # sanitizer runtimes and libFuzzer, for clang; time for fuzz.sh
set_smoke=(xvfb xauth xdotool x11-apps python3)   # the real program under a virtual X server,
                                                  # driven by keys, its window looked at (xwd)
set_desktop=(openbox imagemagick desktop-file-utils appstream dpkg-dev man-db)  # desktop and package checks
set_web=(emscripten chromium python3)   # the web edition (scripts/web.sh) and its browser tests
set_npm=(npm)                           # the browser tests' driver, where node came without npm

# The sets each command needs.
cmd_run=(build)
cmd_test=(build test)
cmd_web=(build web)
cmd_ci=(build test sanitize smoke desktop web)

usage() { echo "usage: scripts/setup.sh run|test|ci|SET..." >&2; exit 2; }
[ $# -gt 0 ] || usage

packages=()
add_set() {
  local -n list="set_$1"
  packages+=("${list[@]}")
}
for arg in "$@"; do
  if declare -p "cmd_$arg" >/dev/null 2>&1; then
    declare -n sets="cmd_$arg"
    for s in "${sets[@]}"; do add_set "$s"; done
    unset -n sets
  elif declare -p "set_$arg" >/dev/null 2>&1; then
    add_set "$arg"
  else
    echo "setup.sh: no command or package set '$arg'" >&2
    usage
  fi
done

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -gt 0 ] || exit 0
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
