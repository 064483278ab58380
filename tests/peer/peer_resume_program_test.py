#!/usr/bin/python3
"""A peer game that survives one of its programs being killed, driven as people drive it.

    peer_resume_program_test.py BIN_DIR [connecting|waiting]

Under Xvfb with the session's accessibility bus (run inside dbus-run-session): copy A waits
for a connection with the terms White at 5+0, copy B connects to 127.0.0.1 and accepts
them, both play four half-moves with the real mouse, and one of them is killed: B, the
connecting side (the default), or A, the waiting side. The other keeps the game with its
clocks stopped; the killed copy started again reopens the game from its automatic save.
B resumes it by Connect to the same address, A by Wait for Connection and B's Connect,
without new terms, and both play on. Both copies run from a program folder of their own
(the program copied, its files linked), which holds their settings and saved games, and
the link uses a port that is free when the test starts.
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
    if len(sys.argv) not in (2, 3) or sys.argv[2:] not in ([], ["connecting"], ["waiting"]):
        print(__doc__)
        return 2
    waiting_killed = sys.argv[2:] == ["waiting"]
    # The helpers of the first two-program test, on this test's port.
    import peer_program_test as peer  # noqa: E402
    from peer_program_test import (answer_terms, chat_log, connect, console_text,  # noqa: E402
                                   count, describe, exit_all, link, move_list, press,
                                   start_copy)
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

            # The killed copy, its name, the colour of its save, and what its reopened game
            # and the kept one say.
            if waiting_killed:
                killed, kept, name, colour = a, b, "A", "white"
                says, keeps = "connects to this program again", "press Connect to 127.0.0.1"
            else:
                killed, kept, name, colour = b, a, "B", "black"
                says, keeps = "press Connect to 127.0.0.1", "connects to this program again"
            saves = glob.glob(os.path.join(folder, "PeerGames", "*-%s.rvpeer" % colour))
            if len(saves) != 1 or "moves e2e4 e7e5 g1f3 b8c6\n" not in open(saves[0]).read():
                fail("%s's automatic save: %r" % (name, saves))
            killed.kill()
            killed.wait()
            wait_for("the link drop seen", lambda: "dropped" in console_text(kept))
            if move_list(peer.active_game(kept)) != [n for _, n in OPENING]:
                fail("the kept game changed: %r" % move_list(peer.active_game(kept)))
            if not any(keeps in line for line in chat_log(peer.active_game(kept))):
                fail("the kept game says %r" % chat_log(peer.active_game(kept)))
            print("%s killed; the other keeps the game" % name)

            killed = start_copy(program, env, "rookvale-resume-" + name.lower())
            if waiting_killed:
                a = killed
            else:
                b = killed
            reopened = wait_for("the reopened game", lambda: peer.active_game(killed))
            wait_for("the reopened moves",
                     lambda: move_list(reopened) == [n for _, n in OPENING])
            if not any(says in line for line in chat_log(reopened)):
                fail("the reopened game says %r" % chat_log(reopened))
            if count(killed, "Active Game") != 1:
                fail("%s reopened %d games" % (name, count(killed, "Active Game")))
            print("%s reopened its saved game" % name)

            if waiting_killed:
                press(a, "Wait for Connection")
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
