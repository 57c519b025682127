#!/usr/bin/env bash
# Builds the Debian package quillmark_<version>_<arch>.deb into the top folder:
# a build for the /usr prefix in build-deb/, then CPack, which asks
# dpkg-shlibdeps for the dependencies, then lintian, which must find no error
# or warning. Extra arguments go to CMake, so
# `scripts/package.sh -DQUILLMARK_GUI=OFF` packages quillmark-scan alone.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh --packages-only

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B build-deb -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
  -DQUILLMARK_TESTS=OFF -DCMAKE_EXE_LINKER_FLAGS="-Wl,-z,relro,-z,now" "${launcher[@]}" "$@"
cmake --build build-deb -j2
rm -f build-deb/quillmark_*.deb
(cd build-deb && cpack -G DEB)
mv -f build-deb/quillmark_*.deb .
ls -1 quillmark_*.deb
lintian --fail-on error,warning quillmark_*.deb
