#!/usr/bin/python3
"""Plays engines through the real program under Xvfb, the way a person does: Tools > Add
Engine... and its dialog, the colour question, real mouse drags (xdotool), File > Close and
File > Exit; widgets are found through the accessibility bus.

    engine_program_test.py ENGINE BIN_DIR SOURCE_DIR

ENGINE is fairymax, phalanx, hoichess, stockfish (PolyGlot in front of it, through the
wrapper script, set to xboard), uci-stockfish (Stockfish itself, found to speak UCI) or
gnuchess (through a script in the folder that gives it "--xboard", as a user would write it;
found to speak xboard and to be silent at its start): the user plays White for 20 plies or to the end with every move legal;
a second window answered "No" has the engine open as White; no engine process remains
after its window closes or after the program exits. ENGINE scripted plays the scripted
stand-in engine: the Menu button's Engine items, and the end of several stubborn engines
at exit. ENGINE dialog: the engine dialog lists links and executable files and no other
file, and an entry clicked with the mouse, then Open clicked, opens the engine's window.
Every engine is picked from the dialog's list with a real click, then a click on Open. Exits with 77 (skipped) when the engine is not installed.

Run inside its own D-Bus session (dbus-run-session), so the accessibility bus is private.
"""
import os
import random
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "app"))
import program_test as pt  # noqa: E402  (the display, the program and the waits)

import pyatspi  # noqa: E402

SKIPPED = 77
PLIES = 20
GAMES = "/usr/games"
# Where the board lies in a game window, from the Menu button's corner (504 + 12, 242).
MENU_BUTTON = (516, 242)
# GNU Chess needs "--xboard": the script a user puts in the Engines folder for it.
GNUCHESS_SCRIPT = '#!/bin/sh\nexec /usr/games/gnuchess --xboard "$@"\n'
BOARD_LEFT = 23
SQUARE = 60


def fail(message):
    pt.fail(message)


def find_all(node, role, name=None, depth=0, found=None):
    found = [] if found is None else found
    if node is None or depth > 14:
        return found
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is None:
            continue
        if child.getRoleName() == role and (name is None or child.name == name):
            found.append(child)
        find_all(child, role, name, depth + 1, found)
    return found


def application():
    frame = pt.main_frame()
    return frame.getApplication() if frame is not None else None


def top_level(name):
    """A window of the program outside the main window (a dialog), by its title."""
    app = application()
    if app is None:
        return None
    for i in range(app.childCount):
        child = app.getChildAtIndex(i)
        if child is not None and child.name == name:
            return child
    return None


def press(node):
    node.queryAction().doAction(0)


def menu_item(name):
    return pt.wait_for("the menu item " + name,
                       lambda: next(iter(find_all(pt.main_frame(), "menu item", name)), None))


class Engines:
    """Links in the "Engines" folder beside the program, taken away again at the end."""

    def __init__(self, bin_dir):
        self.folder = os.path.join(bin_dir, "Engines")
        os.makedirs(self.folder, exist_ok=True)
        self.links = []

    def link(self, name, target):
        path = os.path.join(self.folder, name)
        if os.path.lexists(path):
            os.remove(path)
        os.symlink(target, path)
        self.links.append(path)

    def script(self, name, text):
        """An executable script of the user's own, not a link."""
        path = os.path.join(self.folder, name)
        if os.path.lexists(path):
            os.remove(path)
        with open(path, "w") as file:
            file.write(text)
        os.chmod(path, 0o755)
        self.links.append(path)

    def remove(self):
        for path in self.links:
            if os.path.lexists(path):
                os.remove(path)


