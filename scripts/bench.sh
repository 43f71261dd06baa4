#!/usr/bin/env bash
# Benchmark da primeira carga e do ciclo sem mudanças (ver README, seção
# Benchmark). Compila em build-bench, cria uma vez os bancos de teste no
# servidor Firebird local (reaproveitados nas próximas execuções) e roda
# o programa bench_borvan, que imprime as tabelas.
#
#   scripts/bench.sh [--n N]... [--repeticoes R] [--sem-ciclo] [--recriar] [--descartar]
#
# Sem --n mede N = 10000, 100000 e 1000000. --descartar exclui no fim os
# bancos que usou (para o teste rápido, que não deixa nada para trás).
set -euo pipefail
cd "$(dirname "$0")/.."
RAIZ=$(pwd)

BUILD=${BORVAN_BENCH_BUILD:-$RAIZ/build-bench}
DIR_BANCOS=${BORVAN_BENCH_BANCOS:-/var/lib/firebird/3.0/data}
export ISC_USER=SYSDBA
export ISC_PASSWORD=quillfern

uso() {
  echo "uso: scripts/bench.sh [--n N]... [--repeticoes R] [--sem-ciclo] [--recriar] [--descartar]" >&2
  exit 2
}

NS=()
ARGS=()
RECRIAR=0
CICLO=1
DESCARTAR=0
while [ $# -gt 0 ]; do
  case "$1" in
    --n) [ $# -ge 2 ] || uso; NS+=("$2"); shift 2 ;;
    --repeticoes) [ $# -ge 2 ] || uso; ARGS+=(--repeticoes "$2"); shift 2 ;;
    --sem-ciclo) CICLO=0; shift ;;
    --recriar) RECRIAR=1; shift ;;
    --descartar) DESCARTAR=1; shift ;;
    *) uso ;;
  esac
done
[ ${#NS[@]} -gt 0 ] || NS=(10000 100000 1000000)
for n in "${NS[@]}"; do
  [[ "$n" =~ ^[1-9][0-9]*$ ]] || { echo "bench: N inválido: $n" >&2; exit 2; }
done

ISQL=$(command -v isql-fb || echo /usr/bin/isql-fb)
[ -x "$ISQL" ] || { echo "bench: isql-fb não encontrado (rode scripts/setup-env.sh)" >&2; exit 1; }

isql() {
  local saida status=0
  saida=$("$ISQL" -q -bail -ch UTF8 "$@" 2>&1) || status=$?
  if [ "$status" -ne 0 ] || grep -q -e '^Statement failed' -e 'SQLSTATE = ' <<<"$saida"; then
    printf '%s\n' "$saida" >&2
    return 1
  fi
}

# Pronto = a carga chegou ao fim (a tabela BENCH_PRONTO é a última coisa
# criada); um banco pela metade é recriado.
banco_pronto() {
  echo "select count(*) from BENCH_PRONTO;" | "$ISQL" -q -ch UTF8 "localhost:$1" >/dev/null 2>&1
}

recriar_banco() {
  local caminho=$1
  echo "drop database;" | "$ISQL" -q -ch UTF8 "localhost:$caminho" >/dev/null 2>&1 || true
  echo "create database 'localhost:$caminho' page_size 8192 default character set UTF8;" | isql
  isql "localhost:$caminho" -i "$RAIZ/sample/schema.sql"
}

marcar_pronto() {
  # Estatísticas dos índices em dia, como num banco em uso.
  isql "localhost:$1" <<'SQL'
set term ^ ;
execute block as
  declare nome varchar(63);
begin
  for select trim(RDB$INDEX_NAME) from RDB$INDICES where coalesce(RDB$SYSTEM_FLAG, 0) = 0
      into :nome do
    execute statement 'set statistics index ' || nome;
end^
set term ; ^
create table BENCH_PRONTO (N integer);
commit;
SQL
}

banco_carga() {
  local n=$1 caminho="$DIR_BANCOS/borvan-bench-$1.fdb"
  if [ "$RECRIAR" = 0 ] && banco_pronto "$caminho"; then echo "$caminho"; return; fi
  echo "bench: criando $caminho ($n clientes e $n produtos)..." >&2
  recriar_banco "$caminho" >&2
  # Os e-mails entram com o cliente; o gatilho que regrava o cliente a
  # cada e-mail só gastaria tempo aqui.
  isql "localhost:$caminho" <<<"alter trigger TG_ATU_CLIENTES_EMAIL inactive; commit;" >&2
  local de=1 passo=100000
  while [ "$de" -le "$n" ]; do
    local ate=$((de + passo - 1)); [ "$ate" -le "$n" ] || ate=$n
    sed -e "s/@DE@/$de/" -e "s/@ATE@/$ate/" "$RAIZ/bench/gerar_dados.sql" |
      isql "localhost:$caminho" >&2
    de=$((ate + 1))
  done
  isql "localhost:$caminho" <<<"alter trigger TG_ATU_CLIENTES_EMAIL active; commit;" >&2
  marcar_pronto "$caminho" >&2
  echo "$caminho"
}

banco_ciclo() {
  local caminho="$DIR_BANCOS/borvan-bench-ciclo.fdb"
  if [ "$RECRIAR" = 0 ] && banco_pronto "$caminho"; then echo "$caminho"; return; fi
  echo "bench: criando $caminho (20 empresas)..." >&2
  recriar_banco "$caminho" >&2
  isql "localhost:$caminho" -i "$RAIZ/bench/ciclo.sql" >&2
  marcar_pronto "$caminho" >&2
  echo "$caminho"
}

USADOS=()
descartar() {
  local caminho
  for caminho in "${USADOS[@]}"; do
    echo "drop database;" | "$ISQL" -q -ch UTF8 "localhost:$caminho" >/dev/null 2>&1 || true
  done
}
[ "$DESCARTAR" = 0 ] || trap descartar EXIT

BANCOS=()
for n in "${NS[@]}"; do
  USADOS+=("$DIR_BANCOS/borvan-bench-$n.fdb")
  BANCOS+=(--carga "$n=$(banco_carga "$n")")
done
if [ "$CICLO" = 1 ]; then
  USADOS+=("$DIR_BANCOS/borvan-bench-ciclo.fdb")
  BANCOS+=(--ciclo "$(banco_ciclo)")
fi

if [ ! -x "$BUILD/bench/bench_borvan" ] || [ "${BORVAN_BENCH_COMPILAR:-1}" = 1 ]; then
  cmake -S "$RAIZ" -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$BUILD" -j2 --target bench_borvan bench_borvan_sem_http >/dev/null
fi

"$BUILD/bench/bench_borvan" --isql "$ISQL" --trabalho "${TMPDIR:-/tmp}/borvan-bench-$$" \
  ${ARGS[@]+"${ARGS[@]}"} "${BANCOS[@]}"
