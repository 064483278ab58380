#!/usr/bin/python3
"""Two real copies of the program linked over loopback, driven as people drive them.

    peer_program_test.py BIN_DIR

Under Xvfb with the session's accessibility bus (run inside dbus-run-session): copy A waits
for a connection, copy B connects to 127.0.0.1 (buttons pressed through the accessibility
bus), both play a game with the real mouse (castling on both wings, en passant, a
promotion through the question), chat both ways with real key presses, start new games
from either side, a third peer on a plain socket joins A and leaves mid-game, B resets the
link, the View items close and reopen the link's windows, and a Connect with nobody
waiting shows its console message. The port is the one
in ROOKVALE_PEER_PORT, else the program's own 1980.
"""
import contextlib
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "app"))
import pyatspi  # noqa: E402
from program_test import TIMEOUT, Display, Program, fail, wait_for  # noqa: E402

PORT = int(os.environ.get("ROOKVALE_PEER_PORT", "1980"))
SQUARE = 60


def frame_of(process):
    """The accessible main window of one program process, or None."""
    for app in pyatspi.Registry.getDesktop(0):
        if app is None:
            continue
        try:
            if app.get_process_id() != process.pid:
                continue
        except Exception:
            continue
        for i in range(app.childCount):
            frame = app.getChildAtIndex(i)
            if frame is not None and frame.name == "Rookvale 1.0":
                return frame
    return None


def descendants(node, depth=0, limit=12):
    if node is None or depth > limit:
        return
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is None:
            continue
        yield child
        yield from descendants(child, depth + 1, limit)


def find(node, role, name=None):
    for child in descendants(node):
        if child.getRoleName() == role and (name is None or child.name == name):
            return child
    return None


def children_windows(process, title=None):
    """The child windows in the workspace (internal frames), optionally of one title."""
    frame = frame_of(process)
    if frame is None:
        return []
    return [node for node in descendants(frame, limit=4)
            if node.getRoleName() in ("frame", "internal frame")
            and node.name and (title is None or node.name == title)]


def press(process, name):
    button = wait_for("the button " + name, lambda: find(frame_of(process), "push button", name))
    button.queryAction().doAction(0)


def extents(node):
    box = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return box.x, box.y, box.width, box.height


def active_game(process):
    """The newest "Active Game" window. A new window becomes the active one and this test
    activates no older one, so it is the one peer moves act on (the workspace lists its
    windows to the accessibility bus in the order they were made)."""
    windows = children_windows(process, "Active Game")
    return windows[-1] if windows else None


def board_origin(window):
    """The screen position of the board panel's top-left corner: the file label "a" sits
    46 pixels right of it and 480 below."""
    label = wait_for("the board's labels", lambda: find(window, "label", "a"))
    x, y, _, _ = extents(label)
    return x - 46, y - 480


def square_centre(window, name):
    x, y = board_origin(window)
    file = ord(name[0]) - ord("a")
    rank = int(name[1])
    return x + 23 + SQUARE * file + SQUARE // 2, y + SQUARE * (8 - rank) + SQUARE // 2


def x_window(process):
    """The program's main X window: the largest visible one of its process."""
    found = subprocess.run(["xdotool", "search", "--all", "--onlyvisible", "--pid", str(process.pid),
                            "--name", "^Rookvale 1.0$"],
                           capture_output=True, text=True).stdout.split()
    best, area = None, 0
    for window in found:
        shape = subprocess.run(["xdotool", "getwindowgeometry", "--shell", window],
                               capture_output=True, text=True).stdout
        fields = dict(line.split("=", 1) for line in shape.split() if "=" in line)
        size = int(fields.get("WIDTH", 0)) * int(fields.get("HEIGHT", 0))
        if size > area:
            best, area = window, size
    if best is None:
        fail("no X window of process %d" % process.pid)
    return best


def bring_forward(process):
    window = x_window(process)
    subprocess.run(["xdotool", "windowraise", window], check=True)
    subprocess.run(["xdotool", "windowfocus", "--sync", window], check=True)
    time.sleep(0.3)