class Settings:
    """The program's "Settings.ini": which protocol an engine file speaks, set before the
    program starts and read after; the file is put back as it was at the end."""

    SECTION = "[Engines]"

    def __init__(self, bin_dir):
        self.path = os.path.join(bin_dir, "Settings.ini")
        self.original = open(self.path, "rb").read() if os.path.exists(self.path) else None

    def lines(self):
        if not os.path.exists(self.path):
            return []
        with open(self.path, newline="") as file:
            return file.read().split("\r\n")

    def remember(self, key, protocol):
        lines = [line for line in self.lines() if line and not line.startswith(key + "=")]
        if self.SECTION not in lines:
            lines.append(self.SECTION)
        lines.insert(lines.index(self.SECTION) + 1, "%s=%s" % (key, protocol))
        with open(self.path, "w", newline="") as file:
            file.write("\r\n".join(lines) + "\r\n")

    def forget(self, key):
        lines = [line for line in self.lines() if line and not line.startswith(key + "=")]
        with open(self.path, "w", newline="") as file:
            file.write("\r\n".join(lines) + "\r\n")

    def protocol(self, key):
        for line in self.lines():
            if line.startswith(key + "="):
                return line.split("=", 1)[1]
        return None

    def restore(self):
        if self.original is None:
            if os.path.exists(self.path):
                os.remove(self.path)
            return
        with open(self.path, "wb") as file:
            file.write(self.original)


def keys_to(title, *names):
    """Keys pressed on the program's window of that title."""
    window = pt.wait_for("the window " + title, lambda: pt.x_windows_named(title))[-1]
    subprocess.run(["xdotool", "windowfocus", "--sync", window], check=True)
    subprocess.run(["xdotool", "key", "--clearmodifiers", *names], check=True)


def open_engine_dialog():
    """Tools > Add Engine..., and the dialog it opens."""
    # The keyboard, not an accessible action: the command opens a modal dialog, and the
    # accessibility bus would wait for the answer to the press until the dialog closed.
    keys_to("Rookvale 1.0", "alt+t", "a")
    return pt.wait_for("the engine dialog", lambda: next(
        (top_level(title) for title in ("Open", "") if top_level(title) is not None and
         find_all(top_level(title), "push button", "Open")), None))


def within(probe, timeout):
    """Whether `probe` comes true before `timeout` seconds have passed."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if probe():
            return True
        time.sleep(0.2)
    return False


def showing(node):
    return node.getState().contains(pyatspi.STATE_SHOWING)


def file_entries(dialog, name=None):
    """The entries of the dialog's file list that are on the screen: cells of its detail
    view or items of its list view, whichever the dialog shows."""
    return [entry for role in ("table cell", "list item")
            for entry in find_all(dialog, role, name) if showing(entry)]


def listed_files(dialog):
    """The texts the dialog's file list shows."""
    return sorted({entry.name for entry in file_entries(dialog)})


def click(node):
    """A real click in the middle of a widget, as a person does."""
    extents = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    x, y = extents.x + extents.width // 2, extents.y + extents.height // 2
    subprocess.run(["xdotool", "mousemove", str(x), str(y)], check=True)
    time.sleep(0.2)
    subprocess.run(["xdotool", "click", "1"], check=True)


def pick_engine(dialog, name):
    """The engine's entry in the list clicked, then the Open button clicked."""
    entry = pt.wait_for("%s in the engine list" % name,
                        lambda: next(iter(file_entries(dialog, name)), None))
    button = find_all(dialog, "push button", "Open")[0]
    for attempt in range(3):
        click(entry)
        if within(lambda: button.getState().contains(pyatspi.STATE_ENABLED), 5.0):
            break
        print("the click on %s was not taken; again" % name)
    click(button)


def answer_colour(play_white):
    question = pt.wait_for("the colour question", lambda: top_level("Color Selection"))
    if not find_all(question, "label", "Do you want to play white pieces?"):
        fail("the colour question does not ask whether to play White")
    press(pt.wait_for("the answer button",
                      lambda: next(iter(find_all(question, "push button",
                                                 "Yes" if play_white else "No")), None)))
    pt.wait_for("the question to close", lambda: top_level("Color Selection") is None)


def add_engine(name, play_white):
    """Tools > Add Engine..., the engine picked from the list with the mouse, the colour
    answered."""
    pick_engine(open_engine_dialog(), name)
    answer_colour(play_white)


