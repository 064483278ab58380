#!/usr/bin/python3
"""Moves without dragging in the real program under Xvfb, made as a person makes them.

    board_play_test.py clicks BIN_DIR   a game of click-click moves with the real mouse: a
                                        pick put back by a second click, a capture, and a
                                        pawn that takes on b8 and becomes a knight through
                                        the promotion dialog, clicked on its button
    board_play_test.py typed BIN_DIR    a game typed on the board with the real keys, SAN and
                                        coordinates mixed; an ambiguous, an illegal and a
                                        meaningless text are explained in the status line and
                                        change nothing; the chat line keeps its own keys
    board_play_test.py reader BIN_DIR   a game played with the arrow keys and Space only,
                                        each square named after its piece and each move
                                        heard as words from the accessibility bus

Run inside its own D-Bus session (dbus-run-session), as the program tests of app/ are.
"""
import os
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "app"))

from program_test import fail, find_named, run_mode, top_level, wait_for, x_windows_named  # noqa: E402
from user_test import (chat_line, click, game_frame, key, move_list, square_centre,  # noqa: E402
                       text_of, type_move, xdotool)

PROMOTION_TITLE = "Please select the piece:"


def notations(frame):
    """The move list without its move numbers."""
    return [cell for cell in move_list(frame) if not cell.isdigit()]


def click_square(frame, square):
    xdotool("mousemove", *square_centre(frame, square))
    time.sleep(0.1)
    xdotool("click", 1)
    time.sleep(0.15)


def click_move(frame, move):
    click_square(frame, move[:2])
    click_square(frame, move[2:4])


def board_field(frame, name):
    """The text a field over the board (Typed move, Status) shows, as a reader reads it."""
    field = find_named(frame, "label", name)
    return field.description if field is not None else None


def test_clicks(program, work):
    first = program.start()
    frame = wait_for("the start-up game window", lambda: game_frame())
    # A pick put back by a second click makes no move, and the next click starts afresh.
    click_square(frame, "e2")
    click_square(frame, "e2")
    click_square(frame, "e4")
    time.sleep(0.5)
    if move_list(frame) != []:
        fail("a put-back pick made a move: %s" % move_list(frame))
    # A click elsewhere drops a pick; a click on another of one's pieces picks that one.
    click_square(frame, "g1")
    click_square(frame, "b1")
    click_move(frame, "b2b4")
    wait_for("1. b4", lambda: move_list(frame) == ["1", "b4"])
    for move in ["h7h6", "b4b5", "h6h5", "b5b6", "h5h4", "b6a7"]:
        click_move(frame, move)
    wait_for("4. bxa7", lambda: move_list(frame)[-1:] == ["bxa7"])
    click_move(frame, "h4h3")
    click_move(frame, "a7b8")
    wait_for("the promotion dialog", lambda: x_windows_named(PROMOTION_TITLE))
    dialog = wait_for("the accessible promotion dialog", lambda: top_level(PROMOTION_TITLE))
    click(wait_for("the Knight button", lambda: find_named(dialog, "push button", "Knight")))
    wait_for("the dialog to close", lambda: not x_windows_named(PROMOTION_TITLE))
    wait_for("5. axb8=N", lambda: move_list(frame)[-1:] and move_list(frame)[-1].endswith("=N"))
    click_move(frame, "h3g2")
    click_move(frame, "b8c6")
    expected = ["b4", "h6", "b5", "h5", "b6", "h4", "bxa7", "h3", "axb8=N", "hxg2", "Nc6"]
    wait_for("the whole game", lambda: notations(frame) == expected)
    print("moves:", move_list(frame))
    program.exit_through_menu(first)


