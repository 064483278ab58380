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
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from board_screen import Program, board_extent, drag, fail, screenshot, window_of, window_origin, xdotool  # noqa: E402

SIZES = [(484, 640), (900, 760), (1600, 1480)]
MOVES = ["e2e4", "e7e5", "g1f3"]


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
