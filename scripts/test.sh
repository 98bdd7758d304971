#!/usr/bin/env bash
# Set-up, build, and the whole test suite. Ends with "N passed, N failed",
# also when configuring or building fails (then "0 passed, 1 failed").
# Extra arguments go to cmake (e.g. -DZEL_SANITIZE=address); BUILD_DIR picks the folder.
set -uo pipefail
cd "$(dirname "$0")/.."
dir="${BUILD_DIR:-build}"
jobs=$(nproc 2>/dev/null || echo 2)

fail() { echo "$1"; echo "0 passed, 1 failed"; exit 1; }

scripts/setup.sh test || fail "test.sh: installing the packages failed"
cmake -S . -B "$dir" -G Ninja "$@" >/dev/null || fail "test.sh: configuring $dir failed"
cmake --build "$dir" || fail "test.sh: building $dir failed"

log=$(mktemp)
(cd "$dir" && ctest --output-on-failure -j"$jobs" 2>&1) | tee "$log"
summary=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
rm -f "$log"
[ -n "$summary" ] || fail "test.sh: ctest ran no tests"
failed=$(echo "$summary" | sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/')
total=$(echo "$summary" | sed -E 's/.* failed out of ([0-9]+).*/\1/')
echo "$((total - failed)) passed, ${failed} failed"
[ "$failed" -eq 0 ]
