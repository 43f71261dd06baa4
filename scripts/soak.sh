#!/usr/bin/env bash
# Long run of the fault scenarios against the real executable: the same
# tests ctest runs, with more cycles (the cloud down for 8 cycles, the
# writer and the random refusals for 30). Bounded: about 10 minutes,
# killed after 40. Prints the figures of each scenario.
#   scripts/soak.sh [BUILD_DIR]     (default: build-soak)
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build-soak}

bash scripts/setup-env.sh
cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD" -j"$(nproc 2>/dev/null || echo 2)" --target e2e_test BorvanService NuvemLocal
BORVAN_FALHAS_LONGO=1 timeout 40m "$BUILD/e2e/e2e_test" --gtest_filter='FalhasDoServico.*' \
  | tee "$BUILD/soak.log" | grep -E '^\[( +OK|  FAILED|  PASSED|==========)|\[figuras\]|Failure'
