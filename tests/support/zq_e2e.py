"""End-to-end checks on window pictures, the game's files and the sound
device's WAV recording: `zq_e2e.py COMMAND ARGS...` fails on a failed check."""

import cmath
import ctypes
import itertools
import math
import re
import struct
import subprocess
import sys

SIGNATURE = b"Zorvane Quibbleon v2.0 (Windows Only Version)\0"
DEFAULT_ENTRY = struct.pack("<4i", 0, 1, 0, 0) + b"Zorvane Champion"


def picture(path):
    """Rows of (r, g, b) of a picture ImageMagick can read."""
    ppm = subprocess.run(["convert", path, "-depth", "8", "ppm:-"], check=True, capture_output=True).stdout
    head = re.match(rb"P6\s+(\d+)\s+(\d+)\s+255\s", ppm)
    width, height = int(head.group(1)), int(head.group(2))
    px = ppm[head.end():]
    return [[tuple(px[3 * (y * width + x):3 * (y * width + x) + 3]) for x in range(width)] for y in range(height)]


def read_pcx(path):
    """(width, height, bits, planes), rows of indices, palette."""
    data = open(path, "rb").read()
    assert data[0] == 10 and data[2] == 1 and data[-769] == 0x0C, "not a run-length PCX with a palette"
    xmin, ymin, xmax, ymax = struct.unpack_from("<4H", data, 4)
    width, height, per_line = xmax - xmin + 1, ymax - ymin + 1, struct.unpack_from("<H", data, 66)[0]
    palette = [tuple(data[-768 + 3 * i:-765 + 3 * i]) for i in range(256)]
    rows, at = [], 128
    for _ in range(height):
        line = bytearray()
        while len(line) < per_line * data[65]:
            if data[at] >= 0xC0:
                line.extend([data[at + 1]] * (data[at] & 0x3F))
                at += 2
            else:
                line.append(data[at])
                at += 1
        rows.append(list(line[:width]))
    return (width, height, data[3], data[65]), rows, palette


def near(a, b):
    return max(abs(a[k] - b[k]) for k in range(3)) <= 8


def well(rows):
    """Cells (x, y) with a tile in the well at (40, 40)."""
    return {(x, y) for y in range(20) for x in range(10) if sum(rows[50 + 20 * y][50 + 20 * x]) > 30}


def game_over_shown(rows, white):
    """Each line of the game-over text (G A M E ... Score) in colour 15."""
    lines = [(107, 163, 152), (107, 163, 202), (70, 198, 252), (70, 198, 277), (86, 174, 302)]
    return all(sum(near(rows[yy][x], white) for yy in range(y, y + 8) for x in range(x1, x2)) >= 20
               for x1, x2, y in lines)


def cmd_box(shot):
    cells = well(picture(shot))
    xs, ys = [x for x, _ in cells] or [-1], [y for _, y in cells] or [-1]
    print(min(xs), max(xs), min(ys), max(ys), len(cells))


def cmd_pcx(pcx, shot):
    """640x480, 8 bits, one plane; the window's colours right of the well
    (the element may move between the two); panels of index 0."""
    size, rows, palette = read_pcx(pcx)
    assert size == (640, 480, 8, 1), size
    assert palette[0] == (0, 0, 0), palette[0]
    window = picture(shot)
    bad = [(x, y) for y in range(0, 480, 3) for x in range(260, 640, 3) if not near(palette[rows[y][x]], window[y][x])]
    assert not bad, "%d sampled pixels differ from the window, first %s" % (len(bad), bad[:5])
    assert all(rows[y][x] == 0 for x, y in [(575, 130), (575, 435), (482, 222)])
    assert well([[palette[i] for i in row] for row in rows]) & {(x, 19) for x in range(10)}, "no element at the floor"


def cmd_over(pcx, shot):
    sys.exit(0 if game_over_shown(picture(shot), read_pcx(pcx)[2][15]) else 1)


