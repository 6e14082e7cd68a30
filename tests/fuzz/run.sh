#!/usr/bin/env bash
# Builds the fuzz preset (clang, libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer) and
# fuzzes the sector check for SECONDS (default 60), starting from a copy of the seed corpus in
# tests/fuzz/corpus. Fails on any crash or difference from the reference; the input that caused
# it is left in build/fuzz-clang/fuzz-artifacts/ and the command to replay it is printed.
# Usage: bash tests/fuzz/run.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/../.."

seconds=${1:-60}
if ! [[ "$seconds" =~ ^[0-9]+$ ]] || [ "$seconds" -eq 0 ]; then
  echo "usage: $0 [SECONDS]  (a whole number above 0)" >&2
  exit 2
fi

source scripts/install-packages.sh
cmake --preset fuzz
cmake --build --preset fuzz -j "$(nproc)"

build=build/fuzz-clang
fuzzer=$build/tests/fuzz/sector_check_fuzz
corpus=$build/fuzz-corpus
artifacts=$build/fuzz-artifacts
rm -rf "$corpus"
mkdir -p "$corpus" "$artifacts"
cp tests/fuzz/corpus/* "$corpus"/

status=0
"$fuzzer" -max_total_time="$seconds" -max_len=8192 -timeout=30 -rss_limit_mb=4096 \
  -print_final_stats=1 -artifact_prefix="$artifacts/" "$corpus" || status=$?
if [ "$status" -ne 0 ]; then
  echo "sector check fuzzing failed (status $status); replay an input from $artifacts with:" >&2
  echo "  $fuzzer $artifacts/<file>" >&2
  exit 1
fi
