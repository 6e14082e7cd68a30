#!/usr/bin/env bash
# Builds Kestrum and starts it. The dialogs are not built yet: for now this builds the test
# engine, its libraries and tests, and says so.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/install-packages.sh

cmake --preset release
cmake --build --preset release
echo
echo "Kestrum: the test engine is built (build/release). The desktop program and its dialogs"
echo "do not exist yet, so there is nothing to start; scripts/test.sh runs a whole test on real"
echo "files through the engine."
