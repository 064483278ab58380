#!/usr/bin/python3
"""The board grows and shrinks with its window, under Xvfb with the real mouse.

    board_scale_test.py PROGRAM PICTURE_FOLDER

PROGRAM is rvboard-window. Its window is resized (by the X server, as a window manager
does) to the smallest board, a middle one and the largest; at each size the board's
extent is measured on a screenshot, a piece is dragged with the real mouse to a square
found from that measurement, and screenshots are left in PICTURE_FOLDER for a person to
look at. A second run at a device pixel ratio of 2 leaves one more screenshot.
"""
import os
import queue
import subprocess
import sys
import threading
import time

TIMEOUT = 60.0
# Window sizes for the smallest squares (30), a middle size and the largest squares (160).
SIZES = [(484, 640), (900, 760), (1600, 1480)]
MOVES = ["e2e4", "e7e5", "g1f3"]
RIGHT_PANEL = 230
BOTTOM_PANEL = 96
# The "Best Green" squares' base colours; their grain stays within a few steps of them.
SQUARE_COLOURS = [(236, 236, 208), (112, 148, 82)]
GRAIN = 10


def fail(message):
    print("FAIL:", message)
    sys.exit(1)


class Program:
    def __init__(self, path, extra_env=None):
        env = dict(os.environ, ROOKVALE_AD_HOST="http://127.0.0.1:9", **(extra_env or {}))
        self.process = subprocess.Popen([path, "--watch"], stdout=subprocess.PIPE, text=True,
                                        env=env)
        self.lines = queue.Queue()
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for line in self.process.stdout:
            self.lines.put(line.strip())

    def wait_line(self, prefix, wanted=None):
        """The next line that starts with `prefix` (and equals `wanted` when given)."""
        deadline = time.monotonic() + TIMEOUT
        while time.monotonic() < deadline:
            try:
                line = self.lines.get(timeout=0.5)
            except queue.Empty:
                if self.process.poll() is not None:
                    fail("the window ended early")
                continue
            if line.startswith(prefix) and (wanted is None or line == wanted):
                return line
        fail("timed out waiting for %r" % (wanted or prefix))

    def settled_square(self):
        """The square size reported once no further resize follows for a second."""
        line = self.wait_line("board ")
        while True:
            try:
                later = self.lines.get(timeout=1.0)
            except queue.Empty:
                return int(line.split()[1])
            if later.startswith("board "):
                line = later

    def end(self):
        self.process.terminate()
        self.process.wait(timeout=10)


def xdotool(*args):
    return subprocess.run(["xdotool", *map(str, args)], check=True, capture_output=True,
                          text=True).stdout


def window_of(title):
    deadline = time.monotonic() + TIMEOUT
    while time.monotonic() < deadline:
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^%s$" % title],
                               capture_output=True, text=True).stdout.split()
        if found:
            return found[0]
        time.sleep(0.2)
    fail("no window named " + title)


def window_origin(window):
    values = dict(line.split("=") for line in xdotool("getwindowgeometry", "--shell", window).split())
    return int(values["X"]), int(values["Y"])


def screenshot(window, path):
    subprocess.run(["import", "-window", window, path], check=True)
    size = subprocess.run(["identify", "-format", "%w %h", path], check=True,
                          capture_output=True, text=True).stdout.split()
    pixels = subprocess.run(["convert", path, "-depth", "8", "rgb:-"], check=True,
                            capture_output=True).stdout
    return int(size[0]), int(size[1]), pixels


def board_extent(width, height, pixels, ratio=1):
    """The bounding box (left, top, right, bottom) of the square-coloured pixels of the
    board panel, as seen on a screenshot of `ratio` device pixels per pixel."""
    panel_width = width - ratio * RIGHT_PANEL
    panel_height = height - ratio * BOTTOM_PANEL
    left, top, right, bottom = width, height, -1, -1
    for y in range(min(panel_height, height)):
        row = pixels[3 * width * y:3 * width * (y + 1)]
        for x in range(min(panel_width, width)):
            r, g, b = row[3 * x], row[3 * x + 1], row[3 * x + 2]
            for base in SQUARE_COLOURS:
                if abs(r - base[0]) <= GRAIN and abs(g - base[1]) <= GRAIN and abs(b - base[2]) <= GRAIN:
                    left, top = min(left, x), min(top, y)
                    right, bottom = max(right, x), max(bottom, y)
                    break
    if right < 0:
        fail("no board on the screenshot")
    return left, top, right, bottom


