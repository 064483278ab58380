#!/usr/bin/python3
"""Two real copies of the program playing clocked games over loopback, driven as people
drive them (the real mouse and keys, buttons and fields found on the accessibility bus).

    peer_game_program_test.py BIN_DIR

Copy A sets its Game Terms (White, "3+2") and waits; copy B connects and accepts them. B
cannot drag White's pieces. Twenty half-moves are played with the mouse and both programs'
clocks are read and compared; B resigns. In the games that follow (A's New Game proposes
the terms again) a draw is offered and accepted, a takeback asked and granted, a game is
played to mate, and a game aborted. Both sides end each game with the same title and the
same move list. The link runs on a free port of its own, so that this test can run beside
the others.
"""
import os
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "app"))
sys.path.insert(0, HERE)


import pyatspi  # noqa: E402
from peer_program_test import (active_game, answer_terms, bring_forward, children_windows,  # noqa: E402
                               connect, count, descendants, exit_all, extents, find, frame_of,
                               mouse_drag, move_list, press, programs_on_free_port, start_copy)
from program_test import fail, wait_for  # noqa: E402

# A Ruy Lopez: twenty half-moves in which no position comes round again.
OPENING = ["e2e4", "e7e5", "g1f3", "b8c6", "f1b5", "a7a6", "b5a4", "g8f6", "e1g1", "f8e7",
           "f1e1", "b7b5", "a4b3", "d7d6", "c2c3", "e8g8", "h2h3", "c6b8", "d2d4", "b8d7"]


def xdotool(*arguments):
    subprocess.run(["xdotool", *[str(a) for a in arguments]], check=True)


