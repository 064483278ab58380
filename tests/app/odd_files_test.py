#!/usr/bin/python3
"""Odd files and a hostile page reaching the real program under Xvfb.

    odd_files_test.py handover BIN_DIR   second starts "rookvale /dev/zero" and with a named
                                         pipe: each is refused with a message, and the
                                         advertisement page, which names /dev/zero and the
                                         pipe as pictures, is shown without reading them
    odd_files_test.py dialog BIN_DIR     File > Open Game... from the keyboard, the pipe's
                                         name and /dev/zero typed into the dialog: each
                                         refused with a message
    odd_files_test.py drop BIN_DIR       the pipe and a link to /dev/zero dragged with the
                                         real mouse from another window onto the main
                                         window: each refused with a message

After each refusal the program still answers: the refused file's window is listed, and
File > Exit ends the program cleanly. Run inside its own D-Bus session (dbus-run-session).
"""
import http.server
import os
import subprocess
import sys
import threading
import time

# The shared helpers come from the other program test; leave no compiled copy in the sources.
sys.dont_write_bytecode = True
from program_test import (TIMEOUT, child_titles, fail, find_named, run_mode, wait_for,
                          x_windows_named)

import pyatspi


def message_boxes():
    """(box, text) of every open message box of the program."""
    found = []
    desktop = pyatspi.Registry.getDesktop(0)
    for app in desktop:
        if app is None:
            continue
        for i in range(app.childCount):
            window = app.getChildAtIndex(i)
            if window is None or window.getRoleName() not in ("alert", "dialog"):
                continue
            texts = [node.name for node in descendants(window)
                     if node.getRoleName() == "label" and node.name]
            found.append((window, " ".join(texts)))
    return found


def descendants(node, depth=0):
    if node is None or depth > 4:
        return
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None:
            yield child
            yield from descendants(child, depth + 1)


def expect_refusal(path):
    """Waits for the message "Cannot open file PATH", presses its OK button, and checks
    that the program goes on with the refused file's window."""
    wanted = "Cannot open file " + path
    box = wait_for("the message for " + path,
                   lambda: next((b for b, text in message_boxes() if wanted in text), None))
    button = find_named(box, "push button", "OK")
    if button is None:
        fail("the message has no OK button")
    button.queryAction().doAction(0)
    wait_for("the message to close",
             lambda: not any(wanted in text for _, text in message_boxes()))
    wait_for("the refused file's window", lambda: path in (child_titles() or []))
    print("refused:", path)


def make_odd_files(work):
    pipe = os.path.join(work, "pipe.rvg")
    os.mkfifo(pipe)
    zero = os.path.join(work, "zero.rvg")
    os.symlink("/dev/zero", zero)
    return pipe, zero


class HostilePage(http.server.BaseHTTPRequestHandler):
    """The "/ad" page, naming a device and a pipe as its pictures."""
    pipe = ""
    requests = []

    def do_GET(self):
        HostilePage.requests.append(self.path)
        body = ('<html><body><p>Rookvale for two players</p><img src="file:///dev/zero">'
                '<img src="file://%s"><img src="/banner.png"></body></html>' % self.pipe).encode()
        self.send_response(200)
        self.send_header("Content-Type", "text/html")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *arguments):
        pass


def serve_hostile_page(pipe):
    HostilePage.pipe = pipe
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), HostilePage)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


def pipe_has_reader(pipe):
    try:
        os.close(os.open(pipe, os.O_WRONLY | os.O_NONBLOCK))
        return True
    except OSError:
        return False


def resident_mib(process):
    with open("/proc/%d/status" % process.pid) as status:
        for line in status:
            if line.startswith("VmRSS:"):
                return int(line.split()[1]) // 1024
    return 0


def test_handover(program, work):
    pipe, _ = make_odd_files(work)
    server = serve_hostile_page(pipe)
    program.env["ROOKVALE_AD_HOST"] = "http://127.0.0.1:%d" % server.server_address[1]
    first = program.start()
    wait_for("the first instance", lambda: "Game Board" in (child_titles() or []))
    wait_for("the advertisement page's request", lambda: HostilePage.requests)
    # Time to draw the page: reading the device would fill the memory, opening the pipe
    # would hang the window (and the hand-overs below would never be answered).
    time.sleep(2.0)
    if HostilePage.requests != ["/ad"]:
        fail("the program asked the host for %r" % HostilePage.requests)
    if pipe_has_reader(pipe):
        fail("the program opened the pipe named by the page")
    if resident_mib(first) > 400:
        fail("the program grew to %d MiB" % resident_mib(first))
    for path, argument, cwd in (("/dev/zero", "/dev/zero", None),
                                (pipe, "pipe.rvg", work)):
        second = program.start(argument, cwd=cwd)
        if second.wait(timeout=TIMEOUT) != 0:
            fail("the second start with %s ended with %d" % (argument, second.returncode))
        expect_refusal(path)
    server.shutdown()
    program.exit_through_menu(first)