def drag(origin, extent, move):
    """Drags with the real mouse from the centre of one square to another, both found from
    the board's measured extent."""
    left, top, right, _ = extent
    square = (right - left + 1) / 8.0

    def centre(name):
        file, rank = ord(name[0]) - ord("a"), int(name[1])
        return (int(origin[0] + left + square * (file + 0.5)),
                int(origin[1] + top + square * (8 - rank + 0.5)))

    (x1, y1), (x2, y2) = centre(move[:2]), centre(move[2:])
    xdotool("mousemove", x1, y1)
    time.sleep(0.3)
    xdotool("mousedown", 1)
    time.sleep(0.3)
    for step in range(1, 9):
        xdotool("mousemove", x1 + (x2 - x1) * step // 8, y1 + (y2 - y1) * step // 8)
        time.sleep(0.1)
    time.sleep(0.3)
    xdotool("mouseup", 1)


def test_sizes(program_path, folder):
    program = Program(program_path)
    try:
        program.wait_line("board ")
        window = window_of("Game Board")
        squares = []
        for index, ((width, height), move) in enumerate(zip(SIZES, MOVES)):
            xdotool("windowsize", window, width, height)
            square = program.settled_square()
            shot_width, shot_height, pixels = screenshot(window, os.path.join(
                folder, "scale-%d-%dx%d-before.png" % (index + 1, width, height)))
            if (shot_width, shot_height) != (width, height):
                fail("the window is %dx%d, not %dx%d" % (shot_width, shot_height, width, height))
            extent = board_extent(shot_width, shot_height, pixels)
            measured_width = extent[2] - extent[0] + 1
            measured_height = extent[3] - extent[1] + 1
            print("window %dx%d: squares of %d, board seen %dx%d at (%d, %d)" % (
                width, height, square, measured_width, measured_height, extent[0], extent[1]))
            if measured_width != 8 * square or measured_height != 8 * square:
                fail("the board on the screen is %dx%d, not 8 squares of %d"
                     % (measured_width, measured_height, square))
            squares.append(square)
            drag(window_origin(window), extent, move)
            program.wait_line("moves ", "moves " + ",".join(MOVES[:index + 1]))
            time.sleep(0.3)
            screenshot(window, os.path.join(folder, "scale-%d-%dx%d-after-%s.png"
                                            % (index + 1, width, height, move)))
        if squares[0] != 30 or squares[-1] != 160 or not squares[0] < squares[1] < squares[2]:
            fail("the squares did not scale from 30 to 160: %s" % squares)
    finally:
        program.end()


def test_ratio_two(program_path, folder):
    """At a device pixel ratio of 2 the board still measures 8 squares (of twice the
    device pixels), and a drag still lands."""
    program = Program(program_path, {"QT_SCALE_FACTOR": "2"})
    try:
        program.wait_line("board ")
        window = window_of("Game Board")
        width, height = 1200, 1300  # device pixels: 600 x 650 pixels at a ratio of 2
        xdotool("windowsize", window, width, height)
        square = program.settled_square()
        shot_width, shot_height, pixels = screenshot(window, os.path.join(
            folder, "scale-ratio2-%dx%d.png" % (width, height)))
        extent = board_extent(shot_width, shot_height, pixels, 2)
        seen = extent[2] - extent[0] + 1
        print("ratio 2, window %dx%d device pixels: squares of %d, board seen %d device pixels"
              % (width, height, square, seen))
        if seen != 16 * square:
            fail("at ratio 2 the board is %d device pixels wide, not 16 x %d" % (seen, square))
        drag(window_origin(window), extent, "b1c3")
        program.wait_line("moves ", "moves b1c3")
        time.sleep(0.3)
        screenshot(window, os.path.join(folder, "scale-ratio2-after-b1c3.png"))
    finally:
        program.end()


def main():
    if len(sys.argv) != 3:
        fail("usage: board_scale_test.py PROGRAM PICTURE_FOLDER")
    program_path, folder = sys.argv[1], sys.argv[2]
    os.makedirs(folder, exist_ok=True)
    test_sizes(program_path, folder)
    test_ratio_two(program_path, folder)
    print("PASS: screenshots in", folder)


if __name__ == "__main__":
    main()
