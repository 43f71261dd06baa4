#!/usr/bin/env bash
# The demo: builds everything, starts Firebird when it is not running,
# creates the sample back-office database when absent, prepares run/ with
# the executable, ConnectionDefs.ini and the developer marker, starts the
# local cloud and runs the service in the foreground, showing its log.
# Ctrl-C stops everything this script started.
#   scripts/run.sh [--ciclos N]   stop by itself after N cycles
set -euo pipefail
cd "$(dirname "$0")/.."
RAIZ=$(pwd)

CICLOS=""
while (($#)); do
  case "$1" in
    --ciclos) CICLOS="${2:?--ciclos precisa de um número}"; shift 2 ;;
    --ciclos=*) CICLOS="${1#--ciclos=}"; shift ;;
    *) echo "uso: scripts/run.sh [--ciclos N]" >&2; exit 2 ;;
  esac
done

bash scripts/setup-env.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc 2>/dev/null || echo 2)" --target BorvanService NuvemLocal

BANCO=/var/lib/firebird/3.0/data/borvan-exemplo.fdb
bash scripts/criar-banco-exemplo.sh "$BANCO"

EXECUCAO="$RAIZ/run"
mkdir -p "$EXECUCAO"
cp build/BorvanService "$EXECUCAO/BorvanService"
cat >"$EXECUCAO/ConnectionDefs.ini" <<INI
[Borvan]
DriverID=FB
Server=localhost
Database=$BANCO
CharacterSet=UTF8
INI
touch "$EXECUCAO/Eh.Programador"
: >"$EXECUCAO/nuvem.jsonl"

PIDS=()
parar() {
  trap - INT TERM EXIT
  for pid in "${PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
}
trap parar INT TERM EXIT

build/NuvemLocal --jsonl "$EXECUCAO/nuvem.jsonl" >"$EXECUCAO/nuvem.log" 2>&1 &
PIDS+=($!)
for _ in $(seq 1 50); do
  (exec 3<>/dev/tcp/127.0.0.1/8091) 2>/dev/null && break
  sleep 0.1
done

touch "$EXECUCAO/BorvanService.log"
tail -n 0 -F "$EXECUCAO/BorvanService.log" 2>/dev/null &
PIDS+=($!)

echo "== BorvanService em $EXECUCAO (log: $EXECUCAO/BorvanService.log; nuvem local: $EXECUCAO/nuvem.log)"
status=0
if [ -n "$CICLOS" ]; then
  BORVAN_CICLOS="$CICLOS" "$EXECUCAO/BorvanService" || status=$?
else
  "$EXECUCAO/BorvanService" &
  SERVICO=$!
  PIDS+=("$SERVICO")
  wait "$SERVICO" || status=$?
fi
sleep 0.5
echo "== BorvanService terminou (status $status). Pedidos recebidos pela nuvem local:"
tail -n 20 "$EXECUCAO/nuvem.log" || true
exit "$status"
