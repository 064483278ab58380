#!/usr/bin/python3
"""What a screen reader reads of a game in the real program under Xvfb: the move list, the
two clocks and the result, heard from the accessibility bus while a game is played with
the keys.

    reading_test.py game BIN_DIR   "5+3" typed into Time Control; 1. f3 e5 2. g4 Qh4#
                                   typed on the board; the move list read as a whole and
                                   cell by cell, the clocks with whose turn it is, the
                                   result "Black wins", and after Ctrl+Z the game going on

Run inside its own D-Bus session (dbus-run-session), as the other program tests are.
"""
import re
import sys
import time

import pyatspi

from program_test import fail, find_named, run_mode, wait_for
from user_test import game_frame, key, set_time_control, square_centre, type_move, xdotool

CLOCK_TIME = re.compile(r"^\d+:\d\d(\.\d)?$")


def sensitive(node):
    """Whether a reader hears the node as live (a clock: whether it is running)."""
    return node.getState().contains(pyatspi.STATE_SENSITIVE)


def cells(table):
    """The filled cells of the move list as (text, description) pairs, in reading order."""
    found = []
    for i in range(table.childCount):
        cell = table.getChildAtIndex(i)
        if cell is not None and cell.getRoleName() == "table cell" and cell.name:
            found.append((cell.name, cell.description))
    return found


def test_game(program, work):
    first = program.start()
    frame = wait_for("the start-up game window", lambda: game_frame())
    table = wait_for("the table 'Move list'", lambda: find_named(frame, "table", "Move list"))
    result = wait_for("the label 'Result'", lambda: find_named(frame, "label", "Result"))
    if result.description != "Game in progress" or table.description:
        fail("a new game reads %r with the move list %r" % (result.description, table.description))

    set_time_control(frame, "5+3")
    white = wait_for("the White clock", lambda: find_named(frame, "label", "White Clock"))
    black = wait_for("the Black clock", lambda: find_named(frame, "label", "Black Clock"))
    wait_for("both clocks at 5:00",
             lambda: white.description == "5:00" and black.description == "5:00")
    # The clock of the side to move is the live one.
    if not sensitive(white) or sensitive(black):
        fail("before White's first move the clocks read as live: White %s, Black %s"
             % (sensitive(white), sensitive(black)))

    # A click on an empty square gives the board the focus; keys alone from here on.
    xdotool("mousemove", *square_centre(frame, "a4"))
    time.sleep(0.2)
    xdotool("click", 1)
    time.sleep(0.3)
    for move, heard in [("f3", "1. f3"), ("e5", "1. f3 e5"), ("g4", "1. f3 e5 2. g4")]:
        type_move(move)
        wait_for("the move list %r" % heard, lambda: table.description == heard)
    if not sensitive(black) or sensitive(white):
        fail("on Black's turn the clocks read as live: White %s, Black %s"
             % (sensitive(white), sensitive(black)))
    wait_for("White's time running", lambda: white.description != "5:00")
    for face in (white, black):
        if not CLOCK_TIME.match(face.description):
            fail("the %s reads %r" % (face.name, face.description))
    print("clocks:", white.description, black.description)

    type_move("Qh4")
    wait_for("the result 'Black wins'", lambda: result.description == "Black wins")
    print("move list:", table.description, "| result:", result.description)
    if table.description != "1. f3 e5 2. g4 Qh4+":
        fail("the move list reads %r" % table.description)
    expected = [("1", "Number, move 1"), ("f3", "White, move 1"), ("e5", "Black, move 1"),
                ("2", "Number, move 2"), ("g4", "White, move 2"), ("Qh4+", "Black, move 2")]
    if cells(table) != expected:
        fail("the cells read %s" % cells(table))
    # The game is over: both clocks stop, neither is live any more than the other.
    stopped = (white.description, black.description)
    time.sleep(1.5)
    if (white.description, black.description) != stopped:
        fail("the clocks ran on after the mate: %s, then %s"
             % (stopped, (white.description, black.description)))

    # Taken back, the game goes on.
    key("ctrl+z")
    wait_for("the result 'Game in progress'", lambda: result.description == "Game in progress")
    wait_for("the move list without Qh4", lambda: table.description == "1. f3 e5 2. g4")
    print("after the take-back:", table.description, "|", result.description)
    program.exit_through_menu(first)


def main():
    return run_mode({"game": test_game}, __doc__)


if __name__ == "__main__":
    sys.exit(main())
