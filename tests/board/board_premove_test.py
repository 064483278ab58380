#!/usr/bin/python3
"""Premoves against fairymax in rvboard-window under Xvfb, with the real mouse.

    board_premove_test.py made PROGRAM       1. e4 and at once the premove g1-f3, all by
                                             clicks: the premove is made as soon as the
                                             engine has replied, whatever the reply
    board_premove_test.py cancelled PROGRAM  the same with the premove b1-c3, taken back
                                             with the right button: a screen reader hears
                                             "Premove cancelled", nothing follows the reply
    board_premove_test.py dropped PROGRAM    1. e4 and at once the premove a2xb3, a pawn's
                                             capture on a square no black reply can reach:
                                             it is dropped, crossed out on the board and
                                             explained in the status line

    board_premove_test.py typed PROGRAM      1. e4 by clicks, then typed on the board during
                                             the engine's turn: "Ke3" is refused with its
                                             reason, "Nf3" becomes the premove and is made
                                             after the engine's reply
    board_premove_test.py marks PROGRAM      1. e4, then a click on the bishop f1 during the
                                             engine's turn marks exactly e2, d3, c4, b5 and
                                             a6, the squares it could go to on White's next
                                             turn; the right button takes the pick back

The user plays White (the colour question is answered Yes with the Return key). Exits 77
when the engine is not installed.
"""
import os
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from board_screen import (Program, board_extent, click, clicks, fail,  # noqa: E402
                          screenshot, square_centre, window_of, window_origin, xdotool)



def picture_path(name="start"):
    folder = os.environ.get("PICTURE_FOLDER", "/tmp")
    os.makedirs(folder, exist_ok=True)
    return os.path.join(folder, "premove-%s.png" % name)


def start(program_path, engine):
    program = Program(program_path, arguments=["--engine", engine])
    program.wait_line("board ")
    question = window_of("Color Selection")
    # No window manager runs: the dialog is given the keyboard directly.
    xdotool("windowfocus", "--sync", question)
    time.sleep(0.3)
    xdotool("key", "Return")
    window = window_of("Game Board")
    width, height, pixels = screenshot(window, picture_path())
    extent = board_extent(width, height, pixels)
    return program, window, window_origin(window), extent


def record_of(line):
    return line.split(" ", 1)[1].split(",") if " " in line else []


def test_made(program_path, engine):
    program, window, origin, extent = start(program_path, engine)
    try:
        # 1. e4 by two clicks, and at once the premove g1-f3 by two more.
        clicks(origin, extent, [("e2", 1), ("e4", 1), ("g1", 1), ("f3", 1)])
        made = program.wait_line("moves ", lambda line: len(record_of(line)) >= 3)
        record = record_of(made)
        print("the engine replied", record[1], "and the premove made", record[2])
        if record[0] != "e2e4" or record[2] != "g1f3":
            fail("the premove was not the move made: %s" % made)
        screenshot(window, picture_path("made"))
    finally:
        program.end()


def test_cancelled(program_path, engine):
    program, window, origin, extent = start(program_path, engine)
    try:
        # 1. e4, the premove b1-c3, and the right button on the board takes it back.
        clicks(origin, extent, [("e2", 1), ("e4", 1), ("b1", 1), ("c3", 1), ("e4", 3)])
        # A screen reader is told of the cancel; the reply may come before or after that.
        heard = reply = None
        while not (heard and reply):
            line = program.wait_line("", lambda line: line == "heard Premove cancelled" or (
                line.startswith("moves ") and len(record_of(line)) == 2))
            if line.startswith("heard "):
                heard = line
            else:
                reply = line
        print("the engine replied", record_of(reply)[1], "and the reader heard the cancel")
        time.sleep(2.0)
        later = [line for line in list(program.lines.queue) if line.startswith("moves ")]
        if later:
            fail("a cancelled premove was made: %s" % later)
        if program.process.poll() is not None:
            fail("the window ended")
    finally:
        program.end()


def test_dropped(program_path, engine):
    program, window, origin, extent = start(program_path, engine)
    try:
        # 1. e4 by two clicks, and at once the premove a2xb3 by two more.
        clicks(origin, extent, [("e2", 1), ("e4", 1), ("a2", 1), ("b3", 1)])
        program.wait_line("premove", "premove a2b3")
        reply = program.wait_line("moves ", lambda line: len(record_of(line)) == 2)
        print("the engine replied", record_of(reply)[1])
        status = program.wait_line("status ", lambda line: "dropped" in line)
        print(status)
        time.sleep(1.0)
        width, height, pixels = screenshot(window, picture_path("dropped"))
        # The cross is drawn over b3, the square the premove went to.
        x, y = square_centre((0, 0), extent, "b3")
        half = (extent[2] - extent[0] + 1) // 16
        red = 0
        for yy in range(y - half, y + half):
            for xx in range(x - half, x + half):
                at = 3 * (yy * width + xx)
                if pixels[at] > 150 and pixels[at + 1] < 60 and pixels[at + 2] < 60:
                    red += 1
        if red < half:
            fail("no cross over b3: %d red pixels" % red)
        later = [line for line in list(program.lines.queue) if line.startswith("moves ")]
        if later:
            fail("a move was made after the dropped premove: %s" % later)
    finally:
        program.end()


