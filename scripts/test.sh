#!/usr/bin/env bash
# Builds Kestrum and runs every test: an optimised build first, then the same tests under
# AddressSanitizer with UndefinedBehaviorSanitizer, and the engine's tests under
# ThreadSanitizer (the toolkit's own threads are not instrumented, so the dialog tests sit that
# one out, and so do the runs over fake media of several GiB, which it would slow tenfold: the
# engine's threads meet the same way in smaller runs), and last a minute of fuzzing the sector
# check (tests/fuzz/run.sh). Tests that need root and loop devices say so and skip where those
# are missing.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/install-packages.sh

jobs=$(nproc)
for preset in release asan tsan; do
  echo "=== $preset ==="
  cmake --preset "$preset"
  cmake --build --preset "$preset" -j "$jobs"
  if [ "$preset" = tsan ]; then
    ctest --preset "$preset" -j "$jobs" --label-exclude 'ui|largemedium'
  else
    ctest --preset "$preset" -j "$jobs"
  fi
done

echo "=== fuzz ==="
bash tests/fuzz/run.sh 60
