#!/usr/bin/python3
"""The clocks of the real program under Xvfb, driven as a person drives them: the Menu
button and its popup with the mouse and keys, the "Time Control" dialog through its
accessible text field, the moves with the real mouse.

    clock_program_test.py flag BIN_DIR   "1+0" typed into Time Control, then 1. e4 e5 on one
                                         board: White's flag falls and the title says
                                         " - (Black Wins)"

    clock_program_test.py courtesies BIN_DIR   1. e4 e5 taken back by Ctrl+Z on the board and
                                         by Menu > Take Back; White resigns by the Menu;
                                         in a new window a draw is agreed by the Menu

Run inside its own D-Bus session (dbus-run-session), as the program tests of app/ are.
"""
import os
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "app"))

from program_test import child_titles, fail, find_named, run_mode, wait_for, x_windows_named  # noqa: E402
from user_test import (click, drag, game_frame, key, move_list, set_time_control,  # noqa: E402
                       square_centre, xdotool)


def clock_face(frame, colour):
    return wait_for("the %s clock" % colour, lambda: find_named(frame, "label", colour + " Clock"))


def face_text(face):
    """The time a clock face shows, as a screen reader reads it."""
    return face.description


def test_flag(program, work):
    first = program.start()
    frame = wait_for("the start-up game window", lambda: game_frame())

    set_time_control(frame, "1+0")

    white = clock_face(frame, "White")
    black = clock_face(frame, "Black")
    wait_for("both clocks at 1:00",
             lambda: face_text(white) == "1:00" and face_text(black) == "1:00")

    # Each side's first move is untimed; after Black's, White's minute runs.
    drag(square_centre(frame, "e2"), square_centre(frame, "e4"))
    wait_for("1. e4", lambda: move_list(frame) == ["1", "e4"])
    time.sleep(1.5)
    if face_text(white) != "1:00":
        fail("White's clock ran before its first move was timed: " + face_text(white))
    drag(square_centre(frame, "e7"), square_centre(frame, "e5"))
    wait_for("1. ... e5", lambda: move_list(frame) == ["1", "e4", "e5"])
    wait_for("White's clock running", lambda: face_text(white).startswith("0:5"))
    print("running:", face_text(white), face_text(black))

    wait_for("White's flag", lambda: "Game Board - (Black Wins)" in (child_titles() or []),
             timeout=120)
    print("titles:", child_titles(), "clocks:", face_text(white), face_text(black))
    if face_text(white) != "0:00.0" or face_text(black) != "1:00":
        fail("the clocks after the flag show %s and %s" % (face_text(white), face_text(black)))
    # The flag ended the game: the user can no longer move.
    drag(square_centre(frame, "g1"), square_centre(frame, "f3"))
    time.sleep(1)
    if move_list(frame) != ["1", "e4", "e5"]:
        fail("a move was made after the flag fell: %s" % move_list(frame))
    program.exit_through_menu(first)


def menu_item(frame, access_key):
    """Opens the game window's Menu with the mouse and picks an item by its access key."""
    click(find_named(frame, "push button", "Menu"))
    time.sleep(0.5)
    key(access_key)


def test_courtesies(program, work):
    first = program.start()
    frame = wait_for("the start-up game window", lambda: game_frame())
    drag(square_centre(frame, "e2"), square_centre(frame, "e4"))
    drag(square_centre(frame, "e7"), square_centre(frame, "e5"))
    wait_for("1. e4 e5", lambda: move_list(frame) == ["1", "e4", "e5"])

    # A click on an empty square gives the board the focus; Ctrl+Z takes e5 back.
    xdotool("mousemove", *square_centre(frame, "a4"))
    time.sleep(0.1)
    xdotool("click", 1)
    time.sleep(0.3)
    key("ctrl+z")
    wait_for("e5 taken back by Ctrl+Z", lambda: move_list(frame) == ["1", "e4"])
    menu_item(frame, "t")
    wait_for("e4 taken back by the Menu", lambda: move_list(frame) == [])
    drag(square_centre(frame, "d2"), square_centre(frame, "d4"))
    wait_for("1. d4 after the take-backs", lambda: move_list(frame) == ["1", "d4"])

    # Black is to move and resigns.
    menu_item(frame, "r")
    wait_for("Black's resignation", lambda: "Game Board - (White Wins)" in (child_titles() or []))

    # A new window: White offers a draw, which on one board is agreed at once.
    xdotool("windowfocus", "--sync", x_windows_named("Rookvale 1.0")[0])
    key("ctrl+n")
    second = wait_for("a new Game Board", lambda: game_frame("Game Board"))
    menu_item(second, "d")
    wait_for("the agreed draw", lambda: "Game Board - (Draw)" in (child_titles() or []))
    print("titles:", child_titles())
    program.exit_through_menu(first)


def main():
    return run_mode({"flag": test_flag, "courtesies": test_courtesies}, __doc__)


if __name__ == "__main__":
    sys.exit(main())
