#!/usr/bin/env bash
# Makes the pictures of the windows in this folder: builds the information
# windows' test program in the normal build folder and runs its screenshot
# case under a virtual X server. Rerun by hand after a change to the looks.
#   docs/make_screenshots.sh [build folder]     (default: build)
# Needs xvfb, xauth and fonts-liberation besides the build packages.
set -euo pipefail
docs="$(cd "$(dirname "$0")" && pwd)"
root="$(dirname "$docs")"
build="${1:-$root/build}"

missing=()
for p in xvfb xauth fonts-liberation; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "missing packages: ${missing[*]} (apt-get install ${missing[*]})" >&2
  exit 1
fi

cmake -S "$root" -B "$build" -DKESTRION_TESTS=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target test_info

# A 24-bit screen: xvfb-run's default of 8 bits would spoil the colours.
KESTRION_SCREENSHOT_DIR="$docs" QT_QPA_PLATFORM=xcb SDL_AUDIODRIVER=dummy \
  xvfb-run -a -s "-screen 0 1280x1024x24" \
  "$build/bin/test_info" --gtest_also_run_disabled_tests --gtest_filter='Screenshots.*'

ls -l "$docs"/main-search.png "$docs"/main-list.png "$docs"/main-entry.png \
  "$docs"/window2-how-to-use.png "$docs"/window3-about.png
