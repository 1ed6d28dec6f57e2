"""A player for the end-to-end tests: reads the well from pictures of the
window, chooses where each element goes, and types the keys, until a
placement removes a row."""

import subprocess
import time

from zq_pictures import read_picture, well_cells

# Rotation 0 of every form, as (i, j) block cells; elements 7 and 8 share one.
ENTRY = {
    1: {(1, 0), (2, 0), (0, 1), (1, 1)},
    2: {(0, 0), (1, 0), (1, 1), (2, 1)},
    3: {(0, 0), (1, 0), (0, 1), (1, 1)},
    4: {(1, 0), (0, 1), (1, 1), (2, 1)},
    5: {(2, 0), (0, 1), (1, 1), (2, 1)},
    6: {(0, 0), (0, 1), (1, 1), (2, 1)},
    7: {(0, 0), (1, 0), (2, 0), (3, 0)},
}


def normalised(cells):
    min_i = min(i for i, _ in cells)
    min_j = min(j for _, j in cells)
    return {(i - min_i, j - min_j) for i, j in cells}


def turned(cells):
    """A quarter turn clockwise about the top-left corner, as the game turns."""
    height = max(j for _, j in cells) + 1
    return normalised({(height - 1 - j, i) for i, j in cells})


def form_of(cells):
    shape = normalised(cells)
    for form, entry in ENTRY.items():
        if entry == shape:
            return form
    return None


def fits(board, cells, x, y):
    return all(0 <= x + i < 10 and 0 <= y + j < 20 and (x + i, y + j) not in board for i, j in cells)


def land(board, cells, x, y):
    while fits(board, cells, x, y + 1):
        y += 1
    placed = set(board) | {(x + i, y + j) for i, j in cells}
    full = [row for row in range(1, 20) if all((c, row) in placed for c in range(10))]
    for row in sorted(full):
        placed = {(c, r + 1) if r < row else (c, r) for c, r in placed if r != row}
    return placed, len(full)


def rating(board, cleared):
    heights = [20 - min([r for c, r in board if c == column], default=20) for column in range(10)]
    holes = sum(1 for c, r in [(c, r) for c in range(10) for r in range(20)]
                if (c, r) not in board and 20 - r < heights[c])
    bumps = sum(abs(heights[k] - heights[k + 1]) for k in range(9))
    return 0.76 * cleared - 0.51 * sum(heights) - 0.36 * holes - 0.18 * bumps


def choose(board, form, x, y):
    """(turns, target column, board after, rows removed) of the best placement."""
    best = None
    cells = ENTRY[form]
    for turns in range(4):
        if not fits(board, cells, x, y):
            break
        for target in range(-3, 10):
            step = 1 if target > x else -1
            column = x
            while column != target and fits(board, cells, column + step, y):
                column += step
            if column != target:
                continue
            after, cleared = land(board, cells, column, y)
            score = rating(after, cleared)
            if best is None or score > best[0]:
                best = (score, turns, target, after, cleared)
        cells = turned(cells)
    return best[1:]


class Player:
    def __init__(self, window, picture_path, size_of_recording):
        self.window = window
        self.picture = picture_path
        self.size_of_recording = size_of_recording
        self.board = set()

    def cells(self):
        subprocess.run(["import", "-window", self.window, self.picture], check=True, capture_output=True)
        grid = well_cells(read_picture(self.picture)[2])
        return {(x, y) for y, line in enumerate(grid) for x, c in enumerate(line) if c == "#"}

    def falling(self, timeout=10.0):
        """The cells of the element now falling, once it stands clear of the stack."""
        deadline = time.time() + timeout
        while time.time() < deadline:
            seen = self.cells()
            extra = seen - self.board
            if len(extra) == 4 and self.board <= seen and form_of(extra):
                return extra
            time.sleep(0.05)
        raise AssertionError("no falling element found; board %s" % sorted(self.board))

    def keys(self, *names):
        if names:
            subprocess.run(["xdotool", "key", "--delay", "40"] + list(names), check=True)

    def place_one(self):
        """Places the falling element; returns (recording offset before the
        drop, rows removed)."""
        element = self.falling()
        form = form_of(element)
        x = min(c for c, _ in element)
        y = min(r for _, r in element)
        turns, target, after, cleared = choose(self.board, form, x, y)
        self.keys(*(["Up"] * turns))
        self.keys(*(["Left"] * (x - target) if target < x else ["Right"] * (target - x)))
        start = self.size_of_recording()
        self.keys("space")
        deadline = time.time() + 10
        while time.time() < deadline:
            seen = self.cells()
            if after <= seen and len(seen - after) in (0, 4) and all(r <= 3 for _, r in seen - after):
                self.board = after
                return start, cleared
            time.sleep(0.05)
        raise AssertionError("the element did not land where expected")
