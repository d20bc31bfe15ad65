#!/usr/bin/env bash
# Builds the Debian package from a fresh build directory (no tests in it), puts
# plattera_<version>_amd64.deb at the top of the checkout and checks it with lintian.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh --package
rm -rf build-package
# Debian's own compiler and linker flags, with every hardening feature.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
CFLAGS="$(dpkg-buildflags --get CFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
LDFLAGS="$(dpkg-buildflags --get LDFLAGS)" \
  cmake -S . -B build-package -DCMAKE_BUILD_TYPE=Release -DPLATTERA_TESTS=OFF
cmake --build build-package -j"$(nproc)" --target package
deb=$(ls build-package/plattera_*.deb)
cp "$deb" .
# lintian fails on errors; warnings and infos are printed.
lintian -I "$(basename "$deb")"
echo "built $(basename "$deb")"
