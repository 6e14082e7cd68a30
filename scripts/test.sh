#!/usr/bin/env bash
# Builds Kestrum and runs every test: an optimised build first, then the same tests under
# AddressSanitizer with UndefinedBehaviorSanitizer, and under ThreadSanitizer.
# Tests that need root and loop devices say so and skip where those are missing.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/install-packages.sh

jobs=$(nproc)
for preset in release asan tsan; do
  echo "=== $preset ==="
  cmake --preset "$preset"
  cmake --build --preset "$preset" -j "$jobs"
  ctest --preset "$preset" -j "$jobs"
done
