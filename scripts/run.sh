#!/usr/bin/env bash
# Set-up, release build, and the magazine itself.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh run
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DZEL_TESTS=OFF -DZEL_BENCH=OFF >/dev/null
cmake --build build-release --target zelvorant
exec build-release/zelvorant "$@"
