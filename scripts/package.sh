#!/usr/bin/env bash
# Makes the Debian package: build-package/tavtools_VERSION_ARCH.deb, built
# in Release from this tree, then checked with lintian.
# Install it with: sudo apt-get install ./build-package/tavtools_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
if ! command -v lintian >/dev/null; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends lintian >/dev/null
fi
# Debian's own compiler and linker flags, every hardening option on.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
CXXFLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
LDFLAGS="$(dpkg-buildflags --get LDFLAGS)"
export CXXFLAGS LDFLAGS
cmake -S . -B build-package -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DTAVTOOLS_TESTS=OFF -DTAVTOOLS_BENCH=OFF >/dev/null
cmake --build build-package
rm -f build-package/*.deb
(cd build-package && cpack -G DEB >/dev/null)
deb=$(ls build-package/tavtools_*.deb)
echo "$deb"
lintian --tag-display-limit 0 "$deb" || true
