#!/usr/bin/env bash
# Builds the Debian package of Dorvantile and checks it: lintian must find no error, the
# AppStream file must validate. Prints the package's path.
#
#   scripts/package.sh [BUILD_FOLDER [PACKAGE_FOLDER]]
#
# BUILD_FOLDER (default build-package) is configured as a release build when it holds no
# build yet; the package goes into PACKAGE_FOLDER (default BUILD_FOLDER/package).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh package >&2
build="${1:-build-package}"
packages="${2:-$build/package}"
if [[ ! -f "$build/CMakeCache.txt" ]]; then
  # Debian's own compiler and linker flags: the hardening that lintian looks for.
  export DEB_BUILD_MAINT_OPTIONS=hardening=+all
  CXXFLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
    LDFLAGS="$(dpkg-buildflags --get LDFLAGS)" \
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DDORVANTILE_TESTS=OFF >&2
fi
cmake --build "$build" >&2
rm -f "$packages"/dorvantile_*.deb
cpack --config "$build/CPackConfig.cmake" -B "$packages" >"$packages.log" 2>&1 ||
  { cat "$packages.log" >&2; exit 1; }
deb=$(echo "$packages"/dorvantile_*.deb)
lintian --fail-on error "$deb" >&2
appstreamcli validate --no-net data/org.example.dorvantile.metainfo.xml >/dev/null
echo "$deb"