class GameWindow:
    """One game window, found by its title: its move list and its board on the screen."""

    def __init__(self, title, inverted=False):
        self.title = title
        self.inverted = inverted
        self.frame = pt.wait_for("the window " + title, lambda: next(iter(
            find_all(pt.main_frame(), "frame", title) +
            find_all(pt.main_frame(), "internal frame", title)), None))
        self.table = find_all(self.frame, "table")[0]
        self.menu = find_all(self.frame, "push button", "Menu")[0]

    def moves(self):
        table = self.table.queryTable()
        shown = []
        for row in range(table.nRows):
            for column in (1, 2):
                cell = table.getAccessibleAt(row, column)
                text = cell.name if cell is not None else ""
                if not text:
                    return shown
                shown.append(text)
        return shown

    def centre(self, square):
        extents = self.menu.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        left, top = extents.x - MENU_BUTTON[0], extents.y - MENU_BUTTON[1]
        file, rank = ord(square[0]) - ord("a"), int(square[1])
        column, row = (7 - file, rank - 1) if self.inverted else (file, 8 - rank)
        return (left + BOARD_LEFT + SQUARE * column + SQUARE // 2,
                top + SQUARE * row + SQUARE // 2)

    @staticmethod
    def xdotool(*arguments):
        subprocess.run(["xdotool", *map(str, arguments)], check=True)

    def drag(self, move):
        (x1, y1), (x2, y2) = self.centre(move[:2]), self.centre(move[2:4])
        self.xdotool("mousemove", x1, y1)
        time.sleep(0.2)
        self.xdotool("mousedown", 1)
        time.sleep(0.3)
        # Move in steps, as a hand does, so that the drag sees the pointer travel.
        for step in range(1, 7):
            self.xdotool("mousemove", x1 + (x2 - x1) * step // 6, y1 + (y2 - y1) * step // 6)
            time.sleep(0.05)
        time.sleep(0.15)
        self.xdotool("mouseup", 1)


def legal_moves(oracle, shown):
    """(side to move, finished, legal moves) after the moves shown, those that allow no mate
    in one where there are such; fails when a move shown is not legal."""
    result = subprocess.run([oracle, "--safe", *shown], capture_output=True, text=True)
    if result.returncode != 0:
        fail("the move list holds an illegal move: %s %s" % (result.stderr.strip(), shown))
    # The first line is the side to move and the finished mark, then one move per line
    # ("white" and "black" are five letters long too, so only the lines after it are moves).
    header, *moves = result.stdout.splitlines()
    side, *marks = header.split()
    return side, "finished" in marks, [m for m in moves if m]


def wait_for_plies(window, count, what, timeout=60.0):
    """The moves shown once there are at least `count` (the engine may already have answered
    the move waited for)."""
    pt.wait_for(what, lambda: len(window.moves()) >= count, timeout)
    return window.moves()


def play(window, oracle, user_white, plies, seed):
    """The user moves with the mouse and the engine answers, until `plies` or the end."""
    chooser = random.Random(seed)
    while True:
        shown = window.moves()
        side, finished, legal = legal_moves(oracle, shown)
        if finished or len(shown) >= plies:
            return shown, finished
        if (side == "white") != user_white:
            wait_for_plies(window, len(shown) + 1, "the engine's answer to ply %d" % len(shown))
            continue
        # Random moves, but not the ones that open the king's side for a quick mate.
        exposing = {"f2", "g2", "e1", "f7", "g7", "e8"}
        quiet = [m for m in legal if len(m) == 4 and
                 (m[:2] not in exposing or m in ("e1g1", "e1c1", "e8g8", "e8c8"))]
        move = chooser.choice(quiet or legal)
        # A busy machine may take the press late and miss the drag: as a person would,
        # try again while the move has not been made.
        for attempt in range(3):
            window.drag(move)
            if len(move) == 5:
                promotion = pt.wait_for("the promotion dialog",
                                        lambda: top_level("Please select the piece:"))
                press(find_all(promotion, "push button", "Queen")[0])
            deadline = time.monotonic() + 8.0
            while time.monotonic() < deadline and len(window.moves()) == len(shown):
                time.sleep(0.2)
            if len(window.moves()) > len(shown):
                break
            print("the drag of %s was not taken; again" % move)
        wait_for_plies(window, len(shown) + 1, "the user's move %s" % move, timeout=5.0)


def engine_output(window):
    """The lines of the window's "Engine Output" panel."""
    panel = next(iter(find_all(window.frame, "text", "Engine Output")), None)
    if panel is None:
        return []
    text = panel.queryText().getText(0, -1)
    return [line for line in text.splitlines() if line.strip()]


def check_thinking(window, oracle, engine):
    """Menu > Engine > Engine Output shows the engine's thinking about the next move: each
    line's variation is legal from the position it was thought in."""
    shown = window.moves()
    _, finished, _ = legal_moves(oracle, shown)
    if finished:
        print("the game ended; no thinking to show")
        return
    # A busy machine may lose a key of the menu walk: as a person would, look and try again.
    for attempt in range(3):
        engine_command(window, "Down", "Down")  # below Compute and Speed
        if within(lambda: any(showing(panel) for panel in
                              find_all(window.frame, "text", "Engine Output")), 5.0):
            break
        subprocess.run(["xdotool", "key", "Escape", "Escape", "Escape"], check=True)
        print("the Engine Output item was not reached; again")
    else:
        fail("Menu > Engine > Engine Output did not show the panel")
    played, _ = play(window, oracle, True, len(shown) + 1, seed=3)
    base = played[:len(shown) + 1]
    lines = pt.wait_for("the engine's thinking in the panel", lambda: engine_output(window))
    # The engine thinks for a second; take what it showed by then.
    wait_for_plies(window, len(base) + 1, "the engine's answer while the panel is shown")
    time.sleep(0.5)
    lines = engine_output(window)
    for line in lines:
        # depth, score, time, "s", nodes, then the variation
        variation = [word for word in line.split()[5:] if not word.endswith(".")]
        if not variation:
            fail("a line of the panel shows no variation: %r" % line)
        legal_moves(oracle, base + variation)
    print("%s thinking, %d lines, the last: %s" % (engine, len(lines), lines[-1]))


def process_table():
    """(pid -> parent pid, pid -> start time) of every process."""
    parents, starts = {}, {}
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open("/proc/%s/stat" % entry) as stat:
                fields = stat.read().rsplit(")", 1)[1].split()
        except OSError:
            continue
        parents[int(entry)] = int(fields[1])
        starts[int(entry)] = fields[19]
    return parents, starts


def descendants(pid):
    """The processes below `pid` as (pid, start time) pairs, so a reused id is not mistaken."""
    parents, starts = process_table()
    found, level = set(), {pid}
    while level:
        level = {child for child, parent in parents.items() if parent in level}
        found |= {(child, starts[child]) for child in level}
    return found


def remaining(processes):
    _, starts = process_table()
    return {(pid, start) for pid, start in processes if starts.get(pid) == start}


def engine_processes(program, before):
    return pt.wait_for("the engine's processes", lambda: descendants(program.pid) - before)


def expect_gone(processes, after):
    # A zombie still has its entry in /proc, so it counts as remaining.
    pt.wait_for("the engine processes %r to end after %s" % (sorted(processes), after),
                lambda: not remaining(processes), timeout=10.0)
    print("no engine process left after %s (%s)" % (after, sorted(p for p, _ in processes)))


def engine_target(engine, source_dir):
    if engine == "uci-stockfish":
        needed, target = ["stockfish"], os.path.join(GAMES, "stockfish")
    elif engine == "stockfish":
        needed = ["polyglot", "stockfish"]
        target = os.path.join(source_dir, "tests", "engine", "stockfish-polyglot")
    elif engine == "gnuchess":
        needed, target = [engine], None  # a script, written by test_real_engine
    else:
        needed, target = [engine], os.path.join(GAMES, engine)
    for program in needed:
        if not os.access(os.path.join(GAMES, program), os.X_OK):
            print("SKIPPED: %s is not installed" % program)
            sys.exit(SKIPPED)
    return target


def test_real_engine(engine, program, engines, settings, bin_dir, source_dir):
    target = engine_target(engine, source_dir)
    oracle = os.path.join(bin_dir, "engine-test-moves")
    # Names of the test's own, so that a person's links in the folder are left alone.
    name = "rvtest-" + engine
    for key in (name, name + "-white"):
        if target is None:
            engines.script(key, GNUCHESS_SCRIPT)
        else:
            engines.link(key, target)
    if engine in ("uci-stockfish", "gnuchess"):
        # Found out when the engine is added, and remembered.
        for key in (name, name + "-white"):
            settings.forget(key)
            settings.forget(key + "/start")
    else:
        # PolyGlot speaks UCI too when it is asked in UCI: the user set xboard for it.
        for key in (name, name + "-white"):
            settings.remember(key, "xboard")
    process = program.start()
    pt.wait_for("the start-up window", lambda: "Game Board" in (pt.child_titles() or []))

    add_engine(name, play_white=True)
    window = GameWindow(name)
    if engine == "uci-stockfish" and settings.protocol(name) != "uci":
        fail("Stockfish was not found to speak UCI: %r" % settings.protocol(name))
    if engine == "gnuchess" and (settings.protocol(name), settings.protocol(name + "/start")) != (
            "xboard", "silent"):
        fail("GNU Chess was not found to speak xboard and to start silently: %r %r"
             % (settings.protocol(name), settings.protocol(name + "/start")))
    first = engine_processes(process, set())
    shown, finished = play(window, oracle, True, PLIES, seed=len(engine))
    print("%s as Black: %s%s" % (engine, " ".join(shown), " (finished)" if finished else ""))
    if engine in ("uci-stockfish", "fairymax"):
        check_thinking(window, oracle, engine)

    add_engine(name + "-white", play_white=False)
    opening = GameWindow(name + "-white", inverted=True)
    second = engine_processes(process, first)
    shown = wait_for_plies(opening, 1, "the engine's first move as White")
    side, _, _ = legal_moves(oracle, shown)
    if side != "black":
        fail("after the engine's opening move White is still to move")
    shown, _ = play(opening, oracle, False, 4, seed=7)
    print("%s as White: %s" % (engine, " ".join(shown)))

    press(menu_item("Close"))
    pt.wait_for("the window to close",
                lambda: name + "-white" not in (pt.child_titles() or []))
    expect_gone(second, "its window closed")
    if remaining(first) != first:
        fail("closing one window ended the other window's engine")
    program.exit_through_menu(process)
    expect_gone(first, "File > Exit")


def engine_command(window, *path):
    """A command of the Menu button's Engine submenu, with the real mouse and keyboard: the
    accessibility bus does not show a window's popup menus."""
    extents = window.menu.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    subprocess.run(["xdotool", "mousemove", str(extents.x + extents.width // 2),
                    str(extents.y + extents.height // 2), "click", "1"], check=True)
    time.sleep(0.5)
    # Flip Board, then Engine: open it, and walk down to the command.
    subprocess.run(["xdotool", "key", "--delay", "150", "Down", "Down", "Right", *path,
                    "Return"], check=True)
    time.sleep(0.3)


def test_scripted(program, engines, settings, bin_dir):
    work = tempfile.mkdtemp()
    script, log = os.path.join(work, "script"), os.path.join(work, "received")
    with open(script, "w") as file:
        file.write("await go\\n\nsay move e2e4\\n\n")
    program.env["ROOKVALE_ENGINE_SCRIPT"] = script
    program.env["ROOKVALE_ENGINE_LOG"] = log
    engines.link("rvtest-scripted", os.path.join(bin_dir, "scripted-engine"))
    settings.remember("rvtest-scripted", "xboard")
    process = program.start()
    pt.wait_for("the start-up window", lambda: "Game Board" in (pt.child_titles() or []))

    add_engine("rvtest-scripted", play_white=True)
    window = GameWindow("rvtest-scripted")
    engine_command(window, "Down", "Right", "Down", "Down")  # Speed > Slow
    engine_command(window)  # Compute
    # After Compute the engine plays White and its e2e4 arrives through the poll.
    wait_for_plies(window, 1, "the scripted engine's move after Compute")
    with open(log, "rb") as file:
        received = file.read()
    if received != b"xboard\nnew\nst 1\nst 15\ngo\n":
        fail("the scripted engine received %r" % received)

    # Engines that ignore quit, the end of their input and terminate: the program still
    # ends at once and leaves none behind.
    with open(script, "w") as file:
        file.write("stubborn\n")
    for number in range(3):
        engines.link("rvtest-stubborn%d" % number, os.path.join(bin_dir, "scripted-engine"))
        settings.remember("rvtest-stubborn%d" % number, "xboard")
        add_engine("rvtest-stubborn%d" % number, play_white=True)
    stubborn = engine_processes(program.started[-1], set())
    started = time.monotonic()
    program.exit_through_menu(process)
    print("the program ended %.2f s after File > Exit with four engines attached"
          % (time.monotonic() - started))
    expect_gone(stubborn, "File > Exit")


def test_dialog(program, engines, bin_dir):
    """The dialog lists links to engines and executable files, not other files; an entry
    clicked and Open clicked opens the engine's window."""
    installed = [name for name in ("fairymax", "phalanx", "hoichess")
                 if os.access(os.path.join(GAMES, name), os.X_OK)]
    for name in installed:
        engines.link("rvtest-list-" + name, os.path.join(GAMES, name))
    copy = os.path.join(engines.folder, "rvtest-list-copy")
    shutil.copy(os.path.join(bin_dir, "scripted-engine"), copy)
    engines.links.append(copy)
    notes = os.path.join(engines.folder, "rvtest-list-notes.txt")
    with open(notes, "w") as file:
        file.write("not an engine\n")
    engines.links.append(notes)
    work = tempfile.mkdtemp()
    script = os.path.join(work, "script")
    with open(script, "w") as file:
        file.write("await quit\n")
    program.env["ROOKVALE_ENGINE_SCRIPT"] = script

    process = program.start()
    pt.wait_for("the start-up window", lambda: "Game Board" in (pt.child_titles() or []))
    dialog = open_engine_dialog()
    expected = sorted(["rvtest-list-" + name for name in installed] + ["rvtest-list-copy"])
    listed = pt.wait_for("the engines in the list", lambda: (
        lambda shown: shown if all(name in shown for name in expected) else None)(
            listed_files(dialog)))
    print("listed:", " ".join(name for name in listed if name.startswith("rvtest-list")))
    if "rvtest-list-notes.txt" in listed:
        fail("a file that is not executable is listed as an engine")
    pick_engine(dialog, "rvtest-list-copy")
    answer_colour(True)
    GameWindow("rvtest-list-copy")
    if len(descendants(process.pid)) == 0:
        fail("no engine process runs for the window opened from the list")
    program.exit_through_menu(process)


def main():
    if len(sys.argv) != 4:
        print(__doc__)
        return 2
    engine, bin_dir, source_dir = sys.argv[1], os.path.abspath(sys.argv[2]), os.path.abspath(sys.argv[3])
    if engine not in ("scripted", "dialog"):
        engine_target(engine, source_dir)
    display = pt.Display()
    engines = Engines(bin_dir)
    settings = Settings(bin_dir)
    with tempfile.TemporaryDirectory() as home:
        program = pt.Program(bin_dir, home)
        program.env["ROOKVALE_AD_HOST"] = "http://127.0.0.1:9"
        try:
            if engine == "scripted":
                test_scripted(program, engines, settings, bin_dir)
            elif engine == "dialog":
                test_dialog(program, engines, bin_dir)
            else:
                test_real_engine(engine, program, engines, settings, bin_dir, source_dir)
        finally:
            program.stop_all()
            engines.remove()
            settings.restore()
            display.close()
    print("PASS")
    return 0


if __name__ == "__main__":
    sys.exit(main())
