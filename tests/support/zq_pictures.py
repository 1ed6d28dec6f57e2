"""Reading the game's pictures for the end-to-end tests: window pictures
(any format ImageMagick reads, through a PPM) and the game's own PCX
screenshots, decoded here byte by byte."""

import struct
import subprocess


def read_picture(path):
    """(width, height, rows of (r, g, b)) of a picture ImageMagick can read."""
    ppm = subprocess.run(["convert", path, "-depth", "8", "ppm:-"], check=True, capture_output=True).stdout
    fields = []
    position = 0
    while len(fields) < 4:
        while ppm[position:position + 1].isspace():
            position += 1
        if ppm[position:position + 1] == b"#":
            position = ppm.index(b"\n", position)
            continue
        end = position
        while not ppm[end:end + 1].isspace():
            end += 1
        fields.append(ppm[position:end])
        position = end
    assert fields[0] == b"P6", fields[0]
    width, height = int(fields[1]), int(fields[2])
    pixels = ppm[position + 1:]
    rows = [[tuple(pixels[3 * (y * width + x):3 * (y * width + x) + 3]) for x in range(width)]
            for y in range(height)]
    return width, height, rows


def read_pcx(path):
    """(header fields, rows of palette indices, palette of 256 (r, g, b))
    of an 8-bit single-plane PCX file."""
    data = open(path, "rb").read()
    assert len(data) > 128 + 769, len(data)
    manufacturer, version, encoding, bits = data[0], data[1], data[2], data[3]
    xmin, ymin, xmax, ymax = struct.unpack_from("<4H", data, 4)
    planes = data[65]
    bytes_per_line = struct.unpack_from("<H", data, 66)[0]
    header = dict(manufacturer=manufacturer, version=version, encoding=encoding, bits=bits,
                  width=xmax - xmin + 1, height=ymax - ymin + 1, planes=planes,
                  bytes_per_line=bytes_per_line)
    assert data[-769] == 0x0C, "no 256-colour palette at the end"
    palette = [tuple(data[-768 + 3 * i:-768 + 3 * i + 3]) for i in range(256)]
    rows = []
    position = 128
    for _ in range(header["height"]):
        line = bytearray()
        while len(line) < bytes_per_line * planes:
            byte = data[position]
            position += 1
            if byte >= 0xC0:
                line.extend([data[position]] * (byte & 0x3F))
                position += 1
            else:
                line.append(byte)
        rows.append(list(line[:header["width"]]))
    return header, rows, palette


def well_cells(rows):
    """The 10x20 well as strings of '#' (a cell with a tile) and '.', read
    from the centre pixel of each 20x20 cell whose well starts at (40, 40)."""
    grid = []
    for y in range(20):
        line = ""
        for x in range(10):
            pixel = rows[40 + 20 * y + 10][40 + 20 * x + 10]
            line += "#" if sum(pixel) > 30 else "."
        grid.append(line)
    return grid


def occupied(grid):
    return [(x, y) for y, line in enumerate(grid) for x, c in enumerate(line) if c == "#"]
