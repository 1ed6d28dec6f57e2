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
import tempfile
import wave

SIGNATURE = b"Zorvane Quibbleon v2.0 (Windows Only Version)\0"
DEFAULT_ENTRY = struct.pack("<4i", 0, 1, 0, 0) + b"Zorvane Champion"


def run(*command):
    return subprocess.run(command, check=True, capture_output=True, stdin=subprocess.DEVNULL).stdout


def picture(path):
    """Rows of (r, g, b) of a picture ImageMagick can read."""
    ppm = run("convert", path, "-depth", "8", "ppm:-")
    head = re.match(rb"P6\s+(\d+)\s+(\d+)\s+255\s", ppm)
    width, height, px = int(head.group(1)), int(head.group(2)), ppm[head.end():]
    pixels = [tuple(px[at:at + 3]) for at in range(0, 3 * width * height, 3)]
    return [pixels[y * width:(y + 1) * width] for y in range(height)]


def pcx_palette(path):
    """The palette of a run-length PCX of 640x480, 8 bits in one plane."""
    data = open(path, "rb").read()
    head = (data[0], data[2], data[3], data[65], struct.unpack_from("<4H", data, 4), data[-769])
    assert head == (10, 1, 8, 1, (0, 0, 639, 479), 12), head
    return [tuple(data[at:at + 3]) for at in range(len(data) - 768, len(data), 3)]


def near(a, b):
    return max(abs(a[k] - b[k]) for k in range(3)) <= 8


def well(rows):
    """Cells (x, y) with a tile in the well at (40, 40)."""
    return {(x, y) for y in range(20) for x in range(10)
            if sum(rows[50 + 20 * y][50 + 20 * x]) > 30}


def cmd_box(shot):
    cells = well(picture(shot))
    xs, ys = [x for x, _ in cells] or [-1], [y for _, y in cells] or [-1]
    print(min(xs), max(xs), min(ys), max(ys), len(cells))


def cmd_pcx(pcx, shot):
    """Colour 0 black; the window's colours right of the well (the element
    may move between the two); an element at the floor."""
    assert pcx_palette(pcx)[0] == (0, 0, 0), "colour 0 is not black"
    saved, window = picture(pcx), picture(shot)
    bad = [(x, y) for y in range(0, 480, 3) for x in range(260, 640, 3)
           if not near(saved[y][x], window[y][x])]
    assert not bad, "%d sampled pixels differ from the window, first %s" % (len(bad), bad[:5])
    assert well(saved) & {(x, 19) for x in range(10)}, "no element at the floor"


def cmd_over(pcx, shot):
    """Each line of the game-over text (G A M E ... Score) in colour 15."""
    rows, white = picture(shot), pcx_palette(pcx)[15]
    lines = [(107, 163, 152), (107, 163, 202), (70, 198, 252), (70, 198, 277), (86, 174, 302)]
    shown = [sum(near(rows[yy][x], white) for yy in range(y, y + 8) for x in range(x1, x2)) >= 20
             for x1, x2, y in lines]
    sys.exit(0 if all(shown) else 1)


def cmd_hsc(path, name=None):
    """480 bytes of 15 entries: all defaults, or NAME first over 14 defaults."""
    data = open(path, "rb").read()
    first = 0 if name is None else 1
    assert data[32 * first:] == DEFAULT_ENTRY * (15 - first), "not %d defaults" % (15 - first)
    if name:
        score, level, lines, pieces = struct.unpack_from("<4i", data)
        assert data[16:32].startswith(name.encode() + b"\0"), data[16:32]
        assert score > 0 and level == 0, (score, level)
        assert lines >= 1 and pieces >= 2, (lines, pieces)


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
    assert (words[225], words[222]) == (30, 49), (words[225], words[222])
    assert rows[2:] == [False] * 14 + [True] * 4, rows


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
    # x, y, width, height, delay, score, lines, stage lines, pieces, stage
    tail = [3, 0, 2, 2, delay, 1230, 4, 14, 20, 1]
    words = head + [fill(x, y) for x in range(10) for y in range(20)] + tail
    open(path, "wb").write(struct.pack("<228i", *words) + SIGNATURE)


