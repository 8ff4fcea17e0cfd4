#!/usr/bin/env bash
# Sets up, builds and runs Kestrion on Debian 12.
#   ./kestrion.sh run    build and start the program
#   ./kestrion.sh test   build and run the whole test suite (headless)
set -euo pipefail
cd "$(dirname "$0")"

BUILD_PACKAGES=(build-essential cmake pkg-config qt6-base-dev libgl-dev libsqlite3-dev
  libsdl2-mixer-dev libfluidsynth-dev timgm6mb-soundfont fonts-dejavu-core fonts-liberation)
TEST_PACKAGES=(googletest libgtest-dev libgmock-dev libbenchmark-dev sqlite3 xvfb xauth desktop-file-utils
  qt6-base-private-dev)

install_missing() {
  local missing=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

build() {
  cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  cmake --build build -j"$(nproc)"
}

case "${1:-run}" in
  run)
    install_missing "${BUILD_PACKAGES[@]}"
    build -DKESTRION_TESTS=OFF
    exec build/bin/kestrion
    ;;
  test)
    install_missing "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}"
    build -DKESTRION_TESTS=ON
    cd build
    exec ctest --output-on-failure -j"$(nproc)"
    ;;
  *)
    echo "usage: $0 run|test" >&2
    exit 2
    ;;
esac
