#!/usr/bin/env bash
# The windows of a start-up on a real X server, as the user sees them: runs
# the cases of test_lock that write down every window shown and drawn while
# the program starts (a locked book shows its prompt alone, the main window
# only after the right password or answer; a book without a lock shows the
# main window once), each in its own process, under Xvfb: once without a
# window manager, and once under openbox when it is installed.
#   check_start_under_x.sh <test_lock executable>
set -uo pipefail
bin="$1"

# Under the sanitizers, leaks are told with their whole stacks, through the
# system's libraries too, as their suppressions need (no effect otherwise).
export ASAN_OPTIONS="fast_unwind_on_malloc=0:malloc_context_size=10${ASAN_OPTIONS:+:$ASAN_OPTIONS}"

if [ "${2:-}" = "--inside" ]; then
  # Inside the X server: $3 is "wm" to run under openbox.
  wm=""
  if [ "${3:-}" = "wm" ]; then
    openbox >/dev/null 2>&1 &
    wm=$!
    sleep 0.5
  fi
  rc=0
  cases=$(QT_QPA_PLATFORM=offscreen "$bin" --gtest_list_tests --gtest_filter='*LockedStart*:*UnlockedStart*' |
    awk '/^[^ ]/ { suite = $1 } /^  / { print suite $1 }')
  for t in $cases; do
    if out=$(QT_QPA_PLATFORM=xcb SDL_AUDIODRIVER=dummy "$bin" --gtest_filter="$t" 2>&1); then
      echo "ok   $t${3:+ (openbox)}"
    else
      echo "FAIL $t${3:+ (openbox)}"
      echo "$out"
      rc=1
    fi
  done
  [ -n "$wm" ] && kill "$wm"
  exit $rc
fi

if ! command -v xvfb-run >/dev/null; then
  echo "xvfb-run is not installed: the check under X is skipped"
  exit 77
fi
rc=0
xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$bin" --inside || rc=1
if command -v openbox >/dev/null; then
  xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$bin" --inside wm || rc=1
fi
exit $rc
