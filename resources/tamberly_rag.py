#!/usr/bin/env python3
"""Writes "Tamberly Rag" as a standard MIDI file (format 1, two hands).

A short rag in 2/4: a syncopated right hand over an oom-pah left hand, in the
usual rag shape -- a two-bar lead-in, a 16-bar first strain in C, an 8-bar
second strain in F, then the second half of the first strain again and a
closing bar.

    python3 tamberly_rag.py OUT.mid
"""
import struct
import sys

TPQ = 480                 # ticks per quarter note
SIXTEENTH = TPQ // 4
BAR = 8                   # sixteenths in a 2/4 bar
TEMPO_BPM = 100
TITLE = b"Tamberly Rag"

NAMES = {"C": 0, "D": 2, "E": 4, "F": 5, "G": 7, "A": 9, "B": 11}

def pitch(name):
    """'C5' -> 72 (C4 is middle C, 60); accidentals '#' or 'b'."""
    step = NAMES[name[0]]
    rest = name[1:]
    while rest and rest[0] in "#b":
        step += 1 if rest[0] == "#" else -1
        rest = rest[1:]
    return 12 * (int(rest) + 1) + step

CHORDS = {  # pitch classes, root first
    "C": [0, 4, 7], "C7": [0, 4, 7, 10], "F": [5, 9, 0], "Fm": [5, 8, 0],
    "G7": [7, 11, 2, 5], "Bb": [10, 2, 5], "Bbm": [10, 1, 5], "D7": [2, 6, 9, 0],
    "Am": [9, 0, 4], "Dm7": [2, 5, 9, 0], "E7": [4, 8, 11, 2], "A7": [9, 1, 4, 7],
}

# Each bar: the right hand as "note:sixteenths" (r = rest), and the chord of
# each of its two beats ("C" holds for both; "F G7" changes at beat two;
# "F/C" puts C in the bass).
TUNE = [
    # lead-in, over the dominant
    ("G7", "G4:1 Ab4:1 A4:1 B4:2 D5:1 F5:2"),
    ("G7", "E5:1 F5:1 D5:1 B4:1 G4:1 F4:1 D4:2"),
    # first strain, in C
    ("C", "E5:1 G5:2 E5:1 C6:2 G5:2"),
    ("C", "A5:1 G5:2 E5:1 G5:4"),
    ("G7", "F5:1 G5:2 F5:1 D5:2 B4:2"),
    ("G7", "D5:1 F5:2 A5:1 G5:4"),
    ("G7", "B5:1 A5:2 G5:1 F5:2 D5:2"),
    ("G7", "F5:1 E5:2 D5:1 B4:2 G4:2"),
    ("C", "C5:1 E5:2 G5:1 C6:2 E6:2"),
    ("C G7", "D6:1 C6:2 G5:1 C6:4"),
    ("C7", "E5:1 G5:2 Bb5:1 C6:2 Bb5:2"),
    ("C7", "G5:1 E5:2 C5:1 Bb4:4"),
    ("F", "A4:1 C5:2 F5:1 A5:2 F5:2"),
    ("Fm", "Ab5:1 G5:2 F5:1 Ab5:4"),
    ("C/G", "G5:1 E5:2 C5:1 G5:2 E5:2"),
    ("G7", "F5:2 D5:1 B4:1 D5:1 G5:2 F5:1"),
    ("C", "E5:1 C5:2 G4:1 C5:2 E5:1 G5:1"),
    ("C C7", "C6:4 r:2 G5:1 Bb5:1"),
    # second strain, in F
    ("F", "C6:1 A5:2 F5:1 C6:2 A5:2"),
    ("F", "Bb5:1 A5:2 F5:1 C5:4"),
    ("C7", "E5:1 G5:2 C6:1 Bb5:2 G5:2"),
    ("F", "A5:1 F5:2 C5:1 F5:4"),
    ("Bb", "D5:1 F5:2 Bb5:1 D6:2 Bb5:2"),
    ("Bbm", "Db6:1 Bb5:2 F5:1 Db5:4"),
    ("F/C C7", "C5:1 F5:2 A5:1 G5:2 E5:2"),
    ("G7", "B5:1 A5:1 G5:1 F5:1 D5:2 F5:2"),
    # the first strain's second half again
    ("C7", "E5:1 G5:2 Bb5:1 C6:2 Bb5:2"),
    ("C7", "G5:1 E5:2 C5:1 Bb4:4"),
    ("F", "A4:1 C5:2 F5:1 A5:2 F5:2"),
    ("Fm", "Ab5:1 G5:2 F5:1 Ab5:4"),
    ("C/G", "G5:1 E5:2 C5:1 G5:2 E5:2"),
    ("G7", "F5:2 D5:1 B4:1 D5:1 G5:2 F5:1"),
    ("C", "E5:1 C5:2 G4:1 C5:2 E5:1 G5:1"),
]
ENDING = "C"  # one held chord

