#!/usr/bin/env bash
# Builds the web edition into build-web/: index.html, index.js and index.wasm,
# the whole magazine with its content, to serve from any web server, and the
# issue as text in build-web/text/ (written by the native zelvorant-tool).
#
# Installs what is missing (scripts/setup.sh web), builds the content
# generators and zelvorant-tool natively (in NATIVE_BUILD_DIR, default build/) and then the page
# with Emscripten. Extra arguments go to the Emscripten build's cmake.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)
native=${NATIVE_BUILD_DIR:-build}
out=build-web
limit=$((4 * 1024 * 1024))   # index.html + index.js + index.wasm, bytes

scripts/setup.sh web
# Debian's emcc needs Debian's JavaScript modules (acorn) whichever node runs it.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}

if [ ! -f "$native/build.ninja" ]; then
  cmake -S . -B "$native" -G Ninja -DCMAKE_BUILD_TYPE=Release
fi
ninja -C "$native" generators zelvorant-tool
case $native in /*) ;; *) native=$top/$native ;; esac
emcmake cmake -S . -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZEL_GENERATORS_FROM="$native" "$@" >/dev/null
ninja -C "$out" zelvorant-web

size=$(stat -c %s "$out/index.html" "$out/index.js" "$out/index.wasm" | awk '{ s += $1 } END { print s }')
printf 'Built %s/index.html, index.js, index.wasm: %d bytes together (at most %d)\n' "$out" "$size" "$limit"
if [ "$size" -gt "$limit" ]; then
  echo "web.sh: the page is larger than $limit bytes" >&2
  exit 1
fi
text=$(du -sb "$out/text" | cut -f1)
printf 'Built %s/text/, the issue as text: %d bytes (at most 1 MB)\n' "$out" "$text"
if [ "$text" -gt $((1024 * 1024)) ]; then
  echo "web.sh: the HTML edition is larger than 1 MB" >&2
  exit 1
fi
echo "To read it, serve the folder and open the address it prints:"
echo "  python3 -m http.server -d $out"