def type_on_board(text):
    """Real key presses for `text` and Enter, the board focused by the clicks before."""
    keys = ["shift+" + c.lower() if c.isupper() else c for c in text]
    xdotool("key", "--delay", 40, *keys, "Return")


def test_typed(program_path, engine):
    program, window, origin, extent = start(program_path, engine)
    try:
        # No window manager gives the game window the keyboard: it is given it directly.
        xdotool("windowfocus", "--sync", window)
        clicks(origin, extent, [("e2", 1), ("e4", 1)])
        type_on_board("Ke3")
        refusal = program.wait_line("status ", lambda line: line != "status ")
        print(refusal)
        if refusal != "status Ke3 is not a move your pieces could make on your next turn.":
            fail("the impossible premove was not explained: %s" % refusal)
        xdotool("key", "Escape")
        type_on_board("Nf3")
        program.wait_line("premove", "premove g1f3")
        made = program.wait_line("moves ", lambda line: len(record_of(line)) >= 3)
        record = record_of(made)
        print("the engine replied", record[1], "and the typed premove made", record[2])
        if record[0] != "e2e4" or record[2] != "g1f3":
            fail("the typed premove was not the move made: %s" % made)
    finally:
        program.end()


def square_centres_shown(window, extent):
    """The colour sums of a small patch at the centre of every square, by square name, read
    from one quick screenshot."""
    picture = subprocess.run(["import", "-window", window, "-depth", "8", "ppm:-"], check=True,
                             capture_output=True).stdout
    magic, width, height, _, pixels = picture.split(maxsplit=4)
    width = int(width)
    patches = {}
    for file in "abcdefgh":
        for rank in "12345678":
            x, y = square_centre((0, 0), extent, file + rank)
            patches[file + rank] = sum(pixels[3 * (yy * width + xx) + c]
                                       for yy in range(y - 2, y + 3)
                                       for xx in range(x - 2, x + 3) for c in range(3))
    return patches


def marks_of_f1(program_path, engine):
    """The squares marked while the bishop f1 is picked after 1. e4; None when the engine
    replied before they were read."""
    program, window, origin, extent = start(program_path, engine)
    try:
        # 1. e4 and the bishop picked in one quick run; the right button then takes the
        # pick back, which leaves the board as 1. e4 left it: the reading to compare with.
        clicks(origin, extent, [("e2", 1), ("e4", 1), ("f1", 1)])
        picked = square_centres_shown(window, extent)
        click(origin, extent, "f1", button=3)
        unmarked = square_centres_shown(window, extent)
        moves = [line for line in list(program.lines.queue) if line.startswith("moves ")]
        if moves != ["moves e2e4"]:
            return None
        screenshot(window, picture_path("pick-taken-back"))
        return sorted(name for name in picked if picked[name] != unmarked[name])
    finally:
        program.end()


def test_marks(program_path, engine):
    # The reading needs the engine to be still thinking; a quick reply spoils it, and it
    # is made again.
    for attempt in range(5):
        seen = marks_of_f1(program_path, engine)
        if seen is not None:
            break
        print("the engine replied during the reading; again")
    else:
        fail("the engine always replied before the marks could be read")
    print("marked while the engine thinks:", seen)
    # The picked square is tinted, its targets dotted; nothing else differs.
    if seen != ["a6", "b5", "c4", "d3", "e2", "f1"]:
        fail("the marks are not the bishop's next-turn squares: %s" % seen)


def main():
    tests = {"made": test_made, "cancelled": test_cancelled, "dropped": test_dropped,
             "typed": test_typed, "marks": test_marks}
    if len(sys.argv) != 3 or sys.argv[1] not in tests:
        fail("usage: board_premove_test.py made|cancelled|dropped|typed|marks PROGRAM")
    mode, program_path = sys.argv[1], sys.argv[2]
    engine = shutil.which("fairymax", path=os.environ.get("PATH", "") + ":/usr/games")
    if engine is None:
        print("SKIP: fairymax is not installed")
        sys.exit(77)
    tests[mode](program_path, engine)
    print("PASS")


if __name__ == "__main__":
    main()
