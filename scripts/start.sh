#!/usr/bin/env bash
# Builds Kestrum and starts its main dialog on the desktop.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/install-packages.sh

cmake --preset release
cmake --build --preset release --target kestrum
exec build/release/ui/kestrum