def drag(process, move):
    """Drags a piece with the real mouse in the process's active "Active Game" window."""
    bring_forward(process)
    window = active_game(process)
    mouse_drag(square_centre(window, move[:2]), square_centre(window, move[2:4]))


def mouse_drag(start, end):
    """Presses the real mouse at `start`, moves it to `end` in steps, as a hand does, and
    lets go."""
    (x1, y1), (x2, y2) = start, end
    subprocess.run(["xdotool", "mousemove", str(x1), str(y1)], check=True)
    time.sleep(0.2)
    subprocess.run(["xdotool", "mousedown", "1"], check=True)
    time.sleep(0.2)
    for step in range(1, 9):
        subprocess.run(["xdotool", "mousemove", str(x1 + (x2 - x1) * step // 8),
                        str(y1 + (y2 - y1) * step // 8)], check=True)
        time.sleep(0.05)
    time.sleep(0.2)
    subprocess.run(["xdotool", "mouseup", "1"], check=True)


def move_list(window):
    """The notations in a game window's move list, in order."""
    table = find(window, "table")
    if table is None:
        return []
    cells = table.queryTable()
    moves = []
    for row in range(cells.nRows):
        for column in (1, 2):
            cell = cells.getAccessibleAt(row, column)
            if cell is not None and cell.name:
                moves.append(cell.name)
    return moves


def text_of(node):
    text = node.queryText()
    return text.getText(0, text.characterCount)


def chat_log(window):
    """The lines of a game window's chat log (the read-only multi-line text field)."""
    for node in descendants(window):
        if node.getRoleName() == "text" and node.getState().contains(pyatspi.STATE_MULTI_LINE):
            return [line for line in text_of(node).split("\n") if line]
    return []


def chat(process, text):
    """Clicks into the chat line of the active "Active Game" window, types, presses Enter."""
    bring_forward(process)
    window = active_game(process)
    line = next(node for node in descendants(window) if node.getRoleName() == "text" and
                not node.getState().contains(pyatspi.STATE_MULTI_LINE))
    x, y, width, height = extents(line)
    subprocess.run(["xdotool", "mousemove", str(x + width // 2), str(y + height // 2),
                    "click", "1"], check=True)
    wait_for("the chat line's focus", lambda: line.getState().contains(pyatspi.STATE_FOCUSED))
    subprocess.run(["xdotool", "type", "--delay", "30", text], check=True)
    subprocess.run(["xdotool", "key", "Return"], check=True)


def console_text(process):
    console = find(frame_of(process), "text", "Main Console")
    return text_of(console) if console is not None else ""


def no_message_box(process):
    for node in descendants(frame_of(process).parent, limit=3):
        if node.getRoleName() in ("alert", "dialog") and node.getState().contains(
                pyatspi.STATE_SHOWING):
            fail("a message appeared: %r" % node.name)


def answer_terms(process, button):
    """Presses `button` of the program's non-modal "Game Terms" prompt once it shows."""
    def prompt():
        for node in descendants(frame_of(process).parent, limit=3):
            if node.getRoleName() in ("alert", "dialog") and node.name == "Game Terms" \
                    and node.getState().contains(pyatspi.STATE_SHOWING):
                return node
        return None
    shown = wait_for("the Game Terms prompt", prompt)
    wait_for("the button " + button, lambda: find(shown, "push button", button)) \
        .queryAction().doAction(0)
    wait_for("the prompt to close", lambda: prompt() is None)


def describe(process):
    """What a program shows, for a failure's report."""
    for window in children_windows(process):
        state = "active" if window.getState().contains(pyatspi.STATE_ACTIVE) else ""
        print("  %d %r %s %s %s" % (process.pid, window.name, state, move_list(window),
                                    chat_log(window)))


def count(process, title):
    return len(children_windows(process, title))


def free_port():
    """A loopback port that nothing listens on now, so that a test meets no other test's copies."""
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


@contextlib.contextmanager
def programs_on_free_port(bin_dir):
    """The program of `bin_dir` on a display of its own, its copies linking on a free port;
    no peer game saved by an earlier run reopens, and none of this run's stays behind."""
    saves = os.path.join(bin_dir, "PeerGames")
    shutil.rmtree(saves, ignore_errors=True)
    # The programs read the port from their environment, which is taken when they start.
    os.environ["ROOKVALE_PEER_PORT"] = str(free_port())
    display = Display()
    try:
        with tempfile.TemporaryDirectory() as work:
            program = Program(bin_dir, work)
            try:
                yield program
            finally:
                program.stop_all()
    finally:
        shutil.rmtree(saves, ignore_errors=True)
        display.close()


def port_taken(port):
    """Whether another listener holds `port`, tried as the program listens: on all addresses,
    a port left in TIME_WAIT by an earlier run counting as free."""
    for family, address in ((socket.AF_INET6, "::"), (socket.AF_INET, "0.0.0.0")):
        try:
            probe = socket.socket(family, socket.SOCK_STREAM)
        except OSError:
            continue
        with probe:
            probe.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
            try:
                probe.bind((address, port))
                probe.listen(1)
            except OSError:
                return True
        return False
    return False


def start_copy(program, env, instance):
    """Starts one copy under its own instance name and waits for its start-up windows."""
    program.env = dict(env, ROOKVALE_INSTANCE_NAME="%s-%d" % (instance, os.getpid()))
    side = program.start()
    wait_for("the start-up windows of " + instance, lambda: count(side, "Main Console") == 1)
    return side


def connect(process):
    """Types the loopback address into the Connection window and presses Connect."""
    address = wait_for("the address field", lambda: find(frame_of(process), "text", "IP Address:"))
    address.queryEditableText().setTextContents("127.0.0.1")
    press(process, "Connect")


def link(server, client):
    """The server waits for a connection, the client connects, and each gets its game window."""
    press(server, "Wait for Connection")
    connect(client)
    for side in (server, client):
        wait_for("an Active Game window", lambda: count(side, "Active Game") == 1)


def exit_all(sides):
    """Ends each copy through its Exit item and fails when one does not end cleanly."""
    for side in sides:
        item = wait_for("the Exit item", lambda: find(frame_of(side), "menu item", "Exit"))
        item.queryAction().doAction(0)
        if side.wait(timeout=60) != 0:
            side.log.seek(0)
            print(side.log.read().decode(errors="replace"))
            fail("a program ended with %d" % side.returncode)


GAME = ["e2e4", "d7d5", "e4e5", "f7f5", "e5f6", "b8c6", "f6g7", "c8e6", "g7h8", "d8d7",
        "g1f3", "e8c8", "f1e2", "h7h5", "e1g1"]
NOTATION = ["e4", "d5", "e5", "f5", "exf6", "Nc6", "fxg7", "Be6", "gxh8=Q", "Qd7", "Nf3",
            "O-O-O", "Be2", "h5", "O-O"]


def play(a, b):
    for ply, move in enumerate(GAME):
        mover = a if ply % 2 == 0 else b
        drag(mover, move)
        if move == "g7h8":
            # The question is a window of its own in A's application.
            queen = wait_for("the promotion question",
                             lambda: find(frame_of(a).parent, "push button", "Queen"))
            queen.queryAction().doAction(0)
        expected = NOTATION[:ply + 1]
        for side in (a, b):
            wait_for("%s on both boards" % move,
                     lambda: move_list(active_game(side)) == expected)
    print("game played:", " ".join(NOTATION))


def main():
    if len(sys.argv) != 2:
        print(__doc__)
        return 2
    # The programs run from the build's folder, where they keep the peer games they save:
    # none from an earlier run may reopen here, and none of this run's stays behind.
    saves = os.path.join(sys.argv[1], "PeerGames")
    shutil.rmtree(saves, ignore_errors=True)
    if port_taken(PORT):
        print("SKIP: port %d is held by another program on this machine; this test needs it "
              "for the program's own Wait for Connection" % PORT)
        return 77
    display = Display()
    with tempfile.TemporaryDirectory() as work:
        program = Program(sys.argv[1], work)
        env = dict(program.env)
        a = b = None
        try:
            a = start_copy(program, env, "rookvale-peer-a")
            b = start_copy(program, env, "rookvale-peer-b")

            link(a, b)
            print("linked on port", PORT)
            # Both are new copies: B is offered A's terms and declines them, which keeps the
            # colourless game this test plays.
            answer_terms(b, "Decline")

            play(a, b)

            chat(a, "hello from A")
            wait_for("A's chat at B", lambda: chat_log(active_game(b)) == ["Server: hello from A"])
            if chat_log(active_game(a)) != ["Server: hello from A"]:
                fail("A's own log: %r" % chat_log(active_game(a)))
            chat(b, "hi <b>A</b>")
            wait_for("B's chat at A", lambda: chat_log(active_game(a))[-1:] == ["Client: hi <b>A</b>"])
            print("chat both ways")

            for side in (b, a):
                bring_forward(side)
                subprocess.run(["xdotool", "key", "--clearmodifiers", "ctrl+n"], check=True)
                wanted = 3 if side is a else 2
                for other in (a, b):
                    wait_for("a new Active Game", lambda: count(other, "Active Game") == wanted)
            print("new games from either side")

            # A third peer joins A. A's move reaches both peers; moves from B and from the
            # third peer reach A's newest window.
            third = socket.create_connection(("127.0.0.1", PORT), timeout=TIMEOUT)
            wait_for("the third peer's window", lambda: count(a, "Active Game") == 4)
            drag(a, "e2e4")
            wait_for("A's move at B", lambda: move_list(active_game(b)) == ["e4"])
            # The third peer is an old copy: it drops the new copy's hello, as it drops
            # every line it does not know, and gets the move.
            received = b""
            while received.count(b"\n") < 2:
                received += third.recv(100)
            hello, move = received.split(b"\r\n")[:2]
            if not hello.startswith(b"/rv hello 1 ") or move != b"/move e2e4":
                fail("the third peer got %r" % received)
            drag(b, "e7e5")
            wait_for("B's move at A", lambda: move_list(active_game(a)) == ["e4", "e5"])
            third.sendall(b"/move g1f3\r\n")
            wait_for("the third peer's move at A",
                     lambda: move_list(active_game(a)) == ["e4", "e5", "Nf3"])
            # The third peer leaves mid-game: A goes on, silently.
            third.close()
            time.sleep(0.5)
            drag(a, "b8c6")
            wait_for("A's move", lambda: move_list(active_game(a)) == ["e4", "e5", "Nf3", "Nc6"])
            time.sleep(0.5)
            no_message_box(a)
            print("a second peer came, played and left")

            press(b, "Reset Connection")
            time.sleep(0.5)
            bring_forward(b)
            subprocess.run(["xdotool", "key", "--clearmodifiers", "ctrl+n"], check=True)
            wait_for("a Game Board after the reset", lambda: count(b, "Game Board") == 2)
            if count(a, "Active Game") != 4:
                fail("A's windows changed when B left")
            no_message_box(a)

            # The View items close and reopen the link's windows; a new Connection window
            # has an empty address field, a new console an empty log.
            for caption, title in (("Main Console", "Main Console"),
                                   ("Opponents Seeking Games", "Connection")):
                for wanted in (0, 1):
                    item = wait_for("the View item " + caption,
                                    lambda: find(frame_of(b), "check menu item", caption) or
                                    find(frame_of(b), "menu item", caption))
                    item.queryAction().doAction(0)
                    wait_for("%d %s windows" % (wanted, title),
                             lambda: count(b, title) == wanted)
            address = wait_for("the address field",
                               lambda: find(frame_of(b), "text", "IP Address:"))
            if text_of(address) != "" or console_text(b) != "":
                fail("the new windows are not empty")
            address.queryEditableText().setTextContents("127.0.0.1")

            press(a, "Reset Connection")
            press(b, "Connect")
            wait_for("the failure message", lambda: "Connection could not be established!"
                     in console_text(b))
            if not console_text(b).startswith("\nConnection could not be established!"):
                fail("the console shows %r" % console_text(b))
            print("reset and connect failure")

            exit_all((a, b))
        except SystemExit:
            for side in (a, b):
                if side is not None and side.poll() is None:
                    describe(side)
            raise
        finally:
            program.stop_all()
            shutil.rmtree(saves, ignore_errors=True)
            display.close()
    print("PASS")
    return 0


if __name__ == "__main__":
    sys.exit(main())
