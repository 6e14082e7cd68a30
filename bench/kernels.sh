#!/usr/bin/env bash
# The fill and check kernels, REPETITIONS times each (7 unless given), with the median, minimum
# and maximum in GB/s of test data. The buffer is in cache; one thread.
# Usage: bench/kernels.sh [REPETITIONS]
set -euo pipefail
cd "$(dirname "$0")/.."
repetitions=${1:-7}
source scripts/install-packages.sh
cmake --preset release -DKESTRUM_BUILD_BENCH=ON >/dev/null
cmake --build --preset release --target kernels_bench >/dev/null
build/release/bench/kernels_bench --benchmark_repetitions="$repetitions" \
  --benchmark_min_time=0.3 --benchmark_format=csv 2>/dev/null |
  awk -F, 'NR > 1 && $1 !~ /_(mean|median|stddev|cv)"?$/ {
    name = $1; gsub(/"/, "", name); print name, $6 / 1e9 }' |
  sort -k1,1 -k2,2g |
  awk 'BEGIN { printf "%-28s %8s %8s %8s   GB/s\n", "kernel", "median", "min", "max" }
    function report() {
      if (n == 0) return
      m = (n % 2) ? x[(n + 1) / 2] : (x[n / 2] + x[n / 2 + 1]) / 2
      printf "%-28s %8.2f %8.2f %8.2f\n", name, m, x[1], x[n]
    }
    $1 != name { report(); name = $1; n = 0 }
    { x[++n] = $2 }
    END { report() }'
