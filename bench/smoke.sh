#!/usr/bin/env bash
# The benchmark at a small N, on throw-away databases under /tmp: the
# program must run and print its tables. Timings are not checked.
set -euo pipefail
saida=$("$(dirname "$0")/../scripts/bench.sh" --n 2000 --descartar "$@")
printf '%s\n' "$saida"
for texto in 'Primeira carga Lumio' 'c/a' 'Ciclo sem mudanças'; do
  grep -q -- "$texto" <<<"$saida" || { echo "smoke: faltou \"$texto\" na saída" >&2; exit 1; }
done
