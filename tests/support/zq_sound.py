"""Hearing the game in the end-to-end tests: the samples as stored in
zorvane.dat (a packed datafile, unpacked here), the recording the sound
device wrote, and where in a recording a sample sounds."""

import cmath
import math
import struct


def _unpack_lzss(data):
    """The game library's packed stream: flag bytes, literals, and (offset,
    length) pairs into a 4096-byte ring that starts zeroed at 4078."""
    ring = bytearray(4096)
    r = 4096 - 18
    out = bytearray()
    position = 0
    flags = 0
    while True:
        flags >>= 1
        if not flags & 256:
            if position >= len(data):
                break
            flags = data[position] | 0xFF00
            position += 1
        if flags & 1:
            if position >= len(data):
                break
            c = data[position]
            position += 1
            ring[r] = c
            r = (r + 1) & 4095
            out.append(c)
        else:
            if position + 1 >= len(data):
                break
            i, j = data[position], data[position + 1]
            position += 2
            i |= (j & 0xF0) << 4
            j = (j & 0x0F) + 2
            for k in range(j + 1):
                c = ring[(i + k) & 4095]
                ring[r] = c
                r = (r + 1) & 4095
                out.append(c)
    return bytes(out)


def _id(text):
    return struct.unpack(">I", text.encode())[0]


def datafile_samples(path):
    """{object index: (rate, [-1..1 floats])} of every sample object."""
    raw = open(path, "rb").read()
    if raw[:4] == b"slh!":
        raw = _unpack_lzss(raw[4:])
    assert raw[:4] == b"ALL.", raw[:4]
    count = struct.unpack_from(">I", raw, 4)[0]
    position = 8
    samples = {}
    for index in range(count):
        while True:
            kind = struct.unpack_from(">I", raw, position)[0]
            position += 4
            if kind != _id("prop"):
                break
            size = struct.unpack_from(">I", raw, position + 4)[0]
            position += 8 + size
        stored, _ = struct.unpack_from(">ii", raw, position)
        position += 8
        body = raw[position:position + abs(stored)]
        position += abs(stored)
        if kind == _id("SAMP"):
            bits, rate, length = struct.unpack_from(">hHI", body, 0)
            assert bits == 8, bits
            samples[index] = (rate, [(b - 128) / 128.0 for b in body[8:8 + length]])
    return samples


def recording(path, start, end):
    """(rate, mono floats) of the WAV recording between two byte offsets of
    its data (offsets as the file's size grew)."""
    data = open(path, "rb").read()
    assert data[:4] == b"RIFF" and data[8:12] == b"WAVE", data[:12]
    position = 12
    channels = rate = bits = None
    while position + 8 <= len(data):
        name, size = data[position:position + 4], struct.unpack_from("<I", data, position + 4)[0]
        if name == b"fmt ":
            _, channels, rate, _, _, bits = struct.unpack_from("<HHIIHH", data, position + 8)
        if name == b"data":
            position += 8
            break
        position += 8 + size
    assert bits == 16, bits
    frame = 2 * channels
    start = max(position, start - (start - position) % frame)
    end = min(len(data), end)
    values = struct.unpack("<%dh" % ((end - start) // 2), data[start:start + (end - start) // 2 * 2])
    # The game library's sound driver hands the device unsigned 16-bit
    # samples, which the recording keeps under a signed header: silence then
    # sits at the bottom of the range. Move such data back around 0.
    if values and sum(abs(v) for v in values) / len(values) > 16384:
        values = [v ^ -32768 for v in values]
    mono = [sum(values[i:i + channels]) / (32768.0 * channels) for i in range(0, len(values) - channels + 1, channels)]
    return rate, mono


def _resample(values, rate, target):
    step = rate / target
    out = []
    t = 0.0
    while t < len(values) - 1:
        i = int(t)
        f = t - i
        out.append(values[i] * (1 - f) + values[i + 1] * f)
        t += step
    return out


def _fft(values, inverse=False):
    n = len(values)
    a = list(values)
    j = 0
    for i in range(1, n):
        bit = n >> 1
        while j & bit:
            j ^= bit
            bit >>= 1
        j |= bit
        if i < j:
            a[i], a[j] = a[j], a[i]
    length = 2
    sign = 1 if inverse else -1
    while length <= n:
        w_step = cmath.exp(sign * 2j * math.pi / length)
        half = length // 2
        for start in range(0, n, length):
            w = 1
            for k in range(start, start + half):
                u, v = a[k], a[k + half] * w
                a[k], a[k + half] = u + v, u - v
                w *= w_step
        length <<= 1
    return a


def best_match(heard, heard_rate, sample, sample_rate, seconds=None):
    """The highest normalised correlation (0..1) of the sample, or of its
    first `seconds`, against any stretch of what was heard."""
    if seconds is not None:
        sample = sample[:int(seconds * sample_rate)]
    heard = _resample(heard, heard_rate, sample_rate)
    if len(heard) < len(sample):
        return 0.0
    n = 1
    while n < len(heard) + len(sample):
        n <<= 1
    spectrum = _fft(heard + [0.0] * (n - len(heard)))
    template = _fft(sample + [0.0] * (n - len(sample)))
    product = [x * y.conjugate() for x, y in zip(spectrum, template)]
    correlation = [c.real / n for c in _fft(product, inverse=True)]
    template_energy = math.sqrt(sum(s * s for s in sample))
    prefix = [0.0]
    for h in heard:
        prefix.append(prefix[-1] + h * h)
    best = 0.0
    for offset in range(len(heard) - len(sample) + 1):
        energy = math.sqrt(prefix[offset + len(sample)] - prefix[offset])
        if energy > 1e-6 and template_energy > 0:
            best = max(best, correlation[offset] / (energy * template_energy))
    return best
