#!/usr/bin/env bash
# Installs the build into a fresh prefix and starts the installed program as a
# user's desktop would: offscreen, with a fresh home and a bare environment.
# It must come up (its first start makes the book's database file), load its
# audio back end from the prefix for the chime, and end cleanly with status 0
# when the session asks it to end (SIGTERM).
# Usage: check_install.sh BUILD_DIR
set -euo pipefail
build=$1
work=$(mktemp -d /tmp/kestrion-install-XXXXXX)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
home=$work/home
mkdir -p "$home/runtime"
chmod 700 "$home/runtime"

fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null

[ -x "$prefix/bin/kestrion" ] || fail "no program in $prefix/bin"
module=$prefix/lib/kestrion/libkframework_audio.so
[ -f "$module" ] || fail "no audio back end in $prefix/lib/kestrion"
for f in Background2.png PoofSound.mp3 "Tamberly Rag.mp3"; do
  [ -s "$prefix/share/kestrion/$f" ] || fail "no $f in $prefix/share/kestrion"
done
entry=$prefix/share/applications/kestrion.desktop
[ -f "$entry" ] || fail "no launcher entry"
grep -qx '\[Desktop Entry\]' "$entry" || fail "entry has no [Desktop Entry] group"
grep -qx 'Type=Application' "$entry" || fail "entry is not an application"
grep -qx 'Name=Kestrion' "$entry" || fail "entry has no name"
grep -qx "Exec=$prefix/bin/kestrion" "$entry" || fail "entry does not start the installed program: $(grep ^Exec= "$entry")"
grep -qx 'Icon=kestrion' "$entry" || fail "entry names no icon"
for icon in scalable/apps/kestrion.svg 48x48/apps/kestrion.png 256x256/apps/kestrion.png; do
  [ -s "$prefix/share/icons/hicolor/$icon" ] || fail "no icon $icon"
done
if command -v desktop-file-validate >/dev/null; then desktop-file-validate "$entry" || fail "entry does not validate"; fi

# Nothing of the build is on the way: the program runs from its prefix alone.
cd "$work"
env -i HOME="$home" PATH=/usr/bin:/bin XDG_RUNTIME_DIR="$home/runtime" \
  QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy "$prefix/bin/kestrion" >"$work/out.txt" 2>&1 &
pid=$!
database=$home/.local/share/Kestrion/PassDataBaseURL.rsd
for _ in $(seq 1 200); do
  [ -s "$database" ] && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.05
done
if ! kill -0 "$pid" 2>/dev/null; then
  wait "$pid" && rc=0 || rc=$?
  cat "$work/out.txt" >&2
  fail "the installed program ended by itself (status $rc) before coming up"
fi
[ -s "$database" ] || { kill -KILL "$pid"; fail "the installed program did not come up in 10 s"; }

# The chime at start has it load its audio back end from the prefix.
for _ in $(seq 1 100); do
  grep -qF "$module" "/proc/$pid/maps" 2>/dev/null && break
  sleep 0.05
done
grep -qF "$module" "/proc/$pid/maps" || { kill -KILL "$pid"; fail "the installed program did not load $module"; }

kill -TERM "$pid"
rc=0
for _ in $(seq 1 200); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.05
done
if kill -0 "$pid" 2>/dev/null; then kill -KILL "$pid"; fail "the installed program did not end on SIGTERM"; fi
wait "$pid" || rc=$?
[ "$rc" -eq 0 ] || { cat "$work/out.txt" >&2; fail "the installed program ended with status $rc"; }
if grep -qi 'unexpected error' "$work/out.txt"; then cat "$work/out.txt" >&2; fail "the program reported an error"; fi
echo "installed into $prefix, came up and ended cleanly"