def cmd_hsc(path, name=None):
    """480 bytes of 15 entries: all defaults, or NAME first over 14 defaults."""
    data = open(path, "rb").read()
    assert len(data) == 480, len(data)
    first = 0 if name is None else 1
    assert data[32 * first:] == DEFAULT_ENTRY * (15 - first), "not default entries"
    if name:
        score, level, lines, pieces = struct.unpack_from("<4i", data)
        assert data[16:32].startswith(name.encode() + b"\0"), data[16:32]
        assert score > 0 and level == 0 and lines >= 1 and pieces >= 2, (score, level, lines, pieces)


def record(path):
    data = open(path, "rb").read()
    assert len(data) == 958 and data[912:] == SIGNATURE, (len(data), data[912:])
    return struct.unpack_from("<228i", data)


def cmd_same_game(a, b):
    ra, rb = record(a), record(b)
    assert ra[:219] == rb[:219] and ra[223:227] == rb[223:227], "the games differ"


def cmd_options_game(path):
    """Stage 3 and four starting rows: delay 49, 30 stage lines, cells in
    the bottom four rows and none between them and the entry rows."""
    words = record(path)
    rows = [any(words[18 + x * 20 + y] for x in range(10)) for y in range(20)]
    assert words[225] == 30 and words[222] == 49 and rows[2:] == [False] * 14 + [True] * 4, words


def cmd_make(path, kind):
    """Saved games: "still" (a square whose fall interval never passes, over
    a patterned floor), "row" (a flat bar over a floor row it completes) and
    "full" (a well full to row 2 that the next element cannot enter)."""
    fill = {"still": lambda x, y: 1 + (x + y) % 8 if y >= 14 and (x + y) % 3 else 0,
            "row": lambda x, y: 2 if y == 19 and not 3 <= x <= 6 else 0,
            "full": lambda x, y: 4 if y >= 2 and x != 0 else 0}[kind]
    bar = [7 if j == 0 else 0 for i in range(4) for j in range(4)]
    square = [3 if i < 2 and j < 2 else 0 for i in range(4) for j in range(4)]
    head = square + [5, 3] if kind == "still" else bar + [3, 7]  # block, next, element
    delay = 2**31 - 1 if kind == "still" else 55
    tail = [3, 0, 2, 2, delay, 1230, 4, 14, 20, 1]  # x y width height delay score lines stage_lines pieces stage
    words = head + [fill(x, y) for x in range(10) for y in range(20)] + tail
    open(path, "wb").write(struct.pack("<228i", *words) + SIGNATURE)


def cmd_close(window):
    """The window manager's close button: a WM_DELETE_WINDOW client message."""
    x, ptr, word = ctypes.CDLL("libX11.so.6"), ctypes.c_void_p, ctypes.c_ulong
    x.XOpenDisplay.restype, x.XInternAtom.restype, x.XInternAtom.argtypes = ptr, word, [ptr, ctypes.c_char_p, ctypes.c_int]
    x.XSendEvent.argtypes, x.XCloseDisplay.argtypes = [ptr, word, ctypes.c_int, ctypes.c_long, ptr], [ptr]
    display = x.XOpenDisplay(None)
    protocols, delete = (x.XInternAtom(display, name, 0) for name in (b"WM_PROTOCOLS", b"WM_DELETE_WINDOW"))
    # An XClientMessageEvent on LP64, one word a field: type ClientMessage (33),
    # serial, send_event, display, window, message_type, format 32, data.
    event = (word * 24)(33, 0, 0, display, int(window), protocols, 32, delete)
    assert x.XSendEvent(display, int(window), 0, 0, event), "not sent"
    x.XCloseDisplay(display)


# --- sound ---

