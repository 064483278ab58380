#!/usr/bin/python3
"""A peer game that survives its client program being killed, driven as people drive it.

    peer_resume_program_test.py BIN_DIR

Under Xvfb with the session's accessibility bus (run inside dbus-run-session): copy A waits
for a connection with the terms White at 5+0, copy B connects to 127.0.0.1 and accepts
them, both play four half-moves with the real mouse, B is killed. A keeps the game with
its clocks stopped; B started again reopens the game from its automatic save, Connect to
the same address resumes it without new terms, and both play on. Both copies run from a
program folder of their own (the program copied, its files linked), which holds their
settings and saved games, and the link uses a port that is free when the test starts.
"""
import glob
import os
import shutil
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "app"))
from program_test import Display, Program, fail, wait_for  # noqa: E402


def program_folder(bin_dir, folder):
    """A folder with a copy of the program, which takes it as its own, and links to the
    rest of what lies beside it."""
    os.makedirs(folder)
    for name in os.listdir(bin_dir):
        if name in ("rookvale", "Settings.ini", "PeerGames"):
            continue
        os.symlink(os.path.join(os.path.abspath(bin_dir), name), os.path.join(folder, name))
    shutil.copy2(os.path.join(bin_dir, "rookvale"), folder)
    with open(os.path.join(folder, "Settings.ini"), "w") as settings:
        settings.write("[Peer]\nTermsColour=White\nTermsTimeControl=5+0\n")


def main():
    if len(sys.argv) != 2:
        print(__doc__)
        return 2
    # The helpers of the first two-program test, on this test's port.
    import peer_program_test as peer  # noqa: E402
    from peer_program_test import (answer_terms, chat_log, connect, console_text,  # noqa: E402
                                   count, describe, exit_all, link, move_list, start_copy)
    from peer_game_program_test import drag  # noqa: E402
    port = peer.free_port()
    os.environ["ROOKVALE_PEER_PORT"] = str(port)

    def play(a, b, moves, before):
        for ply, (move, notation) in enumerate(moves):
            drag(a if (before + ply) % 2 == 0 else b, move)
            expected = [n for _, n in OPENING + MORE][:before + ply + 1]
            for side in (a, b):
                wait_for("%s on both boards" % move,
                         lambda: move_list(peer.active_game(side)) == expected)

    OPENING = [("e2e4", "e4"), ("e7e5", "e5"), ("g1f3", "Nf3"), ("b8c6", "Nc6")]
    MORE = [("f1c4", "Bc4"), ("g8f6", "Nf6")]

    display = Display()
    with tempfile.TemporaryDirectory() as work:
        folder = os.path.join(work, "program")
        program_folder(sys.argv[1], folder)
        program = Program(folder, work)
        env = dict(program.env)
        a = b = None
        try:
            a = start_copy(program, env, "rookvale-resume-a")
            b = start_copy(program, env, "rookvale-resume-b")
            link(a, b)
            answer_terms(b, "Accept")
            wait_for("the terms agreed", lambda: "Game terms agreed" in console_text(b))
            play(a, b, OPENING, 0)
            print("linked on port %d, four half-moves played" % port)

            saves = glob.glob(os.path.join(folder, "PeerGames", "*-black.rvpeer"))
            if len(saves) != 1 or "moves e2e4 e7e5 g1f3 b8c6\n" not in open(saves[0]).read():
                fail("B's automatic save: %r" % saves)
            b.kill()
            b.wait()
            wait_for("A to see the link drop", lambda: "dropped" in console_text(a))
            if move_list(peer.active_game(a)) != [n for _, n in OPENING]:
                fail("A's game changed: %r" % move_list(peer.active_game(a)))
            print("B killed; A keeps the game")

            b = start_copy(program, env, "rookvale-resume-b")
            reopened = wait_for("the reopened game", lambda: peer.active_game(b))
            wait_for("the reopened moves",
                     lambda: move_list(reopened) == [n for _, n in OPENING])
            if not any("press Connect to 127.0.0.1" in line for line in chat_log(reopened)):
                fail("the reopened game says %r" % chat_log(reopened))
            if count(b, "Active Game") != 1:
                fail("B reopened %d games" % count(b, "Active Game"))
            print("B reopened its saved game")

            connect(b)
            for side in (a, b):
                wait_for("the resume", lambda: "Resumed the game" in console_text(side))
                wait_for("one Active Game", lambda: count(side, "Active Game") == 1)
            peer.no_message_box(b)
            play(a, b, MORE, len(OPENING))
            print("resumed and played on:", " ".join(n for _, n in OPENING + MORE))

            exit_all((a, b))
        except SystemExit:
            for side in (a, b):
                if side is not None and side.poll() is None:
                    describe(side)
            raise
        finally:
            program.stop_all()
            display.close()
    print("PASS")
    return 0


if __name__ == "__main__":
    sys.exit(main())
