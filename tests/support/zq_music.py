"""Loudness of the sound device's WAV recording for the end-to-end tests:
where its data starts, how many bytes make a second, and how loud each
stretch between two byte offsets (file sizes seen while it grew) is; and a
game dropped to its end while the recording grows.

Run as a program: `zq_music.py layout WAV` prints the data offset, the
bytes per second and the bytes per frame; `zq_music.py loudness WAV FROM TO
SECONDS` prints the RMS (0..1 of full scale) of every whole window of
SECONDS between two byte offsets; `zq_music.py drop WINDOW PCX PICTURE WAV`
plays the game to its end and prints the two offsets that
`drop_until_game_over` returns."""

import array
import math
import os
import struct
import subprocess
import sys
import time

from zq_pictures import read_pcx, read_picture


def layout(path):
    """(data offset, rate, channels, bits) from the WAV header. The device
    writes its header before any data, with the sizes still unknown."""
    with open(path, "rb") as wav:
        head = wav.read(4096)
    if head[:4] != b"RIFF" or head[8:12] != b"WAVE":
        raise ValueError("not a WAV recording: %r" % head[:12])
    position = 12
    fmt = None
    while position + 8 <= len(head):
        name = head[position:position + 4]
        size = struct.unpack_from("<I", head, position + 4)[0]
        if name == b"fmt ":
            tag, channels, rate, _, _, bits = struct.unpack_from("<HHIIHH", head, position + 8)
            fmt = (tag, channels, rate, bits)
        if name == b"data":
            if fmt is None:
                raise ValueError("the recording has no format before its data")
            tag, channels, rate, bits = fmt
            if tag != 1 or bits != 16 or channels < 1 or rate < 1000:
                raise ValueError("unexpected recording format %r" % (fmt,))
            return position + 8, rate, channels, bits
        position += 8 + size
    raise ValueError("the recording has no data chunk")


def frames(path, start, end):
    """(rate, channels, signed 16-bit values interleaved) of the whole
    frames between two byte offsets of the file."""
    data_at, rate, channels, _ = layout(path)
    frame = 2 * channels
    start = max(data_at, start - (start - data_at) % frame)
    with open(path, "rb") as wav:
        wav.seek(start)
        raw = wav.read(max(0, end - start))
    raw = raw[:len(raw) // frame * frame]
    values = array.array("h")
    values.frombytes(raw)
    if sys.byteorder != "little":
        values.byteswap()
    return rate, channels, values


def _centred(values):
    """The values around 0. The game library's sound driver can hand the
    device unsigned samples under the recording's signed header; silence
    then lies at the bottom of the range and every sample is far from 0."""
    if values and sum(abs(v) for v in values[::97]) / len(values[::97]) > 16384:
        return array.array("h", (v ^ -32768 for v in values))
    return values


def loudness(path, start, end, seconds):
    """The RMS, as a fraction of full scale, of each whole window of
    `seconds` between two byte offsets, with the window's own DC removed
    (a constant level is silence, whatever it is)."""
    rate, channels, values = frames(path, start, end)
    values = _centred(values)
    size = int(rate * seconds) * channels
    out = []
    for at in range(0, len(values) - size + 1, size):
        window = values[at:at + size]
        total = 0.0
        for channel in range(channels):
            part = window[channel::channels]
            mean = sum(part) / len(part)
            total += sum((v - mean) * (v - mean) for v in part)
        out.append(math.sqrt(total / len(window)) / 32768.0)
    return out


# Where each line of the game-over text lies: (x from, x to, y of the top).
GAME_OVER_LINES = {"G A M E": (107, 163, 152), "O V E R": (107, 163, 202),
                   "Press <Enter> to": (70, 198, 252), "start over again": (70, 198, 277),
                   "Score": (86, 174, 302)}


def game_over_shown(rows, white):
    """Whether every line of the game-over text stands in the picture, in
    the palette's colour 15 (`white`)."""
    def count(x1, x2, y):
        return sum(1 for yy in range(y, y + 8) for x in range(x1, x2)
                   if max(abs(rows[yy][x][k] - white[k]) for k in range(3)) <= 8)
    return all(count(x1, x2, y) >= 20 for x1, x2, y in GAME_OVER_LINES.values())


def drop_until_game_over(window, screenshot, picture, sound, attempts=200):
    """Drops element after element with Space, which removes no rows (every
    element stays in the entry columns), until the game-over text shows.
    Returns (recording size before the last picture without the text,
    recording size before the picture with it)."""
    white = read_pcx(screenshot)[2][15]
    before = os.path.getsize(sound)
    for _ in range(attempts):
        subprocess.run(["xdotool", "key", "space"], check=True)
        time.sleep(0.25)
        at = os.path.getsize(sound)
        subprocess.run(["import", "-window", window, picture], check=True, capture_output=True)
        if game_over_shown(read_picture(picture)[2], white):
            return before, at
        before = at
    raise AssertionError("the game did not end after %d drops" % attempts)


def main(argv):
    if len(argv) == 2 and argv[0] == "layout":
        data_at, rate, channels, bits = layout(argv[1])
        print(data_at, rate * channels * bits // 8, channels * bits // 8)
    elif len(argv) == 5 and argv[0] == "loudness":
        print(" ".join("%.6f" % level for level in loudness(argv[1], int(argv[2]), int(argv[3]), float(argv[4]))))
    elif len(argv) == 5 and argv[0] == "drop":
        print(*drop_until_game_over(*argv[1:]))
    else:
        sys.exit("usage: zq_music.py layout WAV | loudness WAV FROM TO SECONDS | drop WINDOW PCX PICTURE WAV")


if __name__ == "__main__":
    main(sys.argv[1:])
