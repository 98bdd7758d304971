#!/usr/bin/env bash
# Set-up, build, and the whole test suite. Ends with "N passed, N failed".
# Extra arguments go to cmake (e.g. -DZEL_SANITIZE=address); BUILD_DIR picks the folder.
set -uo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh || exit 1
dir="${BUILD_DIR:-build}"
cmake -S . -B "$dir" -G Ninja "$@" >/dev/null || exit 1
cmake --build "$dir" || exit 1
log=$(mktemp)
(cd "$dir" && ctest --output-on-failure -j2 2>&1) | tee "$log"
summary=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
rm -f "$log"
if [ -z "$summary" ]; then
  echo "0 passed, 1 failed"
  exit 1
fi
failed=$(echo "$summary" | sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/')
total=$(echo "$summary" | sed -E 's/.* failed out of ([0-9]+).*/\1/')
echo "$((total - failed)) passed, ${failed} failed"
[ "$failed" -eq 0 ]
