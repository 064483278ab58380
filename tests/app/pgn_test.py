#!/usr/bin/python3
"""PGN and FEN through the real program under Xvfb, as a person uses them.

    pgn_test.py saveas    BIN_DIR   Save Game As with a ".pgn" name typed into the dialog
                                    writes PGN; Save then writes PGN to that file again
    pgn_test.py games     BIN_DIR   a second start with a file of three games shows "Games in
                                    File"; Down and Return open the second game
    pgn_test.py clipboard BIN_DIR   Edit > Paste FEN / PGN opens a game from a FEN and from a
                                    PGN game on the real clipboard; a castling by mouse there,
                                    then Edit > Copy FEN puts the new position on it

Run inside its own D-Bus session (dbus-run-session), as program_test.py is.
"""
import os
import subprocess
import sys
import time

from program_test import child_titles, fail, main_frame, run_mode, wait_for, x_windows_named
from user_test import (click_menu, count_titles, drag, focus_main_window, game_frame, key,
                       move_list, open_menu_and_click, square_centre, type_into_dialog,
                       xdotool)

GAMES = """[Event "first"]
[White "Anna"]
[Black "Bert"]
[Result "1-0"]

1. e4 e5 2. Bc4 Nc6 3. Qh5 Nf6 4. Qxf7# 1-0

[Event "second"]
[White "Carla"]
[Black "Dirk"]
[Result "*"]

1. d4 {the queen's pawn} d5 2. c4 (2. Nf3) e6 *

[Event "third"]
[White "Emil"]
[Black "Fay"]

1. c4 1/2-1/2
"""


def read(path):
    with open(path, "rb") as file:
        return file.read().decode()


def player_name(program):
    """The user's name as the program takes it: Options > Player Name, kept in the settings
    beside the program, else the login name."""
    settings = os.path.join(os.path.dirname(program.path), "Settings.ini")
    section = None
    if os.path.isfile(settings):
        with open(settings, encoding="utf-8", errors="replace") as file:
            for line in file:
                line = line.strip()
                if line.startswith("["):
                    section = line
                elif section == "[Peer]" and line.startswith("PlayerName=") and line[11:].strip():
                    return line[11:]
    return program.env.get("USER") or program.env.get("USERNAME") or "Player"


def test_saveas(program, work):
    program.env["USER"] = "Anna Lee"
    first = program.start()
    wait_for("the start-up windows", lambda: game_frame())
    frame = game_frame()
    drag(square_centre(frame, "e2"), square_centre(frame, "e4"))
    wait_for("the move e2-e4", lambda: move_list(frame) == ["1", "e4"])

    # By the mouse: the dialog's own event loop would hold up an accessibility action.
    open_menu_and_click("File", "Save Game As...")
    saved = os.path.join(work, "saved game.pgn")
    type_into_dialog("Save As", saved)
    wait_for("the saved file", lambda: os.path.isfile(saved))
    text = read(saved)
    print(text)
    # The user plays White on one board; no one is known for Black, and there is no clock.
    for line in ('[Event "?"]', '[Site "Rookvale"]', '[White "%s"]' % player_name(program),
                 '[Black "?"]', '[Result "*"]', '[TimeControl "-"]', "1. e4 *"):
        if line not in text.splitlines():
            fail("no line %r in the saved PGN" % line)
    wait_for("the window titled with the file", lambda: saved in (child_titles() or []))

    frame = game_frame(saved)
    drag(square_centre(frame, "e7"), square_centre(frame, "e5"))
    wait_for("the move e7-e5", lambda: move_list(frame) == ["1", "e4", "e5"])
    focus_main_window()
    key("ctrl+s")
    wait_for("Save writing PGN again", lambda: "1. e4 e5 *" in read(saved).splitlines())
    program.exit_through_menu(first)


def test_games(program, work):
    first = program.start()
    wait_for("the first instance", lambda: child_titles() and "Game Board" in child_titles())
    path = os.path.join(work, "three games.pgn")
    with open(path, "w") as file:
        file.write(GAMES)
    second = program.start("three games.pgn", cwd=work)
    if second.wait(timeout=60) != 0:
        fail("the second start ended with %d" % second.returncode)
    dialog = wait_for("the Games in File dialog", lambda: x_windows_named("Games in File"))
    xdotool("windowfocus", "--sync", dialog[0])
    time.sleep(0.5)
    key("Down")
    key("Return")
    title = path + " (game 2)"
    wait_for("the second game's window", lambda: title in (child_titles() or []))
    frame = game_frame(title)
    expected = ["1", "d4", "d5", "2", "c4", "e6"]
    wait_for("the second game's moves", lambda: move_list(frame) == expected)
    print("opened:", child_titles(), move_list(frame))
    program.exit_through_menu(first)


def frames_named(title, node=None, depth=0):
    """Every accessible child window of that title, in the accessible order."""
    node = node or main_frame()
    found = []
    for i in range(node.childCount if node and depth < 4 else 0):
        child = node.getChildAtIndex(i)
        if child is None:
            continue
        if child.getRoleName() in ("frame", "internal frame") and child.name == title:
            found.append(child)
        else:
            found += frames_named(title, child, depth + 1)
    return found


def set_clipboard(text):
    # xclip stays behind to serve the selection until another program takes it.
    subprocess.run(["xclip", "-selection", "clipboard"], input=text.encode(), check=True)


def clipboard():
    return subprocess.run(["xclip", "-o", "-selection", "clipboard"], capture_output=True,
                          text=True).stdout


def test_clipboard(program, work):
    first = program.start()
    wait_for("the start-up windows", lambda: game_frame())

    set_clipboard("4k3/8/8/8/8/8/8/4K2R w K - 0 1")
    click_menu("Edit", "Paste FEN / PGN")
    wait_for("a game board from the FEN", lambda: count_titles("Game Board") == 2)
    time.sleep(0.5)
    click_menu("Edit", "Copy FEN")
    wait_for("the FEN copied back", lambda: clipboard() == "4k3/8/8/8/8/8/8/4K2R w K - 0 1")

    # Castling by mouse on the board from the FEN; on the other board (the initial
    # position) the same drag is refused and changes nothing.
    boards = wait_for("two game boards", lambda: len(frames_named("Game Board")) == 2 and
                      frames_named("Game Board"))
    for frame in boards:
        drag(square_centre(frame, "e1"), square_centre(frame, "g1"))
    wait_for("the castling on the board from the FEN",
             lambda: sorted(move_list(frame) for frame in boards) == [[], ["1", "O-O"]])
    click_menu("Edit", "Copy FEN")
    wait_for("the FEN after castling", lambda: clipboard() == "4k3/8/8/8/8/8/8/5RK1 b - - 1 1")

    set_clipboard("[White \"Anna\"]\n\n1. e4 e5 2. Nf3 *\n")
    click_menu("Edit", "Paste FEN / PGN")
    wait_for("a game board from the PGN", lambda: count_titles("Game Board") == 3)
    print("children:", child_titles())
    program.exit_through_menu(first)


def main():
    return run_mode({"saveas": test_saveas, "games": test_games, "clipboard": test_clipboard},
                    __doc__)


if __name__ == "__main__":
    sys.exit(main())
