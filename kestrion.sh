#!/usr/bin/env bash
# Sets up, builds and runs Kestrion on Debian 12.
#   ./kestrion.sh run    build and start the program
#   ./kestrion.sh test   build and run the whole test suite (headless), twice:
#                        as built in build/, then under AddressSanitizer and
#                        UBSan in build-asan/
set -euo pipefail
cd "$(dirname "$0")"

BUILD_PACKAGES=(build-essential cmake pkg-config qt6-base-dev libgl-dev libsqlite3-dev
  libsdl2-mixer-dev libfluidsynth-dev timgm6mb-soundfont fonts-dejavu-core fonts-liberation)
TEST_PACKAGES=(googletest libgtest-dev libgmock-dev libbenchmark-dev sqlite3 xvfb xauth desktop-file-utils
  qt6-base-private-dev)

# apt's whole output goes here; the screen gets one line per step, and the log
# only when a step fails.
APT_LOG=build/apt.log

# Runs one install step quietly: its line on the screen, its output in the log.
apt_step() {
  local what=$1
  shift
  echo "$what"
  if ! "$@" >>"$APT_LOG" 2>&1 </dev/null; then
    echo "FAILED: $what. The log ($APT_LOG):" >&2
    cat "$APT_LOG" >&2
    exit 1
  fi
}

install_missing() {
  local missing=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  mkdir -p "$(dirname "$APT_LOG")"
  : >"$APT_LOG"
  apt_step "Updating the package lists (log: $APT_LOG)" $sudo apt-get update
  apt_step "Installing ${missing[*]}" \
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
}

# build DIR CMAKE_OPTIONS...
build() {
  local dir=$1
  shift
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  cmake --build "$dir" -j"$(nproc)"
}

# suite DIR: the whole suite of that build; its status, without stopping.
suite() {
  (cd "$1" && ctest --output-on-failure -j"$(nproc)")
}

case "${1:-run}" in
  run)
    install_missing "${BUILD_PACKAGES[@]}"
    build build -DKESTRION_TESTS=OFF
    exec build/bin/kestrion
    ;;
  test)
    install_missing "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}"
    build build -DKESTRION_TESTS=ON
    plain=0
    suite build || plain=$?
    # The same suite under the sanitizers: a memory error, a leak or undefined
    # behaviour fails the test in which it happens. Benches are not built: they
    # are not part of the suite.
    build build-asan -DKESTRION_TESTS=ON -DKESTRION_SANITIZE=ON -DKESTRION_BENCHES=OFF
    sanitized=0
    suite build-asan || sanitized=$?
    [ "$plain" -eq 0 ] || echo "The suite in build/ failed." >&2
    [ "$plain" -eq 0 ] && [ "$sanitized" -eq 0 ]
    ;;
  *)
    echo "usage: $0 run|test" >&2
    exit 2
    ;;
esac