def recording(path, start, end):
    """(rate, channels, values centred on 0) between two byte offsets (file
    sizes seen while it grew)."""
    data = open(path, "rb").read()
    assert data[:4] == b"RIFF" and data[8:12] == b"WAVE", data[:12]
    at, fmt = 12, None
    while data[at:at + 4] != b"data":
        if data[at:at + 4] == b"fmt ":
            fmt = struct.unpack_from("<HHIIHH", data, at + 8)
        at += 8 + struct.unpack_from("<I", data, at + 4)[0]
    tag, channels, rate, _, _, bits = fmt
    assert tag == 1 and bits == 16, fmt
    at += 8
    start = max(at, start - (start - at) % (2 * channels))
    count = (min(end, len(data)) - start) // (2 * channels) * channels
    values = struct.unpack_from("<%dh" % max(0, count), data, start)
    # The library's driver can hand the device unsigned samples under the
    # signed header: silence then sits at the bottom of the range.
    if values and sum(abs(v) for v in values[::97]) / len(values[::97]) > 16384:
        values = [v ^ -32768 for v in values]
    return rate, channels, values


def loudness(path, start, end, seconds):
    """RMS of full scale per window, DC removed: a constant level is silence."""
    rate, channels, values = recording(path, start, end)
    size = int(rate * seconds) * channels
    out = []
    for at in range(0, len(values) - size + 1, size):
        total = 0.0
        for c in range(channels):
            part = values[at + c:at + size:channels]
            mean = sum(part) / len(part)
            total += sum((v - mean) ** 2 for v in part)
        out.append(math.sqrt(total / size) / 32768.0)
    return out


def unpack_lzss(src):
    """The library's packed stream: flag bytes, literals, and (offset,
    length) pairs into a zeroed 4096-byte ring starting at 4078."""
    ring, r, out, at, flags = bytearray(4096), 4078, bytearray(), 0, 0
    while True:
        flags >>= 1
        if not flags & 256:
            if at >= len(src):
                break
            flags, at = src[at] | 0xFF00, at + 1
        if flags & 1:
            if at >= len(src):
                break
            chunk, at = [src[at]], at + 1
        else:
            if at + 1 >= len(src):
                break
            i, count = src[at] | (src[at + 1] & 0xF0) << 4, (src[at + 1] & 0x0F) + 3
            chunk, at = [], at + 2
        for k in range(len(chunk) or count):
            c = chunk[k] if chunk else ring[(i + k) & 4095]
            ring[r], r = c, (r + 1) & 4095
            out.append(c)
    return bytes(out)


def datafile_samples(path):
    """{object index: (rate, [-1..1])} of the sample objects of a datafile."""
    raw = open(path, "rb").read()
    if raw[:4] == b"slh!":
        raw = unpack_lzss(raw[4:])
    assert raw[:4] == b"ALL.", raw[:4]
    at, samples = 8, {}
    for index in range(struct.unpack_from(">I", raw, 4)[0]):
        while raw[at:at + 4] == b"prop":
            at += 12 + struct.unpack_from(">I", raw, at + 8)[0]
        kind, stored = raw[at:at + 4], abs(struct.unpack_from(">i", raw, at + 4)[0])
        body, at = raw[at + 12:at + 12 + stored], at + 12 + stored
        if kind == b"SAMP":
            bits, rate, length = struct.unpack_from(">hHI", body)
            assert bits == 8, bits
            samples[index] = (rate, [(b - 128) / 128.0 for b in body[8:8 + length]])
    return samples


