#!/bin/sh
# Short fuzz runs of the JSON writer, the text decoding, the mark reader and
# the connection-definition reader, in a clang build directory of their own.
# Usage: scripts/fuzz.sh [seconds per target, default 20]
# Environment: BORVAN_FUZZ_DIR (build directory, default build-fuzz).
# Exit status: 0 when every target ran its time without a finding.
set -eu

RAIZ=$(cd "$(dirname "$0")/.." && pwd)
DIR=${BORVAN_FUZZ_DIR:-"$RAIZ/build-fuzz"}
TEMPO=${1:-20}
ALVOS="fuzz_json fuzz_texto fuzz_marca fuzz_ini"

CC=clang-14 CXX=clang++-14 cmake -S "$RAIZ" -B "$DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DBORVAN_FUZZ=ON -DBORVAN_TESTS=OFF >/dev/null
# shellcheck disable=SC2086
cmake --build "$DIR" -j2 --target $ALVOS

falhas=""
for alvo in $ALVOS; do
  # New inputs go to the build directory; the seed corpus stays as committed.
  trabalho="$DIR/fuzz/corpus-$alvo"
  mkdir -p "$trabalho"
  # The definition file is rewritten for every input: small inputs run faster.
  case $alvo in fuzz_ini) tamanho=4096 ;; *) tamanho=65536 ;; esac
  echo "== $alvo (${TEMPO}s)"
  if ! "$DIR/fuzz/$alvo" -max_total_time="$TEMPO" -timeout=10 -rss_limit_mb=2048 -max_len="$tamanho" \
      -print_final_stats=1 -artifact_prefix="$DIR/fuzz/$alvo-" "$trabalho" "$RAIZ/fuzz/corpus/$alvo"; then
    falhas="$falhas $alvo"
  fi
done

if [ -n "$falhas" ]; then
  echo "fuzz findings in:$falhas (inputs in $DIR/fuzz/)" >&2
  exit 1
fi
echo "fuzz: no findings"
