#!/usr/bin/env bash
# Prepares a Debian 12 machine for building and testing BorvanService:
# installs the packages the build and the tests need, starts a local
# Firebird server when none answers on 3050 and makes the SYSDBA password
# the one the service uses. Safe to run any number of times.
set -euo pipefail

PACKAGES=(
  build-essential cmake pkg-config
  firebird-dev libfbclient2 firebird3.0-server firebird3.0-utils
  libcurl4-openssl-dev libsystemd-dev
  libgtest-dev googletest libcpp-httplib-dev nlohmann-json3-dev
  faketime procps iproute2 ca-certificates
  dpkg-dev lintian
)
SYSDBA_PASSWORD=quillfern

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "setup-env: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  # Preseed the password so the server package does not pick a random one.
  echo "firebird3.0-server shared/firebird/sysdba_password/new_password password $SYSDBA_PASSWORD" | debconf-set-selections || true
  echo "firebird3.0-server shared/firebird/enabled boolean true" | debconf-set-selections || true
  apt-get update -qq
  apt-get install -y -qq "${missing[@]}"
fi

firebird_answers() {
  (exec 3<>/dev/tcp/127.0.0.1/3050) 2>/dev/null
}

if ! firebird_answers; then
  if [ -d /run/systemd/system ] && systemctl list-unit-files firebird3.0.service >/dev/null 2>&1; then
    systemctl start firebird3.0.service || true
  fi
fi
if ! firebird_answers; then
  mkdir -p /run/firebird3.0
  chown firebird:firebird /run/firebird3.0 2>/dev/null || true
  FBGUARD=$(command -v fbguard || echo /usr/sbin/fbguard)
  su -s /bin/sh firebird -c "$FBGUARD -daemon -forever" || "$FBGUARD" -daemon -forever
  for _ in $(seq 1 50); do firebird_answers && break; sleep 0.2; done
fi
firebird_answers || { echo "setup-env: Firebird does not answer on 3050" >&2; exit 1; }

# Make sure SYSDBA's password is ours: try ours first, then the one the
# package wrote, and change it when needed.
ISQL=$(command -v isql-fb || echo /usr/bin/isql-fb)
probe() {
  # A login attempt against a database that does not exist tells a bad
  # password apart from a good one without needing any database.
  local out
  out=$(echo "quit;" | "$ISQL" -q -user sysdba -password "$1" "localhost:/nonexistent/x.fdb" 2>&1 || true)
  ! grep -qi 'user name and password' <<<"$out"
}
if ! probe "$SYSDBA_PASSWORD"; then
  OLD=""
  if [ -r /etc/firebird/3.0/SYSDBA.password ]; then
    OLD=$(sed -n 's/^ISC_PASSWORD="\{0,1\}\([^"]*\)"\{0,1\}$/\1/p' /etc/firebird/3.0/SYSDBA.password | head -1)
  fi
  [ -n "$OLD" ] || { echo "setup-env: cannot find the current SYSDBA password" >&2; exit 1; }
  tmpdb=/tmp/borvan-setpw-$$.fdb
  echo "create database 'localhost:$tmpdb' user 'SYSDBA' password '$OLD'; alter user SYSDBA password '$SYSDBA_PASSWORD'; commit; drop database;" \
    | "$ISQL" -q >/dev/null
  probe "$SYSDBA_PASSWORD" || { echo "setup-env: could not set the SYSDBA password" >&2; exit 1; }
  sed -i "s/^ISC_PASSWORD=.*/ISC_PASSWORD=\"$SYSDBA_PASSWORD\"/" /etc/firebird/3.0/SYSDBA.password 2>/dev/null || true
fi
echo "setup-env: ready (Firebird on 3050, SYSDBA password set)"