def cmd_close(window):
    """The window manager's close button: a WM_DELETE_WINDOW client message."""
    x, ptr, word = ctypes.CDLL("libX11.so.6"), ctypes.c_void_p, ctypes.c_ulong
    x.XOpenDisplay.restype, x.XInternAtom.restype = ptr, word
    x.XInternAtom.argtypes = [ptr, ctypes.c_char_p, ctypes.c_int]
    x.XSendEvent.argtypes = [ptr, word, ctypes.c_int, ctypes.c_long, ptr]
    x.XCloseDisplay.argtypes = [ptr]
    display = x.XOpenDisplay(None)
    protocols, delete = (x.XInternAtom(display, a, 0)
                         for a in (b"WM_PROTOCOLS", b"WM_DELETE_WINDOW"))
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
    tag, channels, rate, _, _, bits = struct.unpack_from("<HHIIHH", data, data.index(b"fmt ") + 8)
    assert (tag, bits) == (1, 16), (tag, bits)
    at = data.index(b"data") + 8
    start = max(at, start - (start - at) % (2 * channels))
    count = (min(end, len(data)) - start) // (2 * channels) * channels
    values = struct.unpack_from("<%dh" % max(0, count), data, start)
    # The library's driver can hand the device unsigned samples under the
    # signed header: silence then sits at the bottom of the range.
    if values and sum(abs(v) for v in values[::97]) / len(values[::97]) > 16384:
        values = [v ^ -32768 for v in values]
    return rate, channels, values


def frames(values, channels):
    return [tuple(values[at:at + channels]) for at in range(0, len(values), channels)]


def loudness(path, start, end, seconds):
    """RMS of full scale per window, DC removed: a constant level is silence."""
    rate, channels, values = recording(path, start, end)
    size = int(rate * seconds) * channels
    windows = [values[at:at + size] for at in range(0, len(values) - size + 1, size)]
    return [math.sqrt(sum(spread(w[c::channels]) for c in range(channels)) / size) / 32768.0
            for w in windows]


def spread(part):
    """Sum of squared distances from the mean."""
    mean = sum(part) / len(part)
    return sum((v - mean) ** 2 for v in part)


def datafile_sample(dat, name):
    """(rate, [-1..1]) of a sample object, through the library's datafile tool."""
    with tempfile.TemporaryDirectory() as folder:
        run("dat", "-e", "-o", folder + "/", dat, name)
        with wave.open("%s/%s.wav" % (folder, name)) as w:
            assert w.getsampwidth() == 1, w.getsampwidth()
            return w.getframerate(), [(b - 128) / 128.0 for b in w.readframes(w.getnframes())]


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
    mono = [sum(frame) / (32768.0 * channels) for frame in frames(values, channels)]
    steps = [k * rate / sample_rate for k in range(int((len(mono) - 1) * sample_rate / rate))]
    heard = [mono[int(t)] + (t - int(t)) * (mono[int(t) + 1] - mono[int(t)]) for t in steps]
    if len(heard) < len(sample):
        return 0.0
    n = 1 << (len(heard) + len(sample)).bit_length()
    spectrum, template = (fft(s + [0.0] * (n - len(s))) for s in (heard, sample))
    correlation = fft([x * y.conjugate() for x, y in zip(spectrum, template)], 1)
    norm = math.sqrt(sum(s * s for s in sample))
    prefix = [0.0] + list(itertools.accumulate(h * h for h in heard))
    energies = [math.sqrt(max(0.0, prefix[at + len(sample)] - prefix[at]))
                for at in range(len(heard) - len(sample) + 1)]
    return max([correlation[at].real / n / (e * norm) for at, e in enumerate(energies) if e > 1e-6],
               default=0.0)


def cmd_effects(dat, wav, *spans):
    """The click between the first two offsets (and not before them), the
    row sample after a removing drop and not after a placing one."""
    quiet, click_from, click_to, placed_from, placed_to, row_from, row_to = map(int, spans)
    click, (rate, row) = datafile_sample(dat, "SND_CLICK"), datafile_sample(dat, "SND_ROW")
    row = (rate, row[:rate * 3 // 10])
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
    silent = len(list(itertools.takewhile(lambda v: v < 0.0001, reversed(tail))))
    silent_from = play_to + (len(tail) - silent) * int(per_second * 0.1)
    print("silent from %+.2f s of the game-over picture, for %.2f s"
          % ((silent_from - over_at) / per_second, silent / 10))
    # The window shows a drawing a little after it is made.
    assert last_playing <= silent_from <= over_at + per_second // 2, "silence not at game over"
    assert silent >= 10, "silent for under a second"


def cmd_heard(wav, start, end):
    """"silence" when every frame between two offsets is alike."""
    rate, channels, values = recording(wav, int(start), int(end))
    assert len(values) > rate * channels, "too little was recorded"
    print("silence" if len(set(frames(values, channels))) == 1 else "sound")


if __name__ == "__main__":
    globals()["cmd_" + sys.argv[1]](*sys.argv[2:])