def test_typed(program, work):
    first = program.start()
    frame = wait_for("the start-up game window", lambda: game_frame())
    # A click on an empty square gives the board the focus.
    click_square(frame, "a4")
    played = []

    def typed(text, cell):
        type_move(text)
        played.append(cell)
        wait_for("the typed %s" % text, lambda: notations(frame) == played)

    def refused(text, explanation):
        before = move_list(frame)
        type_move(text)
        wait_for("%s explained" % text, lambda: board_field(frame, "Status") == explanation)
        if move_list(frame) != before:
            fail("the refused %s changed the moves: %s" % (text, move_list(frame)))
        key("Escape")
        wait_for("the field emptied by Escape", lambda: not board_field(frame, "Typed move"))

    typed("d2d4", "d4")
    typed("d5", "d5")
    typed("Nf3", "Nf3")
    typed("g8f6", "Nf6")
    refused("Nd2", "Nd2 fits more than one move: add the file or rank it starts on.")
    typed("Nbd2", "Nbd2")
    refused("Ke6", "Ke6 is not a legal move here.")
    refused("xx", '"xx" is not a move: type Nf3, exd5, e8=Q, O-O or e2e4.')
    typed("e6", "e6")
    typed("e2e4", "e4")
    typed("dxe4", "dxe4")
    typed("Nxe4", "Nxe4")
    typed("f6e4", "Nxe4")
    moves = move_list(frame)
    # The chat line keeps its keys: the typed text goes there, not to the board.
    chat = chat_line(frame)
    click(chat)
    xdotool("type", "--delay", 20, "Nf6 please")
    wait_for("the chat line's text", lambda: text_of(chat) == "Nf6 please")
    key("Return")
    time.sleep(0.5)
    if move_list(frame) != moves:
        fail("a text of the chat line made a move: %s" % move_list(frame))
    if board_field(frame, "Typed move"):
        fail("the board's field took the chat line's keys: %r" % board_field(frame, "Typed move"))
    print("moves:", move_list(frame))
    program.exit_through_menu(first)


def test_reader(program, work):
    """A game made with the keys a screen reader's user has, heard from the bus."""
    first = program.start()
    frame = wait_for("the start-up game window", lambda: game_frame())
    board = frame.getChildAtIndex(0).getChildAtIndex(0)
    last_move = wait_for("the label 'Last move'", lambda: find_named(frame, "label", "Last move"))
    # A square with a piece is a picture to the reader, an empty one a label.
    wait_for("the square e2", lambda: find_named(board, "image", "e2, white pawn"))
    if not find_named(board, "label", "e4, empty"):
        fail("the square e4 is not named as empty")
    # At start-up the Main Console is the active window: one click on an empty square makes
    # the game window active and gives the board the focus. Keys alone from here on.
    xdotool("mousemove", *square_centre(frame, "a4"))
    time.sleep(0.2)
    xdotool("click", 1)
    time.sleep(0.3)
    key("Up")
    wait_for("the cursor on e2", lambda: board.description == "e2, white pawn")
    heard = []

    def play(keys, words):
        for name in keys:
            key(name)
            time.sleep(0.15)
        wait_for("the announcement %r" % words, lambda: last_move.description == words)
        heard.append(last_move.description)

    play(["space", "Up", "Up", "space"], "White pawn e2 to e4")
    play(["Up", "Up", "Up", "space", "Down", "Down", "space"], "Black pawn e7 to e5")
    play(["Down", "Down", "Down", "Down", "Down", "Right", "Right", "space",
          "Up", "Up", "Left", "space"], "White knight g1 to f3")
    play(["Up", "Up", "Up", "Up", "Up", "Left", "Left", "Left", "Left", "space",
          "Down", "Down", "Right", "space"], "Black knight b8 to c6")
    print("cursor on:", board.description)
    if board.description != "c6, black knight":
        fail("the board's description under the cursor is %r" % board.description)
    play(["Down"] * 5 + ["Right"] * 3 + ["space"] + ["Up"] * 4 + ["Left"] * 4 + ["space"],
         "White bishop f1 to b5")
    print("heard:", heard)
    print("moves:", move_list(frame))
    if notations(frame) != ["e4", "e5", "Nf3", "Nc6", "Bb5"]:
        fail("the keys made other moves: %s" % move_list(frame))
    program.exit_through_menu(first)


def main():
    return run_mode({"clicks": test_clicks, "typed": test_typed, "reader": test_reader},
                    __doc__)


if __name__ == "__main__":
    sys.exit(main())