def parse_chord(symbol):
    name, _, bass = symbol.partition("/")
    tones = CHORDS[name]
    return tones, (NAMES[bass[0]] if bass else tones[0])

def beat_chords(chords):
    parts = chords.split()
    return [parse_chord(parts[0]), parse_chord(parts[-1])]

def in_range(pc, low):
    """The lowest note of pitch class pc at or above `low`."""
    n = low + (pc - low) % 12
    return n

def right_hand(bar_start, text, chords, events):
    t = bar_start
    total = 0
    for token in text.split():
        name, length = token.split(":")
        length = int(length)
        if name != "r":
            n = pitch(name)
            on_beat = (total % 4) == 0
            tied_over = (total % 4) + length > 4
            # Syncopated notes that ring across the beat get the accent.
            vel = 96 if tied_over and not on_beat else (88 if on_beat else 80)
            dur = length * SIXTEENTH
            events.append((t, t + dur - 10, 0, n, vel))
            if length >= 2:
                # A third or sixth below, from the chord, fills out held notes.
                tones, _ = chords[min(total // 4, 1)]
                below = [x for x in range(n - 9, n - 2) if x % 12 in tones]
                if below:
                    events.append((t, t + dur - 10, 0, max(below), vel - 22))
        t += length * SIXTEENTH
        total += length
    if total != BAR:
        raise SystemExit(f"bar at tick {bar_start} has {total} sixteenths: {text}")

def left_hand(bar_start, chords, events):
    for beat in range(2):
        tones, bass = chords[beat]
        t = bar_start + beat * TPQ
        # oom: the root on the first beat, the fifth on the second, in octaves
        if beat == 0 or chords[0] != chords[1]:
            low_pc = bass
        else:
            low_pc = tones[2] if bass == tones[0] else tones[0]
        low = in_range(low_pc, 36)
        half = TPQ // 2
        events.append((t, t + half - 20, 1, low, 84))
        events.append((t, t + half - 20, 1, low + 12, 70))
        # pah: the chord in the middle of the keyboard
        for pc in tones:
            events.append((t + half, t + TPQ - 30, 1, in_range(pc, 53), 60))

def build():
    events = []  # (start, end, track, note, velocity)
    for i, (chords, text) in enumerate(TUNE):
        start = i * BAR * SIXTEENTH
        bc = beat_chords(chords)
        right_hand(start, text, bc, events)
        left_hand(start, bc, events)
    end = len(TUNE) * BAR * SIXTEENTH
    tones, bass = parse_chord(ENDING)
    hold = 2 * TPQ
    for n in (pitch("C6"), pitch("G5"), pitch("E5"), pitch("C5")):
        events.append((end, end + hold, 0, n, 84))
    for n in (in_range(bass, 36), in_range(bass, 36) + 12):
        events.append((end, end + hold, 1, n, 84))
    for pc in tones:
        events.append((end, end + hold, 1, in_range(pc, 53), 64))
    return events

def vlq(n):
    out = [n & 0x7F]
    n >>= 7
    while n:
        out.append(0x80 | (n & 0x7F))
        n >>= 7
    return bytes(reversed(out))

def track(messages):
    """messages: (tick, bytes); returns an MTrk chunk."""
    data = b""
    now = 0
    for tick, msg in sorted(messages, key=lambda m: (m[0], m[1][0] & 0xF0 != 0x80)):
        data += vlq(tick - now) + msg
        now = tick
    data += b"\x00\xff\x2f\x00"
    return b"MTrk" + struct.pack(">I", len(data)) + data

def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "tamberly_rag.mid"
    events = build()
    tempo = 60_000_000 // TEMPO_BPM
    conductor = [
        (0, b"\xff\x03" + vlq(len(TITLE)) + TITLE),
        (0, b"\xff\x58\x04\x02\x02\x18\x08"),                    # 2/4
        (0, b"\xff\x51\x03" + tempo.to_bytes(3, "big")),
    ]
    tracks = [track(conductor)]
    for tr, (channel, program) in enumerate([(0, 0), (1, 0)]):
        msgs = [(0, bytes([0xC0 | channel, program]))]
        for start, end, t, note, vel in events:
            if t != tr:
                continue
            msgs.append((start, bytes([0x90 | channel, note, vel])))
            msgs.append((end, bytes([0x80 | channel, note, 0])))
        tracks.append(track(msgs))
    header = b"MThd" + struct.pack(">IHHH", 6, 1, len(tracks), TPQ)
    with open(out, "wb") as f:
        f.write(header + b"".join(tracks))

if __name__ == "__main__":
    main()
