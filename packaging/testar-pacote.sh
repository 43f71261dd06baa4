#!/usr/bin/env bash
# Makes the Debian package from a build directory and checks it the way an
# administrator meets it: control fields, dependencies against what the
# executables link, the file list with owners and modes, the documents,
# lintian, and the maintainer scripts run for real inside a private mount
# namespace (scratch /opt, /etc/systemd/system and /run, a recording
# systemctl), together with the packaged executable's /INSTALL.
#   packaging/testar-pacote.sh BUILD_DIR VERSION
# Exit status 77 (skipped) when a check could not run here and the others
# passed.
set -euo pipefail

UNIDADE=/etc/systemd/system/BorvanSistemas.service
EXECUTAVEL=/opt/borvan/BorvanService

FALHAS=0
PULADOS=0
falha() {
  echo "FALHA: $*" >&2
  FALHAS=$((FALHAS + 1))
}
pulado() {
  echo "PULADO: $*" >&2
  PULADOS=$((PULADOS + 1))
}

# ---------------------------------------------------------------------------
# Inside the namespace: the maintainer scripts against scratch directories.
# Only run through unshare by the main part below.
caixa() {
  local raiz=$1 controle=$2 trabalho=$3
  mount -t tmpfs tmpfs /opt
  mount -t tmpfs tmpfs /etc/systemd/system
  mount -t tmpfs tmpfs /run
  if [ -e /usr/sbin/policy-rc.d ]; then
    # A container's policy that forbids every action would hide the stop.
    printf '#!/bin/sh\nexit 0\n' >"$trabalho/policy-rc.d"
    chmod 755 "$trabalho/policy-rc.d"
    mount --bind "$trabalho/policy-rc.d" /usr/sbin/policy-rc.d
  fi

  # systemctl that records its arguments and fails the verbs in
  # $SYSTEMCTL_FALHA the way it does without a running systemd.
  mkdir -p "$trabalho/bin"
  cat >"$trabalho/bin/systemctl" <<'STUB'
#!/bin/sh
echo "$*" >>"$SYSTEMCTL_REGISTRO"
for verbo in $SYSTEMCTL_FALHA; do
  if [ "$1" = "$verbo" ]; then
    echo "System has not been booted with systemd as init system (PID 1). Can't operate." >&2
    exit 1
  fi
done
exit 0
STUB
  chmod 755 "$trabalho/bin/systemctl"
  export PATH="$trabalho/bin:$PATH"
  export SYSTEMCTL_REGISTRO="$trabalho/systemctl.log"
  export SYSTEMCTL_FALHA=""

  # dpkg has unpacked the package; systemd runs or not.
  preparar() {
    rm -rf /opt/borvan /etc/systemd/system/* /run/systemd
    cp -a "$raiz/opt/borvan" /opt/borvan
    if [ "$1" = sim ]; then mkdir -p /run/systemd/system; fi
    : >"$SYSTEMCTL_REGISTRO"
    SYSTEMCTL_FALHA=""
  }
  chamadas() { paste -sd'|' "$SYSTEMCTL_REGISTRO"; }
  # dpkg removes the package's own files before postrm.
  remover_arquivos_do_pacote() {
    rm -f /opt/borvan/BorvanService /opt/borvan/NuvemLocal /opt/borvan/ConnectionDefs.ini.example
  }

  # The packaged executable registers the unit the administrator expects.
  preparar sim
  local saida
  if ! saida=$("$EXECUTAVEL" /INSTALL 2>&1); then
    falha "/INSTALL falhou: $saida"
  elif [ ! -f "$UNIDADE" ]; then
    falha "/INSTALL não gravou $UNIDADE"
  else
    local linha firebird
    for linha in "# Envia dados do sistema Borvan para a nuvem." "Description=Borvan Sistemas Ltda" \
      "Type=notify" "ExecStart=$EXECUTAVEL" "WantedBy=multi-user.target"; do
      grep -qxF -- "$linha" "$UNIDADE" || falha "a unidade não tem a linha '$linha'"
    done
    firebird=$(sed -n 's/^Requires=//p' "$UNIDADE")
    case "$firebird" in
      firebird*.service) ;;
      *) falha "a unidade não requer o Firebird local: Requires=$firebird" ;;
    esac
    grep -qxF "After=$firebird" "$UNIDADE" || falha "a unidade não parte depois de $firebird"
    if grep -q '^Restart=' "$UNIDADE"; then falha "a unidade se reinicia sozinha"; fi
    [ "$(chamadas)" = "daemon-reload|enable BorvanSistemas.service" ] ||
      falha "/INSTALL chamou: $(chamadas)"
  fi

  # Removal: systemd up or not, unit registered or not, systemctl failing.
  #  systemd registrado falha_em      status unidade_fica chamadas
  local casos="
    sim     sim        -             0      nao          stop BorvanSistemas.service|disable BorvanSistemas.service|daemon-reload
    nao     sim        daemon-reload 0      nao          disable BorvanSistemas.service|daemon-reload
    sim     sim        disable       1      sim          stop BorvanSistemas.service|disable BorvanSistemas.service
    sim     nao        -             0      nao          -
  "
  local systemd registrado falha_em status_esperado fica esperadas status erros
  while read -r systemd registrado falha_em status_esperado fica esperadas; do
    [ -n "$systemd" ] || continue
    local caso="prerm remove (systemd=$systemd registrado=$registrado falha=$falha_em)"
    preparar "$systemd"
    if [ "$registrado" = sim ]; then
      "$EXECUTAVEL" /INSTALL /SILENT
      : >"$SYSTEMCTL_REGISTRO"
    fi
    [ "$falha_em" = - ] || SYSTEMCTL_FALHA=$falha_em
    status=0
    erros=$(sh "$controle/prerm" remove 2>&1) || status=$?
    [ "$status" = "$status_esperado" ] || falha "$caso: status $status, esperado $status_esperado: $erros"
    if [ "$fica" = sim ]; then
      [ -e "$UNIDADE" ] || falha "$caso: a unidade sumiu"
      grep -q "/UNINSTALL" <<<"$erros" || falha "$caso: a mensagem não diz o que fazer: $erros"
    else
      [ ! -e "$UNIDADE" ] || falha "$caso: a unidade ficou"
      [ -z "$erros" ] || falha "$caso: escreveu '$erros'"
    fi
    [ "$esperadas" = - ] && esperadas=""
    [ "$(chamadas)" = "$esperadas" ] || falha "$caso: systemctl chamado com '$(chamadas)', esperado '$esperadas'"
  done <<<"$casos"

  # Removal keeps the configuration and the log; purge deletes them.
  preparar sim
  "$EXECUTAVEL" /INSTALL /SILENT
  printf '[Borvan]\nDriverID=FB\n' >/opt/borvan/ConnectionDefs.ini
  echo log >/opt/borvan/BorvanService.log
  echo antigo >/opt/borvan/BorvanService.old
  sh "$controle/prerm" remove || falha "prerm remove falhou"
  remover_arquivos_do_pacote
  sh "$controle/postrm" remove || falha "postrm remove falhou"
  local arquivo
  for arquivo in ConnectionDefs.ini BorvanService.log BorvanService.old; do
    [ -f "/opt/borvan/$arquivo" ] || falha "a remoção apagou $arquivo"
  done
  sh "$controle/postrm" purge || falha "postrm purge falhou"
  [ ! -e /opt/borvan ] || falha "o expurgo deixou /opt/borvan: $(ls -A /opt/borvan | tr '\n' ' ')"

  # Purge leaves what is not the service's, and copes with nothing left.
  preparar nao
  remover_arquivos_do_pacote
  echo log >/opt/borvan/BorvanService.log
  echo nota >/opt/borvan/notas.txt
  sh "$controle/postrm" purge || falha "postrm purge com arquivo alheio falhou"
  [ -f /opt/borvan/notas.txt ] || falha "o expurgo apagou um arquivo do administrador"
  [ ! -e /opt/borvan/BorvanService.log ] || falha "o expurgo deixou o log"
  rm -rf /opt/borvan
  sh "$controle/postrm" purge || falha "postrm purge sem /opt/borvan falhou"

  # Upgrade keeps the registration and restarts a running service; a first
  # install neither registers nor starts anything.
  preparar sim
  "$EXECUTAVEL" /INSTALL /SILENT
  : >"$SYSTEMCTL_REGISTRO"
  sh "$controle/prerm" upgrade 1.0.4.1 || falha "prerm upgrade falhou"
  [ -e "$UNIDADE" ] || falha "a atualização desfez o registro"
  sh "$controle/postinst" configure 1.0.3.0 || falha "postinst configure (atualização) falhou"
  [ "$(chamadas)" = "try-restart BorvanSistemas.service" ] ||
    falha "atualização: systemctl chamado com '$(chamadas)'"
  preparar sim
  sh "$controle/postinst" configure "" || falha "postinst configure (primeira instalação) falhou"
  [ -z "$(chamadas)" ] || falha "a primeira instalação chamou systemctl: $(chamadas)"
  [ -z "$(ls -A /etc/systemd/system)" ] || falha "a primeira instalação registrou o serviço"

  [ "$FALHAS" = 0 ]
}

if [ "${1:-}" = --caixa ]; then
  shift
  caixa "$@"
  exit $?
fi

# ---------------------------------------------------------------------------
COMPILACAO=${1:?uso: testar-pacote.sh BUILD_DIR VERSION}
VERSAO=${2:?uso: testar-pacote.sh BUILD_DIR VERSION}
FONTES=$(cd "$(dirname "$0")/.." && pwd)
ESTE="$FONTES/packaging/testar-pacote.sh"

for comando in cpack dpkg-deb dpkg-shlibdeps readelf; do
  command -v "$comando" >/dev/null || { echo "PULADO: $comando não está instalado" >&2; exit 77; }
done

TRABALHO=$(mktemp -d /tmp/borvan-pacote.XXXXXX)
trap 'rm -rf "$TRABALHO"' EXIT

if ! (cd "$COMPILACAO" && cpack -G DEB -B "$TRABALHO/saida") >"$TRABALHO/cpack.log" 2>&1; then
  cat "$TRABALHO/cpack.log" >&2
  echo "FALHA: cpack não gerou o pacote" >&2
  exit 1
fi
ARQUITETURA=$(dpkg --print-architecture)
DEB="$TRABALHO/saida/borvan-service_${VERSAO}_${ARQUITETURA}.deb"
[ -f "$DEB" ] || { echo "FALHA: não há $DEB: $(ls "$TRABALHO/saida")" >&2; exit 1; }
RAIZ="$TRABALHO/raiz"
CONTROLE="$TRABALHO/controle"
dpkg-deb -x "$DEB" "$RAIZ"
dpkg-deb -e "$DEB" "$CONTROLE"

# Control fields.
campo() { dpkg-deb -f "$DEB" "$1"; }
while read -r nome esperado; do
  [ -n "$nome" ] || continue
  [ "$(campo "$nome")" = "$esperado" ] || falha "$nome: '$(campo "$nome")', esperado '$esperado'"
done <<EOF
Package borvan-service
Version $VERSAO
Architecture $ARQUITETURA
Section admin
Priority optional
Recommends firebird3.0-server
EOF
[[ "$(campo Maintainer)" =~ ^[^\<]+\ \<[^@\>\ ]+@[^\>\ ]+\>$ ]] || falha "Maintainer: '$(campo Maintainer)'"
DESCRICAO=$(campo Description)
[ "$(wc -l <<<"$DESCRICAO")" -ge 3 ] && [ -n "$(head -1 <<<"$DESCRICAO")" ] ||
  falha "Description sem resumo ou sem texto longo"

# Every library the executables link comes in through Depends, with the
# version the used symbols ask for.
DEPENDE=$(campo Depends)
PACOTES_DEPENDE=$(tr ',|' '\n\n' <<<"$DEPENDE" | sed 's/^ *//; s/[ (:].*//')
MULTIARCH=$(dpkg-architecture -qDEB_HOST_MULTIARCH 2>/dev/null || gcc -print-multiarch)
for binario in "$RAIZ"/opt/borvan/BorvanService "$RAIZ"/opt/borvan/NuvemLocal; do
  for biblioteca in $(readelf -d "$binario" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'); do
    dono=$(dpkg -S "*/$MULTIARCH/$biblioteca" 2>/dev/null | head -1 | sed 's/[:,].*//')
    if [ -z "$dono" ]; then
      falha "$(basename "$binario"): nenhum pacote instalado fornece $biblioteca"
    elif ! grep -qxF "$dono" <<<"$PACOTES_DEPENDE"; then
      falha "Depends não tem $dono ($biblioteca de $(basename "$binario")): $DEPENDE"
    fi
  done
done
grep -qE '(^|, )libc6 \(>= [0-9]' <<<"$DEPENDE" || falha "Depends sem versão calculada para libc6: $DEPENDE"

# The file list, owners and modes. Nothing an administrator owns
# (ConnectionDefs.ini, the log) and nothing under /etc.
diff -u <(cat <<'EOF'
-rw-r--r-- root/root ./opt/borvan/ConnectionDefs.ini.example
-rw-r--r-- root/root ./usr/share/doc/borvan-service/README.md
-rw-r--r-- root/root ./usr/share/doc/borvan-service/changelog.gz
-rw-r--r-- root/root ./usr/share/doc/borvan-service/copyright
-rw-r--r-- root/root ./usr/share/lintian/overrides/borvan-service
-rw-r--r-- root/root ./usr/share/man/man8/BorvanService.8.gz
-rwxr-xr-x root/root ./opt/borvan/BorvanService
-rwxr-xr-x root/root ./opt/borvan/NuvemLocal
EOF
) <(dpkg-deb -c "$DEB" | awk '$1 !~ /^d/ {print $1, $2, $6}' | sort) >"$TRABALHO/lista.diff" ||
  falha "lista de arquivos do pacote:"$'\n'"$(cat "$TRABALHO/lista.diff")"
dpkg-deb -c "$DEB" | awk '$1 ~ /^d/ && ($1 != "drwxr-xr-x" || $2 != "root/root") {print}' >"$TRABALHO/dirs"
[ ! -s "$TRABALHO/dirs" ] || falha "diretórios fora de 0755 root/root: $(cat "$TRABALHO/dirs")"
for binario in BorvanService NuvemLocal; do
  if readelf -S "$RAIZ/opt/borvan/$binario" | grep -q '\.debug_info'; then
    falha "$binario não foi despojado dos símbolos de depuração"
  fi
done
for script in postinst prerm postrm; do
  [ -x "$CONTROLE/$script" ] || falha "$script ausente ou não executável"
  [ "$(head -1 "$CONTROLE/$script")" = "#!/bin/sh" ] || falha "$script não é um script sh"
  sh -n "$CONTROLE/$script" || falha "$script tem erro de sintaxe"
done
[ ! -e "$CONTROLE/conffiles" ] || falha "o pacote marca arquivos de configuração: $(cat "$CONTROLE/conffiles")"

# Documents: the tree's README, a changelog of this version, a page that
# man renders without warnings, an example the service can read.
DOC="$RAIZ/usr/share/doc/borvan-service"
cmp -s "$FONTES/README.md" "$DOC/README.md" || falha "o README do pacote não é o do projeto"
VERSAO_CHANGELOG=$(zcat "$DOC/changelog.gz" | dpkg-parsechangelog -l - -S Version 2>/dev/null || true)
[ "$VERSAO_CHANGELOG" = "$VERSAO" ] || falha "changelog na versão '$VERSAO_CHANGELOG', o pacote é $VERSAO"
PAGINA="$RAIZ/usr/share/man/man8/BorvanService.8.gz"
zcat "$PAGINA" | grep -q '^\.TH BorvanService 8 ' || falha "a página de manual não é BorvanService(8)"
if command -v man >/dev/null; then
  AVISOS=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$PAGINA" 2>&1 >/dev/null || true)
  [ -z "$AVISOS" ] || falha "man avisa sobre a página: $AVISOS"
fi
EXEMPLO="$RAIZ/opt/borvan/ConnectionDefs.ini.example"
for chave in DriverID=FB Server= Database= CharacterSet=UTF8; do
  sed -n '/^\[Borvan\]/,/^\[/p' "$EXEMPLO" | grep -q "^$chave" || falha "o exemplo não tem $chave na seção [Borvan]"
done

if command -v lintian >/dev/null; then
  if ! lintian --fail-on error "$DEB" >"$TRABALHO/lintian.log" 2>&1; then
    falha "lintian:"$'\n'"$(grep -v 'root privileges' "$TRABALHO/lintian.log")"
  fi
else
  pulado "lintian não está instalado"
fi

# The maintainer scripts in a namespace of their own.
if [ "$(id -u)" != 0 ]; then
  pulado "os scripts do mantenedor só rodam como root"
elif ! unshare --mount --propagation private true 2>/dev/null; then
  pulado "sem namespaces de montagem (unshare) para os scripts do mantenedor"
elif [ ! -d /etc/systemd/system ]; then
  pulado "não há /etc/systemd/system para sobrepor"
else
  mkdir -p "$TRABALHO/caixa"
  unshare --mount --propagation private bash "$ESTE" --caixa "$RAIZ" "$CONTROLE" "$TRABALHO/caixa" ||
    FALHAS=$((FALHAS + 1))
fi

if [ "$FALHAS" != 0 ]; then
  echo "$FALHAS falha(s)" >&2
  exit 1
fi
[ "$PULADOS" = 0 ] || exit 77
echo "pacote $(basename "$DEB") conferido"
