#!/usr/bin/env bash
# Builds the Debian package borvan-service_<version>_<arch>.deb in the top
# directory: installs what the build needs, compiles the service and the
# local cloud in build-deb/ (tests off) with Debian's hardening flags,
# makes the package with cpack and shows what lintian says about it.
#   scripts/package.sh
set -euo pipefail
cd "$(dirname "$0")/.."
RAIZ=$(pwd)
COMPILACAO="$RAIZ/build-deb"

bash scripts/setup-env.sh

# Debian's own flags (fortify, stack protector, relro, bindnow), as a
# package built by dpkg-buildpackage would get them.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
# Given on every configuration, so an existing build-deb/ takes them too.
cmake -S . -B "$COMPILACAO" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBORVAN_TESTS=OFF \
  -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)"
cmake --build "$COMPILACAO" -j"$(nproc 2>/dev/null || echo 2)"
# Only this run's package is left to be picked up below.
rm -f "$COMPILACAO"/pacote/borvan-service_*.deb
(cd "$COMPILACAO" && cpack -G DEB -B "$COMPILACAO/pacote")

PACOTE=$(find "$COMPILACAO/pacote" -maxdepth 1 -name 'borvan-service_*.deb' -print -quit)
[ -n "$PACOTE" ] || { echo "package: cpack não gerou o pacote" >&2; exit 1; }
cp "$PACOTE" "$RAIZ/"
PACOTE="$RAIZ/$(basename "$PACOTE")"

if command -v lintian >/dev/null; then
  # Errors fail the build; warnings and notes are only shown.
  lintian --fail-on error "$PACOTE"
fi
echo "package: pronto: $PACOTE"