def click(node):
    """A real left click in the middle of an accessible node."""
    x, y, width, height = extents(node)
    xdotool("mousemove", x + width // 2, y + height // 2)
    time.sleep(0.1)
    xdotool("click", 1)


def square_centre(window, square):
    """The middle of a square image, found by its accessible name ("e2, white pawn"),
    wherever the board's turn puts it."""
    label = wait_for("the square " + square, lambda: next(
        (node for node in descendants(window) if node.name.startswith(square + ", ")), None))
    x, y, width, height = extents(label)
    return x + width // 2, y + height // 2


def drag(process, move):
    """Drags a piece with the real mouse in the process's newest unfinished game."""
    bring_forward(process)
    window = active_game(process)
    mouse_drag(square_centre(window, move[:2]), square_centre(window, move[2:4]))


def shown(process, role, name):
    """A showing top-level window of the process (a dialog, a prompt) by role and title."""
    for node in descendants(frame_of(process).parent, limit=3):
        if node.getRoleName() == role and node.name == name and \
                node.getState().contains(pyatspi.STATE_SHOWING):
            return node
    return None


def prompt(process, title):
    return shown(process, "alert", title) or shown(process, "dialog", title)


def answer(process, title, button):
    """Clicks `button` of the program's non-modal prompt `title` with the mouse, the
    prompt's window brought to the front first."""
    box = wait_for("the %r prompt" % title, lambda: prompt(process, title))
    for window in subprocess.run(["xdotool", "search", "--onlyvisible", "--pid", str(process.pid),
                                  "--name", "^%s$" % title],
                                 capture_output=True, text=True).stdout.split():
        xdotool("windowraise", window)
        xdotool("windowfocus", "--sync", window)
    time.sleep(0.3)
    click(wait_for("the button " + button, lambda: find(box, "push button", button)))
    wait_for("the %r prompt to close" % title, lambda: prompt(process, title) is None)


def set_terms(process, colour, control):
    """Options > Game Terms...: the colour's radio button and the typed time control."""
    # The dialog runs its own event loop: opened by the keys, as a person opens it.
    bring_forward(process)
    xdotool("key", "--clearmodifiers", "alt+o")
    time.sleep(0.5)
    xdotool("key", "--clearmodifiers", "t")
    dialog = wait_for("the Game Terms dialog", lambda: shown(process, "dialog", "Game Terms"))
    click(wait_for("the radio button " + colour, lambda: find(dialog, "radio button", colour)))
    field = wait_for("the field Time control", lambda: find(dialog, "text", "Time control"))
    click(field)
    xdotool("key", "--clearmodifiers", "ctrl+a")
    xdotool("type", "--delay", 30, control)
    text = field.queryText()
    wait_for("the typed control", lambda: text.getText(0, text.characterCount) == control)
    click(find(dialog, "push button", "OK"))
    wait_for("the dialog to close", lambda: shown(process, "dialog", "Game Terms") is None)


def agree_clocked_game(a, b):
    """A offers White at 3+2 and waits, B connects and accepts: both clocks show 3:00."""
    set_terms(a, "White", "3+2")
    press(a, "Wait for Connection")
    connect(b)
    answer_terms(b, "Accept")
    for side in (a, b):
        wait_for("a clocked Active Game",
                 lambda: clock_texts(active_game(side)) == ("3:00", "3:00"))


def game_menu(process, access_key):
    """Opens the newest unfinished game window's Menu with the mouse; picks an item by key."""
    bring_forward(process)
    click(wait_for("the Menu button", lambda: find(active_game(process), "push button", "Menu")))
    time.sleep(0.5)
    xdotool("key", "--clearmodifiers", access_key)


def clock_texts(window):
    """The two clock faces of a game window as a screen reader reads them: (White, Black)."""
    return tuple(wait_for("the %s clock" % colour,
                          lambda: find(window, "label", colour + " Clock")).description
                 for colour in ("White", "Black"))


def seconds(face):
    minutes, rest = face.split(":")
    return int(minutes) * 60 + float(rest)


def titles(process):
    return [node.name for node in children_windows(process) if node.name.startswith("Active Game")]


def finished_game(process, result):
    """The game window whose title ends in `result`, once there is one."""
    return wait_for("a game ending in " + result, lambda: next(
        (node for node in children_windows(process) if node.name == "Active Game" + result),
        None))


def same_end(a, b, result, moves):
    """Both programs end a game with `result` and the same move list `moves`."""
    for side in (a, b):
        window = finished_game(side, result)
        wait_for("the move list %s" % moves, lambda: move_list(window) == moves)


def new_game(a, b):
    """A's New Game, which proposes the terms again; B accepts them."""
    before = count(a, "Active Game"), count(b, "Active Game")
    bring_forward(a)
    xdotool("key", "--clearmodifiers", "ctrl+n")
    answer_terms(b, "Accept")
    wait_for("a new game on both sides",
             lambda: (count(a, "Active Game"), count(b, "Active Game")) ==
             (before[0] + 1, before[1] + 1))
    wait_for("the new game's clocks", lambda: clock_texts(active_game(b)) == ("3:00", "3:00"))


def play(a, b, moves, notation_count):
    for ply, move in enumerate(moves):
        drag(a if ply % 2 == 0 else b, move)
        for side in (a, b):
            wait_for("%s on both boards" % move,
                     lambda: len(move_list(active_game(side))) == notation_count + ply + 1)


def main():
    if len(sys.argv) != 2:
        print(__doc__)
        return 2
    with programs_on_free_port(sys.argv[1]) as program:
        env = dict(program.env)
        a = b = None
        try:
            a = start_copy(program, env, "rookvale-peer-game-a")
            b = start_copy(program, env, "rookvale-peer-game-b")

            agree_clocked_game(a, b)
            print("terms agreed on port", os.environ["ROOKVALE_PEER_PORT"])

            # B plays Black: White's pawn does not move for it.
            drag(b, "e2e4")
            time.sleep(1.0)
            for side in (a, b):
                if move_list(active_game(side)) != []:
                    fail("B moved White's pawn: %s" % move_list(active_game(side)))
            print("B cannot drag White's pieces")

            play(a, b, OPENING, 0)
            # White's clock runs on both sides: B's is read between two readings of A's,
            # which the accessibility bus takes its time over.
            before = clock_texts(active_game(a))
            seen = clock_texts(active_game(b))
            after = clock_texts(active_game(a))
            clocks = [before, seen, after]
            print("clocks after 20 half-moves: A %s, B %s, A again %s" % tuple(clocks))
            # Black's clock stands still on both sides, set by Black's own time.
            if not before[1] == seen[1] == after[1]:
                fail("Black's clocks differ: %s" % clocks)
            if not seconds(before[0]) + 1 >= seconds(seen[0]) >= seconds(after[0]) - 1:
                fail("White's clock at B is not between two readings of A's: %s" % clocks)
            time.sleep(2.5)
            if clock_texts(active_game(a))[0] == clocks[0][0]:
                fail("White's clock does not run on its own side: %s" % clocks)

            notations = move_list(active_game(a))
            game_menu(b, "r")
            same_end(a, b, " - (White Wins)", notations)
            ended = [clock_texts(finished_game(side, " - (White Wins)")) for side in (a, b)]
            print("B resigned; clocks stopped at A %s, B %s" % tuple(ended))
            if abs(seconds(ended[0][0]) - seconds(ended[1][0])) > 1 or ended[0][1] != ended[1][1]:
                fail("the stopped clocks differ: %s" % ended)

            new_game(a, b)
            play(a, b, ["e2e4"], 0)
            game_menu(a, "d")
            answer(b, "Draw Offer", "Accept")
            same_end(a, b, " - (Draw)", ["e4"])
            print("a draw offered and accepted")

            new_game(a, b)
            play(a, b, ["e2e4", "e7e5"], 0)
            game_menu(b, "t")
            answer(a, "Take Back", "Accept")
            for side in (a, b):
                wait_for("e5 taken back", lambda: move_list(active_game(side)) == ["e4"])
            drag(b, "d7d5")
            for side in (a, b):
                wait_for("d5 after the takeback",
                         lambda: move_list(active_game(side)) == ["e4", "d5"])
            print("a takeback asked and granted")

            new_game(a, b)
            play(a, b, ["f2f3", "e7e5", "g2g4"], 0)
            drag(b, "d8h4")
            mated = [move_list(finished_game(side, " - (Black Wins)")) for side in (a, b)]
            if mated[0] != mated[1] or len(mated[0]) != 4:
                fail("the mated game's move lists differ: %s" % mated)
            print("a game played to mate:", " ".join(mated[0]))

            new_game(a, b)
            game_menu(a, "a")
            same_end(a, b, " - (Aborted)", [])
            print("a game aborted; titles:", titles(a), titles(b))

            exit_all((a, b))
        except SystemExit:
            for side in (a, b):
                if side is not None and side.poll() is None:
                    for node in children_windows(side):
                        print("  %d %r %s" % (side.pid, node.name, move_list(node)))
            raise
    print("PASS")
    return 0


if __name__ == "__main__":
    sys.exit(main())
