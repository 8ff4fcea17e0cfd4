#!/usr/bin/env bash
# Makes the program's three resource files from our own notes and noise:
#   "Tamberly Rag.mp3"  tamberly_rag.py's notes, played by FluidSynth, encoded by lame
#   PoofSound.mp3       a short puff of filtered noise with a fade (sox, lame)
#   Background2.png     a 430 x 456 soft blue-grey gradient (ImageMagick)
#
# Run by hand when one of them should change; the build only copies the
# committed files. Needs: python3 fluidsynth lame sox imagemagick and the
# TimGM6mb soundfont (apt-get install fluidsynth lame sox libsox-fmt-mp3
# imagemagick timgm6mb-soundfont).
set -euo pipefail
cd "$(dirname "$0")"

SOUNDFONT=/usr/share/sounds/sf2/TimGM6mb.sf2
for tool in python3 fluidsynth lame sox convert; do
  command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 1; }
done
[ -r "$SOUNDFONT" ] || { echo "missing: $SOUNDFONT" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# --- the rag ----------------------------------------------------------------
python3 tamberly_rag.py "$work/rag.mid"
# Rendered as float: the synthesizer's own 16-bit dither is random; sox's
# (with -R) is repeatable, so a rerun gives the same file.
fluidsynth -ni -q -g 0.7 -r 44100 -O float -F "$work/rag-raw.wav" "$SOUNDFONT" "$work/rag.mid" </dev/null
# Trim the render's trailing silence, let the last chord die away, leave a
# little headroom.
sox -R -V1 "$work/rag-raw.wav" "$work/rag-trim.wav" reverse silence 1 0.05 -70d reverse
sox -R "$work/rag-trim.wav" -b 16 "$work/rag.wav" fade t 0 -0 1.5 gain -n -1
lame --quiet --noreplaygain -b 96 -q 2 \
  --tt "Tamberly Rag" --ta "Kestrion" "$work/rag.wav" "Tamberly Rag.mp3"

# --- the poof ---------------------------------------------------------------
# Brown noise through a band around the low mids, a quick rise and a long
# soft decay: a puff of air rather than a hiss. -R keeps the noise repeatable.
sox -R -n -r 44100 -c 1 -b 16 "$work/poof.wav" synth 0.42 brownnoise \
  highpass 100 lowpass 1000 lowpass 1000 \
  fade t 0.012 0.42 0.38 gain -n -6
lame --quiet --noreplaygain -m m -b 64 -q 2 "$work/poof.wav" PoofSound.mp3

# --- the backdrop -----------------------------------------------------------
# Light at the top, a little deeper below: calm, and black text stays legible.
convert -size 430x456 gradient:'#eef2f7-#cdd7e3' -depth 8 -strip \
  -define png:exclude-chunks=date,time Background2.png

ls -l "Tamberly Rag.mp3" PoofSound.mp3 Background2.png