def test_dialog(program, work):
    pipe, _ = make_odd_files(work)
    first = program.start()
    main = wait_for("the main window", lambda: x_windows_named("Rookvale 1.0"))[0]
    wait_for("the start-up windows", lambda: "Game Board" in (child_titles() or []))
    # File > Open Game... from the keyboard, by the menus' access keys: the accessible
    # action of a menu item would not return while the dialog it opens is open.
    for path in (pipe, "/dev/zero"):
        subprocess.run(["xdotool", "windowfocus", "--sync", main], check=True)
        subprocess.run(["xdotool", "key", "--clearmodifiers", "alt+f"], check=True)
        time.sleep(0.5)
        subprocess.run(["xdotool", "key", "o"], check=True)
        wait_for("the Open dialog", open_dialog)
        # The dialog opens with the focus in its file name field.
        time.sleep(0.5)
        subprocess.run(["xdotool", "type", "--delay", "20", path], check=True)
        subprocess.run(["xdotool", "key", "Return"], check=True)
        expect_refusal(path)
    program.exit_through_menu(first)


def open_dialog():
    """The program's open dialog, or None."""
    desktop = pyatspi.Registry.getDesktop(0)
    for app in desktop:
        for i in range(app.childCount if app is not None else 0):
            window = app.getChildAtIndex(i)
            if window is not None and window.getRoleName() == "dialog" and \
                    find_named(window, "push button", "Open"):
                return window
    return None


def window_geometry(window):
    shown = subprocess.run(["xdotool", "getwindowgeometry", "--shell", window],
                           capture_output=True, text=True, check=True).stdout
    values = dict(line.split("=", 1) for line in shown.split())
    return int(values["X"]), int(values["Y"]), int(values["WIDTH"]), int(values["HEIGHT"])


def drag(source, target):
    """Drags with the real mouse from one screen point to another, in steps as a hand."""
    subprocess.run(["xdotool", "mousemove", str(source[0]), str(source[1])], check=True)
    time.sleep(0.3)
    subprocess.run(["xdotool", "mousedown", "1"], check=True)
    time.sleep(0.3)
    for step in range(1, 11):
        x = source[0] + (target[0] - source[0]) * step // 10
        y = source[1] + (target[1] - source[1]) * step // 10
        subprocess.run(["xdotool", "mousemove", str(x), str(y)], check=True)
        time.sleep(0.1)
    time.sleep(0.3)
    subprocess.run(["xdotool", "mouseup", "1"], check=True)


def test_drop(program, work):
    pipe, zero = make_odd_files(work)
    first = program.start()
    main = wait_for("the main window", lambda: x_windows_named("Rookvale 1.0"))[0]
    wait_for("the start-up windows", lambda: "Game Board" in (child_titles() or []))
    x, y, width, height = window_geometry(main)
    # The status bar: part of the main window, outside every child window.
    target = (x + width * 3 // 4, y + height - 6)
    source_program = os.path.join(os.path.dirname(program.path), "rvdragsource")
    for path in (pipe, zero):
        source = subprocess.Popen([source_program, path], env=program.env)
        window = wait_for("the drag source", lambda: x_windows_named("Drag Source"))[0]
        time.sleep(0.5)
        sx, sy, sw, sh = window_geometry(window)
        drag((sx + sw // 2, sy + sh // 2), target)
        if source.wait(timeout=TIMEOUT) != 0:
            fail("the drop of %s was not taken (%d)" % (path, source.returncode))
        expect_refusal(path)
    program.exit_through_menu(first)


def no_network_page(program):
    """No page from the network unless a test serves one."""
    program.env["ROOKVALE_AD_HOST"] = "http://127.0.0.1:9"


def main():
    tests = {"handover": test_handover, "dialog": test_dialog, "drop": test_drop}
    return run_mode(tests, __doc__, no_network_page)


if __name__ == "__main__":
    sys.exit(main())
