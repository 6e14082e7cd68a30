#!/usr/bin/env bash
# Takes the screenshots of the dialogs under docs/screenshots/, from the real widgets on the
# offscreen platform, driven through a write test and a verify test on real files.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/install-packages.sh

cmake --preset release
cmake --build --preset release --target kestrum_screenshots
mkdir -p docs/screenshots
QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$PWD/build/release/runtime" \
  build/release/tests/kestrum_screenshots docs/screenshots
ls -l docs/screenshots
