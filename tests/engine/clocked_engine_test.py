#!/usr/bin/python3
"""A game against a real engine on the clock, through the real program under Xvfb, the way
a person plays it: the engine picked from Tools > Add Engine... with the mouse, Menu > Time
Control... set to "1+0" by typing, then real mouse moves.

    clocked_engine_test.py ENGINE BIN_DIR SOURCE_DIR

ENGINE is stockfish (UCI) or fairymax (xboard). The user plays White for 16 plies or to the
end, every move legal; the engine's clock must have run (it shows less than a minute) and
the engine must not have lost on time. Exits with 77 (skipped) when the engine is not
installed.

Run inside its own D-Bus session (dbus-run-session), so the accessibility bus is private.
"""
import os
import subprocess
import sys
import tempfile
import time

import engine_program_test as ept

pt = ept.pt

PLIES = 16
PROTOCOLS = {"stockfish": "uci", "fairymax": "xboard"}


def clock_face(window, colour):
    return pt.wait_for("the %s clock" % colour, lambda: next(
        iter(ept.find_all(window.frame, "label", colour + " Clock")), None))


def seconds_shown(face):
    """The time a clock face shows ("1:00", "0:09.4"), as a screen reader reads it."""
    minutes, rest = face.description.split(":")
    return int(minutes) * 60 + float(rest)


def set_time_control(window, text):
    """Menu, then the popup's Time Control... by its access key; the text typed into the
    dialog's field "Time control", then OK clicked."""
    ept.click(window.menu)
    time.sleep(0.5)
    subprocess.run(["xdotool", "key", "c"], check=True)
    dialog = pt.wait_for("the Time Control dialog", lambda: ept.top_level("Time Control"))
    field = pt.wait_for("the field 'Time control'", lambda: next(
        iter(ept.find_all(dialog, "text", "Time control")), None))
    ept.click(field)
    subprocess.run(["xdotool", "key", "ctrl+a"], check=True)
    subprocess.run(["xdotool", "type", "--delay", "20", text], check=True)
    pt.wait_for("the typed time control",
                lambda: field.queryText().getText(0, -1) == text)
    ept.click(pt.wait_for("the OK button", lambda: next(
        iter(ept.find_all(dialog, "push button", "OK")), None)))
    pt.wait_for("the dialog to close", lambda: ept.top_level("Time Control") is None)


def test_clocked_game(engine, program, engines, settings, bin_dir):
    oracle = os.path.join(bin_dir, "engine-test-moves")
    name = "rvtest-clock-" + engine
    engines.link(name, os.path.join(ept.GAMES, engine))
    settings.remember(name, PROTOCOLS[engine])
    process = program.start()
    pt.wait_for("the start-up window", lambda: "Game Board" in (pt.child_titles() or []))

    ept.add_engine(name, play_white=True)
    window = ept.GameWindow(name)
    set_time_control(window, "1+0")
    white, black = clock_face(window, "White"), clock_face(window, "Black")
    pt.wait_for("both clocks at 1:00",
                lambda: white.description == "1:00" and black.description == "1:00")

    shown, finished = ept.play(window, oracle, True, PLIES, seed=len(engine))
    # The engine's last answer may still be on its way.
    if not finished and len(shown) % 2 == 1:
        shown = ept.wait_for_plies(window, len(shown) + 1, "the engine's last answer")
    titles = [title for title in pt.child_titles() or [] if title.startswith(name)]
    print("%s at 1+0: %s; clocks White %s Black %s; title %s" % (
        engine, " ".join(shown), white.description, black.description, titles))
    if any("(White Wins)" in title for title in titles) and seconds_shown(black) == 0:
        pt.fail("the engine lost on time")
    if len(shown) >= 6 and not 0 < seconds_shown(black) < 60:
        pt.fail("the engine's clock did not run while it thought: %s" % black.description)
    if len(shown) >= 6 and not 0 < seconds_shown(white) < 60:
        pt.fail("the user's clock did not run: %s" % white.description)
    program.exit_through_menu(process)


def main():
    if len(sys.argv) != 4 or sys.argv[1] not in PROTOCOLS:
        print(__doc__)
        return 2
    engine, bin_dir = sys.argv[1], os.path.abspath(sys.argv[2])
    if not os.access(os.path.join(ept.GAMES, engine), os.X_OK):
        print("SKIPPED: %s is not installed" % engine)
        return ept.SKIPPED
    display = pt.Display()
    engines = ept.Engines(bin_dir)
    settings = ept.Settings(bin_dir)
    with tempfile.TemporaryDirectory() as home:
        program = pt.Program(bin_dir, home)
        program.env["ROOKVALE_AD_HOST"] = "http://127.0.0.1:9"
        try:
            test_clocked_game(engine, program, engines, settings, bin_dir)
        finally:
            program.stop_all()
            engines.remove()
            settings.restore()
            display.close()
    print("PASS")
    return 0


if __name__ == "__main__":
    sys.exit(main())
