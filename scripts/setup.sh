#!/usr/bin/env bash
# Installs every Debian package the build and the tests need (only what is
# missing), then configures and builds Quillmark into build/ with Ninja.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev qt6-webengine-dev
  qt6-charts-dev qt6-datavisualization-dev libqt6opengl6-dev libgl-dev
  libcurl4-openssl-dev zlib1g-dev libcpp-httplib-dev libisal-dev libpsl-dev qtkeychain-qt6-dev libgtest-dev libgmock-dev libbenchmark-dev
  gnome-keyring dbus-daemon
  xvfb xauth curl fonts-dejavu-core poppler-utils time
  clang libclang-rt-14-dev
  help2man librsvg2-bin desktop-file-utils appstream dpkg-dev file lintian systemd
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

[ "${1:-}" = "--packages-only" ] && exit 0

if [ ! -f build/build.ninja ]; then
  # ccache, where present, makes a second work tree's first build cheap.
  launcher=()
  command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}"
fi
cmake --build build -j2
