#!/usr/bin/python3
"""Premoves between real copies of the program over loopback, with the real mouse.

    peer_premove_program_test.py new BIN_DIR   A (White, its Game Terms) and B (Black, who
                                               accepts them) are linked under the extended
                                               protocol. After 1. e4 A drags g1-f3 during
                                               Black's turn: nothing moves until B plays
                                               e5, and then Nf3 follows on both boards
                                               with no further input. B's premove Nf6 is
                                               made the same way after White's Bc4.
    peer_premove_program_test.py old BIN_DIR   A, with the same terms, is joined by an old
                                               copy (a plain socket that never says hello):
                                               no colours are agreed, so A's drag of g1-f3
                                               during Black's turn is no premove, and the
                                               old peer's e5 is followed by nothing.

The link runs on a free port of its own.
"""
import os
import socket
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "app"))
sys.path.insert(0, HERE)

from peer_game_program_test import agree_clocked_game, drag, set_terms  # noqa: E402
from peer_program_test import (active_game, count, exit_all, move_list, press,  # noqa: E402
                               programs_on_free_port, start_copy)
from program_test import TIMEOUT, fail, wait_for  # noqa: E402


def on_boards(sides, moves):
    for side in sides:
        wait_for("%s on the board of %d" % (moves, side.pid),
                 lambda: move_list(active_game(side)) == moves)


def unchanged(sides, moves):
    """The boards still show `moves` a while after an input that must make no move."""
    time.sleep(1.5)
    for side in sides:
        if move_list(active_game(side)) != moves:
            fail("a move was made at once: %s" % move_list(active_game(side)))


def test_new(program, env):
    a = start_copy(program, env, "rookvale-premove-a")
    b = start_copy(program, env, "rookvale-premove-b")
    agree_clocked_game(a, b)
    print("terms agreed: A White, B Black")

    drag(a, "e2e4")
    on_boards((a, b), ["e4"])
    # White's premove, entered while Black is to move.
    drag(a, "g1f3")
    unchanged((a, b), ["e4"])
    drag(b, "e7e5")
    on_boards((a, b), ["e4", "e5", "Nf3"])
    print("A's premove Nf3 made after e5 on both boards")

    drag(b, "b8c6")
    on_boards((a, b), ["e4", "e5", "Nf3", "Nc6"])
    # Black's premove, entered while White is to move.
    drag(b, "g8f6")
    unchanged((a, b), ["e4", "e5", "Nf3", "Nc6"])
    drag(a, "f1c4")
    on_boards((a, b), ["e4", "e5", "Nf3", "Nc6", "Bc4", "Nf6"])
    print("B's premove Nf6 made after Bc4 on both boards")
    return [a, b]


def lines_from(peer, wanted):
    """Reads the old peer's socket until `wanted` lines have come, or nothing more comes."""
    received = b""
    deadline = time.monotonic() + TIMEOUT
    while received.count(b"\n") < wanted and time.monotonic() < deadline:
        try:
            chunk = peer.recv(4096)
        except socket.timeout:
            break
        if not chunk:
            break
        received += chunk
    return [line for line in received.split(b"\r\n") if line]


def old_copy(port):
    """A plain socket to the waiting copy, or None while it is not listening yet."""
    try:
        return socket.create_connection(("127.0.0.1", port), timeout=TIMEOUT)
    except ConnectionRefusedError:
        return None


def test_old(program, env):
    a = start_copy(program, env, "rookvale-premove-old-a")
    set_terms(a, "White", "3+2")
    press(a, "Wait for Connection")
    old = wait_for("A listening", lambda: old_copy(int(os.environ["ROOKVALE_PEER_PORT"])))
    try:
        wait_for("the old peer's game", lambda: count(a, "Active Game") == 1)
        drag(a, "e2e4")
        on_boards((a,), ["e4"])
        # The old copy drops the hello it does not know, and gets the move.
        hello, move = lines_from(old, 2)[:2]
        if not hello.startswith(b"/rv hello ") or move != b"/move e2e4":
            fail("the old peer got %r %r" % (hello, move))
        # Without agreed colours White's knight does not move during Black's turn, not
        # even later as a premove.
        drag(a, "g1f3")
        unchanged((a,), ["e4"])
        old.sendall(b"/move e7e5\r\n")
        on_boards((a,), ["e4", "e5"])
        unchanged((a,), ["e4", "e5"])
        old.settimeout(1.0)
        later = [line for line in lines_from(old, 1) if line.startswith(b"/move")]
        if later:
            fail("the old peer got a move it did not ask for: %r" % later)
        print("no premove against the old peer")
    finally:
        old.close()
    return [a]


def main():
    tests = {"new": test_new, "old": test_old}
    if len(sys.argv) != 3 or sys.argv[1] not in tests:
        print(__doc__)
        return 2
    with programs_on_free_port(sys.argv[2]) as program:
        exit_all(tests[sys.argv[1]](program, dict(program.env)))
    print("PASS")
    return 0


if __name__ == "__main__":
    sys.exit(main())
