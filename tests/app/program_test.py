#!/usr/bin/python3
"""Runs the real program under Xvfb and looks at its windows through the accessibility bus.

    program_test.py startup  BIN_DIR   the program starts, shows its window, Ctrl+N opens a
                                       second "Game Board", and a screenshot is not blank
    program_test.py instance BIN_DIR   a second start hands its file to the first and exits 0;
                                       one without arguments ends silently

Run inside its own D-Bus session (dbus-run-session), so the accessibility bus is private.
"""
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

import pyatspi

# Generous: the machine may be busy with other builds; a passing run never waits this long.
TIMEOUT = 60.0


def fail(message):
    print("FAIL:", message)
    sys.exit(1)


def wait_for(what, probe, timeout=TIMEOUT):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        value = probe()
        if value:
            return value
        time.sleep(0.2)
    fail("timed out waiting for " + what)


def accessibility_bus_answers():
    asked = subprocess.run(["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus",
                            "/org/a11y/bus", "org.a11y.Bus.GetAddress"],
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return asked.returncode == 0


class Display:
    """An Xvfb server on a free display number, with the session's accessibility bus."""

    def __init__(self):
        read_end, write_end = os.pipe()
        # An X server resets when its last client leaves, and turns new clients away while
        # it does: a program started just after another one ended could not open its window.
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
             "-noreset"],
            pass_fds=[write_end], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end) as pipe:
            number = pipe.readline().strip()
        if not number:
            fail("Xvfb did not start")
        os.environ["DISPLAY"] = ":" + number
        # Without a runtime folder of its own, the accessibility bus of every session on the
        # machine has the same address (~/.cache/at-spi/bus): a suite running beside this one
        # would take it over, and the program would join the other suite's bus. The bus is
        # started by the session bus, which must hear of the folder first.
        self.runtime = tempfile.mkdtemp(prefix="rookvale-runtime-")
        os.environ["XDG_RUNTIME_DIR"] = self.runtime
        subprocess.run(["dbus-update-activation-environment", "XDG_RUNTIME_DIR=" + self.runtime],
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        # The session bus starts the accessibility bus on the first request for its address.
        # Only that one launcher may run: a second one, started by hand, could lose the race
        # for the bus name yet leave its dead bus's address on the display, where the
        # program would look first and never be seen. A program started before the bus
        # answers never joins it either, so wait for the answer (slow on a busy machine).
        wait_for("the accessibility bus", accessibility_bus_answers)

    def close(self):
        self.xvfb.terminate()
        self.xvfb.wait(timeout=10)
        shutil.rmtree(self.runtime, ignore_errors=True)


class Program:
    """The program's environment: its own instance name and association folders."""

    def __init__(self, bin_dir, home):
        self.path = os.path.abspath(os.path.join(bin_dir, "rookvale"))
        self.env = dict(os.environ,
                        QT_QPA_PLATFORM="xcb",
                        QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
                        XDG_DATA_HOME=os.path.join(home, "data"),
                        XDG_CONFIG_HOME=os.path.join(home, "config"),
                        ROOKVALE_INSTANCE_NAME="rookvale-program-test-%d" % os.getpid())
        self.started = []

    def start(self, *arguments, cwd=None):
        # The program's complaints (a sanitizer's report above all) are shown on failure.
        log = tempfile.TemporaryFile()
        process = subprocess.Popen([self.path, *arguments], env=self.env, cwd=cwd,
                                   stdout=subprocess.DEVNULL, stderr=log)
        process.log = log
        self.started.append(process)
        return process

    def exit_through_menu(self, process):
        """Ends the running instance with File > Exit and checks that it ends cleanly."""
        item = wait_for("the Exit item", lambda: find_named(main_frame(), "menu item", "Exit"))
        item.queryAction().doAction(0)
        try:
            code = process.wait(timeout=TIMEOUT)
        except subprocess.TimeoutExpired:
            fail("File > Exit did not end the program")
        if code != 0:
            process.log.seek(0)
            print(process.log.read().decode(errors="replace"))
            fail("the program ended with %d" % code)

    def stop_all(self):
        for process in self.started:
            if process.poll() is None:
                process.send_signal(signal.SIGTERM)
                try:
                    process.wait(timeout=10)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait()


def top_level(name):
    """An accessible top-level window of the program (the main window, a dialog) by its
    title, or None."""
    desktop = pyatspi.Registry.getDesktop(0)
    # Without an event loop here, the list of applications is never told of one that
    # joined after it was first read: read it afresh each time.
    desktop.clearCache()
    for app in desktop:
        if app is None:
            continue
        for i in range(app.childCount):
            window = app.getChildAtIndex(i)
            if window is not None and window.name == name:
                return window
    return None


def main_frame():
    """The accessible main window "Rookvale 1.0", or None."""
    return top_level("Rookvale 1.0")


def child_titles():
    """Titles of the child windows inside the main window, or None when there is none."""
    frame = main_frame()
    if frame is None:
        return None
    # The child windows sit in the workspace, one level below the main window's children.
    titles = []
    level = [frame]
    for _ in range(2):
        level = [node.getChildAtIndex(i) for node in level for i in range(node.childCount)]
        level = [node for node in level if node is not None]
        titles += [node.name for node in level
                   if node.getRoleName() in ("frame", "internal frame") and node.name]
    return titles


def find_named(node, role, name, depth=0):
    """The first accessible below `node` with that role and name, or None."""
    if node is None or depth > 4:
        return None
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is None:
            continue
        if child.getRoleName() == role and child.name == name:
            return child
        found = find_named(child, role, name, depth + 1)
        if found:
            return found
    return None


def x_windows_named(title):
    result = subprocess.run(["xdotool", "search", "--name", "^%s$" % title],
                            capture_output=True, text=True)
    return result.stdout.split()


def test_startup(program, work):
    # What the program finds beside itself: the help page and the three sounds.
    folder = os.path.dirname(program.path)
    for name in ("Help.html", "Audio/move.wav", "Audio/attack.wav", "Audio/mate.wav"):
        if not os.path.isfile(os.path.join(folder, name)):
            fail("no %s beside the program" % name)
    first = program.start()
    windows = wait_for("the main window", lambda: x_windows_named("Rookvale 1.0"))
    titles = wait_for("the start-up windows", lambda: child_titles() and
                      "Game Board" in child_titles() and child_titles())
    print("children at start:", titles)
    for expected in ("Game Board", "Connection", "Main Console"):
        if expected not in titles:
            fail("no %r window at start" % expected)
    subprocess.run(["xdotool", "windowfocus", "--sync", windows[0]], check=True)
    subprocess.run(["xdotool", "key", "--clearmodifiers", "ctrl+n"], check=True)
    wait_for("a second Game Board", lambda: (child_titles() or []).count("Game Board") == 2)
    print("children after Ctrl+N:", child_titles())
    time.sleep(0.5)
    shot = os.path.join(work, "screen.png")
    subprocess.run(["import", "-window", "root", shot], check=True)
    colours = int(subprocess.run(["convert", shot, "-format", "%k", "info:"],
                                 capture_output=True, text=True, check=True).stdout)
    print("screenshot colours:", colours)
    if colours < 50:
        fail("the screenshot is nearly blank (%d colours)" % colours)
    keep = os.environ.get("ROOKVALE_SCREENSHOT")
    if keep:
        shutil.copy(shot, keep)
    program.exit_through_menu(first)


def test_instance(program, work):
    first = program.start()
    wait_for("the first instance", lambda: child_titles() and "Game Board" in child_titles())
    game = os.path.join(work, "hand over.rvg")
    with open(game, "wb") as file:
        file.write(b"e2e4\r\ne7e5\r\n")

    second = program.start("hand over.rvg", cwd=work)
    if second.wait(timeout=TIMEOUT) != 0:
        fail("the second start ended with %d" % second.returncode)
    wait_for("the handed-over file's window", lambda: game in (child_titles() or []))
    if len(x_windows_named("Rookvale 1.0")) != 1:
        fail("the second start showed a window of its own")
    print("handed over:", child_titles())

    before = child_titles()
    third = program.start()
    if third.wait(timeout=TIMEOUT) != 0:
        fail("the start without arguments ended with %d" % third.returncode)
    time.sleep(1.0)
    if child_titles() != before:
        fail("a start without arguments changed the first instance: %r" % child_titles())
    if first.poll() is not None:
        fail("the first instance ended")

    # Once the first has gone, a new start is the first again, even after a crash that
    # left the lock and the socket file behind.
    program.exit_through_menu(first)
    crashed = program.start()
    wait_for("a new first instance", lambda: child_titles() and "Game Board" in child_titles())
    crashed.kill()
    crashed.wait()
    again = program.start()
    wait_for("a first instance after a crash",
             lambda: child_titles() and "Game Board" in child_titles())
    program.exit_through_menu(again)


def run_mode(modes, usage, prepare=None):
    """Runs the test named by the first argument on the program in the folder named by the
    second, on a display of its own; `prepare` may set the program's environment first."""
    if len(sys.argv) != 3 or sys.argv[1] not in modes:
        print(usage)
        return 2
    display = Display()
    with tempfile.TemporaryDirectory() as work:
        program = Program(sys.argv[2], work)
        if prepare:
            prepare(program)
        try:
            modes[sys.argv[1]](program, work)
        finally:
            program.stop_all()
            display.close()
    print("PASS")
    return 0


def main():
    return run_mode({"startup": test_startup, "instance": test_instance}, __doc__)


if __name__ == "__main__":
    sys.exit(main())
