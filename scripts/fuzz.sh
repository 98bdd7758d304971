#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer + UndefinedBehavior-
# Sanitizer) and runs each for MINUTES (fractions allowed) on the corpus kept
# in fuzz/corpus/<target>, with fuzz/<target>.dict and the regression inputs
# of fuzz/regressions/<target> as further seeds. Prints per target the runs,
# executions per second (wall clock and per CPU second, since the machine may
# be shared), coverage and findings; then merges the new coverage back into
# fuzz/corpus/<target>, minimised.
#
#   scripts/fuzz.sh MINUTES [TARGET...]     e.g. scripts/fuzz.sh 10 fuzz_xm fuzz_psid
#
# FUZZ_BUILD_DIR=DIR uses a build folder already configured with clang,
# -DZEL_FUZZ=ON and -DZEL_SANITIZE=address; otherwise build-fuzz is set up.
# CI=true (or FUZZ_MERGE=0) leaves the corpus in the repository as it is.
# Exit status 1 when a target found something: its inputs are kept in
# DIR/fuzz-work/<target>/findings/; each one becomes a regression input
# (fuzz/regressions/<target>/<what-it-shows>.<ext>) once fixed.
set -uo pipefail
cd "$(dirname "$0")/.."

minutes=${1:-}
if ! [[ "$minutes" =~ ^[0-9]*\.?[0-9]+$ ]]; then
  echo "usage: scripts/fuzz.sh MINUTES [TARGET...]" >&2
  exit 2
fi
shift
seconds=$(awk -v m="$minutes" 'BEGIN { s = int(m * 60 + 0.5); print (s < 1 ? 1 : s) }')
merge=1
if [ "${CI:-}" = true ] || [ "${FUZZ_MERGE:-1}" = 0 ]; then merge=0; fi

if [ $# -gt 0 ]; then
  targets=("$@")
else
  targets=()
  for src in fuzz/fuzz_*.cpp; do targets+=("$(basename "$src" .cpp)"); done
fi

# Freed memory waits in AddressSanitizer's quarantine (to catch later use)
# until this much more has been freed; the default of 256 MB makes every run
# touch fresh pages, while a run's own allocations live well under a
# millisecond.
export ASAN_OPTIONS=${ASAN_OPTIONS:-quarantine_size_mb=16}

dir=${FUZZ_BUILD_DIR:-build-fuzz}
if [ -z "${FUZZ_BUILD_DIR:-}" ]; then
  CC=clang CXX=clang++ cmake -S . -B "$dir" -G Ninja -DZEL_FUZZ=ON -DZEL_SANITIZE=address \
    -DZEL_TESTS=OFF -DZEL_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null || exit 1
fi
cmake --build "$dir" --target "${targets[@]}" || exit 1

found=0
printf '%-12s %10s %8s %9s %16s %9s  %s\n' target runs exec/s exec/cpu-s "cov (start)" corpus findings
for t in "${targets[@]}"; do
  work="$dir/fuzz-work/$t"
  rm -rf "$work"
  mkdir -p "$work/new" "$work/findings" "$work/merged" "fuzz/corpus/$t"
  seeds=("fuzz/corpus/$t")
  [ -d "fuzz/regressions/$t" ] && seeds+=("fuzz/regressions/$t")
  dict=()
  [ -f "fuzz/$t.dict" ] && dict=("-dict=fuzz/$t.dict")
  # -timeout: one input taking a second is a hang (they take well under a
  # millisecond); -rss_limit_mb: a module must not make the loader allocate
  # gigabytes.
  /usr/bin/time -f '%U %S' -o "$work/cpu" "$dir/fuzz/$t" -max_total_time="$seconds" -timeout=1 \
    -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$work/findings/" "${dict[@]}" \
    "$work/new" "${seeds[@]}" >"$work/log" 2>&1
  status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log")
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$work/log")
  cpu=$(awk '{ print $1 + $2 }' "$work/cpu" 2>/dev/null)
  per_cpu=$(awk -v r="${runs:-0}" -v c="${cpu:-0}" 'BEGIN { print (c > 0 ? int(r / c) : 0) }')
  cov_start=$(grep -m1 -E 'INITED|INIT ' "$work/log" | sed -n 's/.*cov: \([0-9]*\).*/\1/p')
  cov_end=$(grep -E '(NEW|REDUCE|pulse|DONE|RELOAD)[[:space:]]+cov:' "$work/log" | tail -n 1 |
    sed -n 's/.*cov: \([0-9]*\).*/\1/p')
  findings=$(ls "$work/findings" | wc -l)
  if [ "$findings" -gt 0 ] || { [ "$status" -ne 0 ] && [ -z "$runs" ]; }; then
    found=1
    [ "$findings" -eq 0 ] && findings="target failed (exit $status)"
  fi
  if [ "$merge" = 1 ]; then
    # Minimise the old corpus and the new inputs together into one set that
    # covers the same edges, and let that set be the corpus. Hit counts are
    # left out of the comparison (-use_counters=0): with them the set grows
    # to megabytes, and a run finds such variants again within a minute.
    # Files are named by the SHA-1 of their bytes; those the corpus already
    # had keep their old names (the hand-made seeds say what they hold).
    if "$dir/fuzz/$t" -merge=1 -use_counters=0 -timeout=1 -rss_limit_mb=2048 "$work/merged" "fuzz/corpus/$t" "$work/new" \
      >"$work/merge.log" 2>&1; then
      declare -A known=()
      for f in "fuzz/corpus/$t"/*; do [ -f "$f" ] && known[$(sha1sum <"$f" | cut -c1-40)]=$(basename "$f"); done
      rm -f "fuzz/corpus/$t"/*
      for f in "$work/merged"/*; do
        [ -f "$f" ] || continue
        name=$(basename "$f")
        cp "$f" "fuzz/corpus/$t/${known[$name]:-$name}"
      done
      unset known
    else
      echo "$t: merge failed, corpus left as it was (see $work/merge.log)" >&2
    fi
  fi
  corpus="$(ls "fuzz/corpus/$t" | wc -l) files/$(( $(du -sb "fuzz/corpus/$t" | cut -f1) / 1024 )) KB"
  printf '%-12s %10s %8s %9s %16s %9s  %s\n' "$t" "${runs:-?}" "${rate:-?}" "$per_cpu" \
    "${cov_end:-?} (${cov_start:-?})" "$corpus" "$findings"
  for f in "$work/findings"/*; do [ -e "$f" ] && echo "    finding: $f"; done
done
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
exit "$found"
