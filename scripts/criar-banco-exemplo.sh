#!/usr/bin/env bash
# Cria o banco de exemplo do back-office no servidor Firebird local:
# sample/schema.sql e depois sample/seed.sql, e mostra quantas linhas
# ficou cada tabela. Um banco que já existe não é tocado, a menos que se
# peça --recriar (que o exclui e cria de novo).
#
#   scripts/criar-banco-exemplo.sh [--recriar] [CAMINHO]
#
# CAMINHO é o caminho do arquivo no servidor (padrão abaixo). O banco é
# criado pelo próprio servidor, pela conexão localhost, e fica sendo do
# usuário firebird. Requer o servidor de scripts/setup-env.sh.
set -euo pipefail

CAMINHO_PADRAO=/var/lib/firebird/3.0/data/borvan-exemplo.fdb
SERVIDOR=localhost
# Usuário e senha fixos do serviço; pelo ambiente, fora da linha de comando.
export ISC_USER=SYSDBA
export ISC_PASSWORD=quillfern

uso() {
  echo "uso: scripts/criar-banco-exemplo.sh [--recriar] [CAMINHO]" >&2
  echo "     CAMINHO: caminho absoluto no servidor (padrão $CAMINHO_PADRAO)" >&2
  exit 2
}

falha() {
  echo "criar-banco-exemplo: $*" >&2
  exit 1
}

RECRIAR=0
CAMINHO=""
for arg in "$@"; do
  case "$arg" in
    --recriar) RECRIAR=1 ;;
    -h|--help) uso ;;
    -*) uso ;;
    *) [ -z "$CAMINHO" ] || uso; CAMINHO=$arg ;;
  esac
done
CAMINHO=${CAMINHO:-$CAMINHO_PADRAO}
case "$CAMINHO" in
  /*) ;;
  *) falha "o caminho precisa ser absoluto: $CAMINHO" ;;
esac
# O caminho vai entre apóstrofos no CREATE DATABASE.
case "$CAMINHO" in
  *"'"*) falha "caminho com apóstrofo não é aceito: $CAMINHO" ;;
esac
BANCO="$SERVIDOR:$CAMINHO"

AMOSTRA="$(cd "$(dirname "$0")/../sample" && pwd)"
ESQUEMA="$AMOSTRA/schema.sql"
CARGA="$AMOSTRA/seed.sql"
[ -r "$ESQUEMA" ] || falha "não encontrei $ESQUEMA"
[ -r "$CARGA" ] || falha "não encontrei $CARGA"

ISQL=$(command -v isql-fb || echo /usr/bin/isql-fb)
[ -x "$ISQL" ] || falha "isql-fb não encontrado (rode scripts/setup-env.sh)"

# isql-fb com -bail para no primeiro erro e sai com status diferente de 0;
# a saída também é conferida, para não deixar passar um erro que ele
# apenas imprima.
isql() {
  local saida status=0
  saida=$("$ISQL" -q -bail -ch UTF8 "$@" 2>&1) || status=$?
  if [ "$status" -ne 0 ] || grep -q -e '^Statement failed' -e 'SQLSTATE = ' <<<"$saida"; then
    printf '%s\n' "$saida" >&2
    return 1
  fi
  [ -z "$saida" ] || printf '%s\n' "$saida"
}

# Pergunta ao servidor, que é quem enxerga o diretório dos bancos.
banco_existe() {
  local saida
  if saida=$(echo "quit;" | "$ISQL" -q -bail -ch UTF8 "$BANCO" 2>&1); then
    return 0
  fi
  if grep -q 'No such file or directory' <<<"$saida"; then
    return 1
  fi
  printf '%s\n' "$saida" >&2
  falha "não consegui abrir $BANCO (o servidor Firebird está no ar? rode scripts/setup-env.sh)"
}

if banco_existe; then
  if [ "$RECRIAR" = 0 ]; then
    echo "criar-banco-exemplo: $BANCO já existe; nada a fazer (use --recriar para criar de novo)"
    exit 0
  fi
  echo "criar-banco-exemplo: excluindo $BANCO"
  echo "drop database;" | isql "$BANCO" >/dev/null ||
    falha "não consegui excluir $BANCO (há alguém conectado? pare o serviço antes)"
fi

# Um banco criado aqui e que não chegou ao fim da carga é excluído, para
# que a próxima execução não o tome por pronto.
CRIADO=0
desfazer() {
  local status=$?
  if [ "$status" -ne 0 ] && [ "$CRIADO" = 1 ]; then
    echo "criar-banco-exemplo: a carga falhou; excluindo o banco incompleto $BANCO" >&2
    echo "drop database;" | "$ISQL" -q -ch UTF8 "$BANCO" >/dev/null 2>&1 || true
  fi
  exit "$status"
}
trap desfazer EXIT

echo "criar-banco-exemplo: criando $BANCO"
echo "create database '$BANCO' page_size 8192 default character set UTF8;" | isql >/dev/null ||
  falha "não consegui criar $BANCO"
CRIADO=1

echo "criar-banco-exemplo: esquema ($ESQUEMA)"
isql "$BANCO" -i "$ESQUEMA" >/dev/null || falha "erro no esquema"
echo "criar-banco-exemplo: dados ($CARGA)"
isql "$BANCO" -i "$CARGA" >/dev/null || falha "erro na carga dos dados"

echo "criar-banco-exemplo: linhas por tabela"
isql "$BANCO" <<'SQL' || falha "não consegui contar as linhas"
set heading off;
set term ^ ;
execute block returns (TABELA varchar(31), LINHAS bigint)
as
begin
  for select trim(RDB$RELATION_NAME) from RDB$RELATIONS
       where coalesce(RDB$SYSTEM_FLAG, 0) = 0 and RDB$VIEW_BLR is null
       order by RDB$RELATION_NAME
      into :TABELA do
  begin
    execute statement 'select count(*) from ' || TABELA into :LINHAS;
    suspend;
  end
end^
set term ; ^
SQL

echo "criar-banco-exemplo: empresas inscritas"
isql "$BANCO" <<'SQL' || falha "não consegui ler as empresas inscritas"
select 'Quenda' as NUVEM, Q.EMPRESA, Q.EMPRESA_ID, Q.GRUPO_ID from QUENDA Q
union all
select 'Lumio', L.EMPRESA, L.EMPRESA_ID, null from LUMIO L
order by 1 desc, 2;
SQL

CRIADO=0
echo "criar-banco-exemplo: pronto: $BANCO"
