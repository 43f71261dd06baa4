#!/usr/bin/env bash
# Everything the tests need, then the whole suite: packages, a local
# Firebird server, the build, ctest; then the same suite under
# AddressSanitizer and UndefinedBehaviorSanitizer (skip it with
# --sem-sanitizadores). Safe to run twice.
set -euo pipefail
cd "$(dirname "$0")/.."

SANITIZADORES=1
for arg in "$@"; do
  case "$arg" in
    --sem-sanitizadores) SANITIZADORES=0 ;;
    *) echo "uso: scripts/test.sh [--sem-sanitizadores]" >&2; exit 2 ;;
  esac
done

bash scripts/setup-env.sh

JOBS=$(nproc 2>/dev/null || echo 2)

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$JOBS"
(cd build && ctest --output-on-failure)

if [ "$SANITIZADORES" = 1 ]; then
  cmake -S . -B build-san -DCMAKE_BUILD_TYPE=Debug -DBORVAN_SANITIZE=ON
  cmake --build build-san -j"$JOBS"
  (cd build-san && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure)
fi
