#!/usr/bin/env bash
# Proves that a change leaves every frame and every sample as it was.
#
#   scripts/frame-guard.sh [BASE_REV]     (default: HEAD; compares the working tree with it)
#
# Builds zelvorant-tool from BASE_REV (in a git worktree under build-guard/) and from the working
# tree, then compares
#   - the hash of every presented frame of scripts/frame-guard.txt (intro with tune changes, every
#     menu entry of both menus, every kind of scrolling, wipes, both skins, all buttons, the four
#     modules, mute, quit), about 90 s of virtual time;
#   - the PCM of each embedded module rendered for 200 s and each SID tune for 30 s.
# Prints what it compared and ends with "N passed, N failed". BASE_REV must know the `framelog`
# script command (any revision since it was added).
set -uo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)
base_rev=${1:-HEAD}
guard=$top/build-guard
mkdir -p "$guard"
base_src=$guard/base-src

build() {  # SRC DIR
  cmake -S "$1" -B "$2" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZEL_TESTS=OFF -DZEL_BENCH=OFF >/dev/null &&
    cmake --build "$2" --target zelvorant-tool >/dev/null
}

rm -rf "$base_src"
git worktree prune
git worktree add --detach -f "$base_src" "$base_rev" >/dev/null 2>&1 || { echo "cannot check out $base_rev"; echo "0 passed, 1 failed"; exit 1; }
build "$base_src" "$guard/base" || { echo "base build failed"; echo "0 passed, 1 failed"; exit 1; }
build "$top" "$guard/new" || { echo "build failed"; echo "0 passed, 1 failed"; exit 1; }
git worktree remove --force "$base_src" >/dev/null 2>&1

passed=0
failed=0
check() {  # NAME CONDITION-EXIT-STATUS
  if [ "$2" -eq 0 ]; then passed=$((passed + 1)); echo "same: $1"; else failed=$((failed + 1)); echo "DIFFERENT: $1"; fi
}

for side in base new; do
  rm -rf "$guard/out-$side" && mkdir -p "$guard/out-$side"
  "$guard/$side/zelvorant-tool" run scripts/frame-guard.txt "$guard/out-$side" >/dev/null
  echo "$side: exit $?, $(wc -l < "$guard/out-$side/frames.txt") frames"
done
cmp -s "$guard/out-base/frames.txt" "$guard/out-new/frames.txt"
check "every frame of the scripted run" $?
[ "$failed" -eq 0 ] || diff "$guard/out-base/frames.txt" "$guard/out-new/frames.txt" | head -n 4

pcm_same() {  # A.wav B.wav: the same sample data, whatever the headers
  python3 - "$1" "$2" <<'PY'
import sys, wave
a, b = (wave.open(f, "rb") for f in sys.argv[1:3])
same = a.getparams()[:3] == b.getparams()[:3] and a.readframes(a.getnframes()) == b.readframes(b.getnframes())
sys.exit(0 if same else 1)
PY
}
for n in 1 2 3 4; do
  for side in base new; do "$guard/$side/zelvorant-tool" render-xm "$n" 200 "$guard/out-$side/xm$n.wav" >/dev/null; done
  pcm_same "$guard/out-base/xm$n.wav" "$guard/out-new/xm$n.wav"
  check "module $n, 200 s" $?
done
for n in $(seq 1 12); do
  for side in base new; do "$guard/$side/zelvorant-tool" render-sid "$n" 30 "$guard/out-$side/sid$n.wav" >/dev/null; done
  pcm_same "$guard/out-base/sid$n.wav" "$guard/out-new/sid$n.wav"
  check "SID tune $n, 30 s" $?
done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