def fft(a, sign=-1):
    n = len(a)
    if n == 1:
        return list(a)
    even, odd = fft(a[0::2], sign), fft(a[1::2], sign)
    twiddled = [cmath.exp(sign * 2j * math.pi * k / n) * odd[k] for k in range(n // 2)]
    return [e + t for e, t in zip(even, twiddled)] + [e - t for e, t in zip(even, twiddled)]


def best_match(wav, start, end, sample_rate, sample):
    """Highest normalised correlation (0..1) of the sample with any stretch
    of the recording between two offsets."""
    rate, channels, values = recording(wav, start, end)
    mono = [sum(values[i:i + channels]) / (32768.0 * channels) for i in range(0, len(values), channels)]
    steps = [k * rate / sample_rate for k in range(int((len(mono) - 1) * sample_rate / rate))]
    heard = [mono[int(t)] + (t - int(t)) * (mono[int(t) + 1] - mono[int(t)]) for t in steps]
    if len(heard) < len(sample):
        return 0.0
    n = 1
    while n < len(heard) + len(sample):
        n <<= 1
    spectrum = fft(heard + [0.0] * (n - len(heard)))
    template = fft(sample + [0.0] * (n - len(sample)))
    correlation = fft([x * y.conjugate() for x, y in zip(spectrum, template)], 1)
    norm = math.sqrt(sum(s * s for s in sample))
    prefix = [0.0] + list(itertools.accumulate(h * h for h in heard))
    energies = [math.sqrt(max(0.0, prefix[at + len(sample)] - prefix[at])) for at in range(len(heard) - len(sample) + 1)]
    return max([correlation[at].real / n / (e * norm) for at, e in enumerate(energies) if e > 1e-6], default=0.0)


def cmd_layout(wav):
    rate, channels, _ = recording(wav, 0, 0)
    print(rate * channels * 2)


def cmd_effects(dat, wav, *spans):
    """The click between the first two offsets (and not before them), the
    row sample after a removing drop and not after a placing one."""
    quiet, click_from, click_to, placed_from, placed_to, row_from, row_to = map(int, spans)
    samples = datafile_samples(dat)
    click, row = samples[13], (samples[16][0], samples[16][1][:samples[16][0] * 3 // 10])
    levels = [best_match(wav, a, b, *s) for a, b, s in
              [(quiet, click_from, click), (click_from, click_to, click),
               (placed_from, placed_to, row), (row_from, row_to, row)]]
    print("click: quiet %.2f pressed %.2f; row sample: placed %.2f removed %.2f" % tuple(levels))
    assert levels[1] > 0.8 and levels[0] < 0.3, "the button click was not heard (alone)"
    assert levels[3] > 0.6 and levels[2] < levels[3] - 0.2, "the row sample was not heard (alone)"


def cmd_music(wav, per_second, *spans):
    """Silence (a stopped mixer: RMS 0) on the title and for a second from the
    game-over text on; music (RMS about 0.035) in every second of a game."""
    per_second = int(per_second)
    title_from, title_to, play_from, play_to, last_playing, over_at, over_to = map(int, spans)
    assert max(loudness(wav, title_from, title_to, 0.1)) < 0.0001, "the title is not silent"
    game = loudness(wav, play_from, play_to, 1.0)
    print("game, RMS per second:", " ".join("%.4f" % v for v in game))
    assert len(game) >= 4 and min(game) >= 0.005, "no music in some second of the game"
    tail = loudness(wav, play_to, over_to, 0.1)
    onset = len(tail)
    while onset > 0 and tail[onset - 1] < 0.0001:
        onset -= 1
    silent_from = play_to + onset * int(per_second * 0.1)
    print("silent from %+.2f s of the game-over picture, for %.2f s"
          % ((silent_from - over_at) / per_second, (len(tail) - onset) / 10))
    # The window shows a drawing a little after it is made.
    assert last_playing <= silent_from <= over_at + per_second // 2, "silence not at game over"
    assert len(tail) - onset >= 10, "silent for under a second"


def cmd_heard(wav, start, end):
    """"silence" when every frame between two offsets is alike."""
    rate, channels, values = recording(wav, int(start), int(end))
    assert len(values) > rate * channels, "too little was recorded"
    print("silence" if len({tuple(values[i:i + channels]) for i in range(0, len(values), channels)}) == 1 else "sound")


if __name__ == "__main__":
    globals()["cmd_" + sys.argv[1]](*sys.argv[2:])
