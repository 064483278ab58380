"""Helpers for tests of rvboard-window under Xvfb: the program's reports, the real mouse
and screenshots measured by their colours."""
import os
import queue
import subprocess
import sys
import threading
import time

TIMEOUT = 60.0
RIGHT_PANEL = 230
BOTTOM_PANEL = 96
# The "Best Green" squares' base colours; their grain stays within a few steps of them.
SQUARE_COLOURS = [(236, 236, 208), (112, 148, 82)]
GRAIN = 10


def fail(message):
    print("FAIL:", message)
    sys.exit(1)


class Program:
    def __init__(self, path, extra_env=None, arguments=()):
        env = dict(os.environ, ROOKVALE_AD_HOST="http://127.0.0.1:9", **(extra_env or {}))
        self.process = subprocess.Popen([path, "--watch", *arguments], stdout=subprocess.PIPE,
                                        text=True, env=env)
        self.lines = queue.Queue()
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for line in self.process.stdout:
            self.lines.put(line.strip())

    def wait_line(self, prefix, wanted=None):
        """The next line that starts with `prefix` (and equals `wanted` when given, or
        satisfies it when it is a function of the line)."""
        deadline = time.monotonic() + TIMEOUT
        while time.monotonic() < deadline:
            try:
                line = self.lines.get(timeout=0.5)
            except queue.Empty:
                if self.process.poll() is not None:
                    fail("the window ended early")
                continue
            matches = wanted is None or (wanted(line) if callable(wanted) else line == wanted)
            if line.startswith(prefix) and matches:
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


def square_centre(origin, extent, name):
    """The screen point at the centre of a square, found from the board's measured extent."""
    left, top, right, _ = extent
    square = (right - left + 1) / 8.0
    file, rank = ord(name[0]) - ord("a"), int(name[1])
    return (int(origin[0] + left + square * (file + 0.5)),
            int(origin[1] + top + square * (8 - rank + 0.5)))


def click(origin, extent, name, button=1):
    xdotool("mousemove", *square_centre(origin, extent, name))
    time.sleep(0.1)
    xdotool("click", button)
    time.sleep(0.1)


def clicks(origin, extent, presses):
    """Clicks on squares, ("e2", 1), ("e4", 1), ... with the real mouse in one quick run,
    as fast as a hand could not: a user's move and a premove then both precede the
    engine's reply, however fast the engine is."""
    command = []
    for name, button in presses:
        command += ["mousemove", *square_centre(origin, extent, name), "click", button]
    xdotool(*command)


def drag(origin, extent, move):
    """Drags with the real mouse from the centre of one square to another."""
    (x1, y1), (x2, y2) = square_centre(origin, extent, move[:2]), square_centre(origin, extent, move[2:])
    xdotool("mousemove", x1, y1)
    time.sleep(0.3)
    xdotool("mousedown", 1)
    time.sleep(0.3)
    for step in range(1, 9):
        xdotool("mousemove", x1 + (x2 - x1) * step // 8, y1 + (y2 - y1) * step // 8)
        time.sleep(0.1)
    time.sleep(0.3)
    xdotool("mouseup", 1)


