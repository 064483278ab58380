#!/usr/bin/python3
"""The real program under Xvfb, driven as a person drives it: keys and the mouse through
xdotool, menu items and buttons through the accessibility bus.

    user_test.py keys     BIN_DIR   Ctrl+S saves an untitled game through the Save As dialog,
                                    Ctrl+X, Ctrl+C and Ctrl+V work on the chat line,
                                    Ctrl+N opens a game window, Ctrl+O opens the saved game
    user_test.py mouse    BIN_DIR   a click, then quick moves one after the other, with the
                                    real mouse
    user_test.py refresh  BIN_DIR   a desktop refresh that fails or takes 30 s holds up nothing
    user_test.py commands BIN_DIR   every menu item and tool-bar button of the main window, and
                                    the game window's Menu button and board menu, reach their
                                    commands (Tools > Add Engine and the Engine menu aside)

Run inside its own D-Bus session (dbus-run-session), as program_test.py is.
"""
import os
import shutil
import subprocess
import sys
import time

import pyatspi

from program_test import (child_titles, fail, find_named, main_frame, run_mode, top_level,
                          wait_for, x_windows_named)

SQUARE = 60


def xdotool(*arguments):
    subprocess.run(["xdotool", *[str(a) for a in arguments]], check=True)


def key(*names):
    xdotool("key", "--clearmodifiers", *names)


def focus_main_window():
    windows = wait_for("the main window", lambda: x_windows_named("Rookvale 1.0"))
    xdotool("windowfocus", "--sync", windows[0])


def extents(node):
    box = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return box.x, box.y, box.width, box.height


def centre(node):
    x, y, width, height = extents(node)
    return x + width // 2, y + height // 2


def game_frame(title="Game Board"):
    """The accessible child window of that title (the first one), or None."""
    frame = main_frame()
    return find_named(frame, "frame", title) if frame else None


def square_centre(frame, square):
    """Screen centre of a square (white at the bottom) of the game window `frame`."""
    board = frame.getChildAtIndex(0).getChildAtIndex(0)
    left, top, _, _ = extents(board)
    column = ord(square[0]) - ord("a")
    row = 8 - int(square[1])
    return left + 23 + SQUARE * column + SQUARE // 2, top + SQUARE * row + SQUARE // 2


def move_list(frame):
    """The filled cells of the game window's move list, in reading order."""
    table = frame.getChildAtIndex(0).getChildAtIndex(1)
    table = [table.getChildAtIndex(i) for i in range(table.childCount)
             if table.getChildAtIndex(i).getRoleName() == "table"][0]
    return [table.getChildAtIndex(i).name for i in range(table.childCount)
            if table.getChildAtIndex(i).getRoleName() == "table cell"
            and table.getChildAtIndex(i).name]


def chat_line(frame):
    """The game window's chat line: the last text field of its right-hand panel."""
    panel = frame.getChildAtIndex(0).getChildAtIndex(1)
    fields = [panel.getChildAtIndex(i) for i in range(panel.childCount)
              if panel.getChildAtIndex(i).getRoleName() == "text"]
    return fields[-1]


def drag(start, end, pause=0.05):
    """Presses at `start`, moves in steps as a hand does, and lets go at `end`."""
    xdotool("mousemove", *start)
    time.sleep(pause)
    xdotool("mousedown", 1)
    time.sleep(pause)
    for step in range(1, 9):
        xdotool("mousemove", start[0] + (end[0] - start[0]) * step // 8,
                start[1] + (end[1] - start[1]) * step // 8)
        time.sleep(pause)
    xdotool("mouseup", 1)


def click_menu(*path):
    """Chooses a menu item, e.g. click_menu("File", "Save Game As..."), as a screen reader does."""
    node = main_frame()
    for name in path:
        node = wait_for("the menu item " + name, lambda n=node: find_named(n, "menu item", name))
    node.queryAction().doAction(0)


def dialog_named(title):
    return wait_for("the %r dialog" % title, lambda: x_windows_named(title))


def type_into_dialog(title, text):
    """Types `text` into the focused field of the dialog and presses Return."""
    window = dialog_named(title)[0]
    xdotool("windowfocus", "--sync", window)
    time.sleep(0.3)
    key("ctrl+a")
    xdotool("type", "--delay", 5, text)
    key("Return")
    wait_for("the %r dialog to close" % title, lambda: not x_windows_named(title))


def test_keys(program, work):
    first = program.start()
    wait_for("the start-up windows", lambda: game_frame())
    frame = game_frame()
    drag(square_centre(frame, "e2"), square_centre(frame, "e4"))
    wait_for("the move e2-e4", lambda: move_list(frame) == ["1", "e4"])

    # Save on an untitled game with moves asks for a name.
    focus_main_window()
    key("ctrl+s")
    saved = os.path.join(work, "by keys.rvg")
    type_into_dialog("Save As", saved)
    wait_for("the saved file", lambda: os.path.isfile(saved))
    with open(saved, "rb") as file:
        if file.read() != b"e2e4\r\n":
            fail("Ctrl+S saved something else")
    wait_for("the window titled with the file", lambda: saved in (child_titles() or []))

    # Ctrl+X, Ctrl+C and Ctrl+V on the chat line.
    chat = chat_line(game_frame(saved))
    click(chat)
    xdotool("type", "--delay", 5, "gg")
    wait_for("the typed text", lambda: text_of(chat) == "gg")
    key("ctrl+a")
    key("ctrl+x")
    wait_for("Ctrl+X", lambda: text_of(chat) == "")
    key("ctrl+v")
    key("ctrl+a")
    key("ctrl+c")
    key("End")
    key("ctrl+v")
    wait_for("Ctrl+C and Ctrl+V", lambda: text_of(chat) == "gggg")

    focus_main_window()
    key("ctrl+n")
    wait_for("a new Game Board", lambda: "Game Board" in (child_titles() or []))

    focus_main_window()
    key("ctrl+o")
    type_into_dialog("Open", saved)
    wait_for("the opened game", lambda: (child_titles() or []).count(saved) == 2)
    print("children after the keys:", child_titles())
    program.exit_through_menu(first)


def test_mouse(program, work):
    first = program.start()
    wait_for("the start-up windows", lambda: game_frame())
    frame = game_frame()
    # A click picks the pawn up and puts it back; the press that follows at once arrives
    # as a double click and must still pick it up. Then Black answers just as fast.
    e2 = square_centre(frame, "e2")
    xdotool("mousemove", *e2)
    time.sleep(0.2)
    xdotool("click", 1)
    drag(e2, square_centre(frame, "e4"), pause=0.02)
    drag(square_centre(frame, "e7"), square_centre(frame, "e5"), pause=0.02)
    drag(square_centre(frame, "g1"), square_centre(frame, "f3"), pause=0.02)
    wait_for("three quick moves", lambda: move_list(frame) == ["1", "e4", "e5", "2", "Nf3"],
             timeout=10)
    print("moves:", move_list(frame))
    program.exit_through_menu(first)


def stand_in(folder, name, body):
    path = os.path.join(folder, name)
    with open(path, "w") as file:
        file.write("#!/bin/sh\n" + body)
    os.chmod(path, 0o755)


def fresh_home(program, work, name):
    """Points the program at an association home of its own: the start writes the type anew."""
    home = os.path.join(work, name)
    program.env["XDG_DATA_HOME"] = os.path.join(home, "data")
    program.env["XDG_CONFIG_HOME"] = os.path.join(home, "config")
    return home


def visible_windows():
    found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", ""],
                           capture_output=True, text=True)
    return [window for window in found.stdout.split()
            if subprocess.run(["xdotool", "getwindowname", window],
                              capture_output=True, text=True).stdout.strip()]


def visible_named(title):
    return [window for window in visible_windows()
            if subprocess.run(["xdotool", "getwindowname", window],
                              capture_output=True, text=True).stdout.strip() == title]


def test_refresh(program, work):
    tools = os.path.join(work, "tools")
    os.mkdir(tools)
    program.env["PATH"] = tools + ":" + program.env["PATH"]

    # A refresh that fails is not the user's business: no message, nothing else changed.
    stand_in(tools, "update-mime-database", "exit 1\n")
    stand_in(tools, "update-desktop-database", "exit 1\n")
    fresh_home(program, work, "failing")
    first = program.start()
    wait_for("the start-up windows", lambda: game_frame())
    time.sleep(2.0)
    if len(visible_windows()) != 1:
        fail("a failed refresh showed something: %d windows" % len(visible_windows()))
    program.exit_through_menu(first)

    # A refresh that takes 30 s: the window is there at once and answers meanwhile.
    # The stand-in notes its process and when it began (wall-clock seconds).
    marker = os.path.join(work, "refresh.pid")
    stand_in(tools, "update-mime-database",
             "echo $$ $(date +%%s.%%N) >'%s.new'\nmv '%s.new' '%s'\nexec sleep 30\n"
             % (marker, marker, marker))
    fresh_home(program, work, "slow")
    started = time.monotonic()
    second = program.start()
    # A start that waited for the refresh would show its window only after the refresh began
    # and failed to end (checked below against the refresh's own start time); the bound here
    # only keeps a broken start from hanging, since a loaded machine can slow any start.
    def shown_or_ended():
        # A start that ended at once (handed over, or crashed) says how, rather than time out.
        if second.poll() is not None:
            second.log.seek(0)
            print(second.log.read().decode(errors="replace"))
            fail("the second start ended with %d before its window was shown" % second.returncode)
        return x_windows_named("Rookvale 1.0")
    wait_for("the main window", shown_or_ended, timeout=25.0)
    shown = time.time()
    print("main window shown after %.2f s" % (time.monotonic() - started))
    wait_for("the refresh to start", lambda: os.path.isfile(marker))
    with open(marker) as file:
        refresh, began = file.read().split()
    refresh = int(refresh)
    print("the refresh began %.2f s before the window was shown" % (shown - float(began)))
    if shown - float(began) > 2.0:
        fail("the main window came more than 2 s after the refresh began")
    wait_for("the start-up windows", lambda: game_frame())
    focus_main_window()
    key("ctrl+n")
    wait_for("a second Game Board", lambda: (child_titles() or []).count("Game Board") == 2)
    if not os.path.exists("/proc/%d" % refresh):
        fail("the stand-in refresh ended early")
    # Ending the program does not wait the 30 s, nor leave the refresh behind.
    program.exit_through_menu(second)
    wait_for("the refresh to be ended", lambda: not os.path.exists("/proc/%d" % refresh)
             or open("/proc/%d/stat" % refresh).read().split()[2] == "Z", timeout=10)


def own_program_folder(program, work):
    """A copy of the program with links to its data, so that Settings.ini is written there."""
    folder = os.path.join(work, "program")
    os.mkdir(folder)
    built = os.path.dirname(program.path)
    shutil.copy2(program.path, folder)
    for name in ("Images", "Audio", "Help.html"):
        os.symlink(os.path.join(built, name), os.path.join(folder, name))
    program.path = os.path.join(folder, "rookvale")
    return folder


def settings(folder):
    path = os.path.join(folder, "Settings.ini")
    if not os.path.isfile(path):
        return ""
    with open(path, "rb") as file:
        return file.read().decode(errors="replace")


def click(node):
    """A real left click in the middle of the accessible `node`."""
    xdotool("mousemove", *centre(node))
    time.sleep(0.1)
    xdotool("click", 1)


def button(name):
    return wait_for("the %r button" % name,
                    lambda: find_named(find_named(main_frame(), "tool bar", "ToolBar2"),
                                       "push button", name))


def showing(node):
    return node.getState().contains(pyatspi.STATE_SHOWING)


def text_of(node):
    return node.queryText().getText(0, -1)


def type_move(text):
    """Types a move on the focused board and presses Enter."""
    xdotool("type", "--delay", 40, text)
    time.sleep(0.2)
    key("Return")
    time.sleep(0.3)


def set_time_control(frame, text):
    """Menu, then the popup's Time Control... by its access key; `text` typed into the
    dialog's field and OK clicked."""
    click(find_named(frame, "push button", "Menu"))
    time.sleep(0.5)
    key("c")
    wait_for("the Time Control dialog", lambda: x_windows_named("Time Control"))
    dialog = wait_for("the accessible Time Control dialog", lambda: top_level("Time Control"))
    field = wait_for("the field 'Time control'",
                     lambda: find_named(dialog, "text", "Time control"))
    click(field)
    key("ctrl+a")
    xdotool("type", "--delay", 20, text)
    wait_for("the typed time control", lambda: text_of(field) == text)
    click(wait_for("the OK button", lambda: find_named(dialog, "push button", "OK")))
    wait_for("the dialog to close", lambda: not x_windows_named("Time Control"))


def count_titles(title):
    return (child_titles() or []).count(title)


def open_menu_and_click(menu, item):
    """Opens a menu of the menu bar with the mouse and clicks one of its items."""
    bar_item = find_named(main_frame(), "menu item", menu)
    click(bar_item)
    entry = wait_for("the open %s menu's %r" % (menu, item),
                     lambda: (lambda n: n if n and showing(n) else None)(
                         find_named(bar_item, "menu item", item)))
    time.sleep(0.2)
    click(entry)


def click_first_popup_item():
    """Clicks the first item of the pop-up menu on the screen (a game window's menus are
    not on the accessibility bus): Flip Board in the Menu button's, Invert Board in the
    board's."""
    popup = wait_for("the pop-up menu", lambda: visible_named("Rookvale"))[-1]
    geometry = subprocess.run(["xdotool", "getwindowgeometry", "--shell", popup],
                              capture_output=True, text=True, check=True).stdout
    place = dict(line.split("=") for line in geometry.split())
    time.sleep(0.2)
    xdotool("mousemove", int(place["X"]) + 30, int(place["Y"]) + 12)
    time.sleep(0.1)
    xdotool("click", 1)
    wait_for("the pop-up menu to close", lambda: not visible_named("Rookvale"))


def window_entry(title):
    """Opens the Window menu with the mouse and returns its entry for the child `title`."""
    bar_item = find_named(main_frame(), "menu item", "Window")
    click(bar_item)

    def entry():
        popup = bar_item.getChildAtIndex(0)
        for i in range(popup.childCount):
            item = popup.getChildAtIndex(i)
            if item is not None and item.name.endswith(" " + title) and showing(item):
                return item
        return None
    return wait_for("the Window menu's entry for " + title, entry)


def test_commands(program, work):
    folder = own_program_folder(program, work)
    tools = os.path.join(work, "tools")
    os.mkdir(tools)
    opened = os.path.join(work, "opened")
    stand_in(tools, "xdg-open", "echo \"$1\" >>'%s'\n" % opened)
    program.env["PATH"] = tools + ":" + program.env["PATH"]
    first = program.start()
    wait_for("the start-up windows", lambda: game_frame())
    boards = count_titles("Game Board")

    # File: New Game from the menu and from its button.
    click_menu("File", "New Game")
    wait_for("a Game Board from the menu", lambda: count_titles("Game Board") == boards + 1)
    click(button("New Game"))
    wait_for("a Game Board from the button", lambda: count_titles("Game Board") == boards + 2)
    # Close takes the active one away again.
    click_menu("File", "Close")
    wait_for("a Game Board closed", lambda: count_titles("Game Board") == boards + 1)
    click_menu("File", "Close")
    wait_for("another Game Board closed", lambda: count_titles("Game Board") == boards)

    # Open Game... from the menu and the Open button: each opens the dialog.
    # Items that open a modal dialog are clicked with the mouse: the accessibility call
    # would wait for the dialog to end.
    for opener in (lambda: open_menu_and_click("File", "Open Game..."),
                   lambda: click(button("Open"))):
        opener()
        xdotool("windowfocus", "--sync", dialog_named("Open")[0])
        key("Escape")
        wait_for("the Open dialog to close", lambda: not x_windows_named("Open"))

    # Save Game As... names the game; Save Game and the Save button write it again.
    frame = game_frame()
    drag(square_centre(frame, "e2"), square_centre(frame, "e4"))
    wait_for("e2-e4", lambda: move_list(frame) == ["1", "e4"])
    saved = os.path.join(work, "commands.rvg")
    open_menu_and_click("File", "Save Game As...")
    type_into_dialog("Save As", saved)
    wait_for("the saved game", lambda: os.path.isfile(saved))
    frame = game_frame(saved)
    drag(square_centre(frame, "e7"), square_centre(frame, "e5"))
    wait_for("e7-e5", lambda: move_list(frame) == ["1", "e4", "e5"])
    click_menu("File", "Save Game")
    wait_for("Save Game to write", lambda: open(saved, "rb").read() == b"e2e4\r\ne7e5\r\n")
    drag(square_centre(frame, "g1"), square_centre(frame, "f3"))
    wait_for("g1-f3", lambda: move_list(frame) == ["1", "e4", "e5", "2", "Nf3"])
    click(button("Save"))
    wait_for("the Save button to write",
             lambda: open(saved, "rb").read() == b"e2e4\r\ne7e5\r\ng1f3\r\n")

    # Edit, from the menu and from the buttons, on the chat line.
    chat = chat_line(frame)
    click(chat)
    xdotool("type", "--delay", 5, "good game")
    wait_for("the typed text", lambda: text_of(chat) == "good game")
    key("ctrl+a")
    click_menu("Edit", "Cut")
    wait_for("Edit > Cut", lambda: text_of(chat) == "")
    click_menu("Edit", "Paste")
    wait_for("Edit > Paste", lambda: text_of(chat) == "good game")
    key("ctrl+a")
    click_menu("Edit", "Copy")
    key("End")
    click(button("Paste"))
    wait_for("Edit > Copy, then the Paste button", lambda: text_of(chat) == "good gamegood game")
    key("ctrl+a")
    click(button("Cut"))
    wait_for("the Cut button", lambda: text_of(chat) == "")
    click(button("Paste"))
    wait_for("the Paste button", lambda: text_of(chat) == "good gamegood game")
    click(chat)
    key("ctrl+a")
    click(button("Copy"))
    key("BackSpace")
    click_menu("Edit", "Paste")
    wait_for("the Copy button", lambda: text_of(chat) == "good gamegood game")

    # View: the bars and the link windows come and go.
    bar = find_named(main_frame(), "tool bar", "ToolBar2")
    click_menu("View", "Toolbar")
    wait_for("the tool bar hidden", lambda: not showing(bar))
    click_menu("View", "Toolbar")
    wait_for("the tool bar back", lambda: showing(bar))
    status = [main_frame().getChildAtIndex(i) for i in range(main_frame().childCount)]
    status = [node for node in status if node.getRoleName() == "status bar"][0]
    click_menu("View", "Status Bar")
    wait_for("the status bar hidden", lambda: not showing(status))
    for item, title in (("Opponents Seeking Games", "Connection"), ("Main Console", "Main Console")):
        click_menu("View", item)
        wait_for(title + " closed", lambda: count_titles(title) == 0)
        click_menu("View", item)
        wait_for(title + " back", lambda: count_titles(title) == 1)

    # Options: each choice is written to the settings file.
    for path, line in ((("Options", "Pieces", "Classic"), "Pieces=3"),
                       (("Options", "Board", "Sky Blue"), "Board=1"),
                       (("Options", "Play Sounds"), "Sound=0")):
        click_menu(*path)
        wait_for(" > ".join(path) + " written", lambda: line in settings(folder))

    # Window: a moved child goes back to its place; an entry activates its window.
    connection = find_named(main_frame(), "frame", "Connection")
    home = extents(connection)
    drag((home[0] + 60, home[1] + 10), (home[0] - 300, home[1] + 300), pause=0.05)
    wait_for("the Connection window moved", lambda: extents(connection)[:2] != home[:2])
    open_menu_and_click("Window", "Default Layout")
    wait_for("the default layout", lambda: extents(connection)[:2] == home[:2])
    # The Connection window, just dragged, is the active one.
    entry = window_entry(saved)
    key("Escape")
    if entry.getState().contains(pyatspi.STATE_CHECKED):
        fail("the game window is already the active one")
    open_menu_and_click("Window", entry.name)
    wait_for("the game window active",
             lambda: window_entry(saved).getState().contains(pyatspi.STATE_CHECKED))
    key("Escape")

    # Help: the help page goes to the desktop's viewer; About opens and closes.
    click_menu("Help", "Help Topics")
    wait_for("the help page handed to the desktop",
             lambda: os.path.isfile(opened) and "Help.html" in open(opened).read())
    open_menu_and_click("Help", "About...")
    xdotool("windowfocus", "--sync", dialog_named("About")[0])
    key("Return")
    wait_for("the About box to close", lambda: not x_windows_named("About"))

    # The game window's own menus: Menu > Flip Board and the board's Invert Board.
    frame = game_frame(saved)
    a_file = find_named(frame, "label", "a")
    left = extents(a_file)[0]
    click(find_named(frame, "push button", "Menu"))
    click_first_popup_item()
    wait_for("the board turned", lambda: extents(a_file)[0] > left + 300)
    xdotool("mousemove", *square_centre(frame, "d5"))
    xdotool("click", 3)
    click_first_popup_item()
    wait_for("the board turned back", lambda: extents(a_file)[0] == left)
    program.exit_through_menu(first)


def main():
    modes = {"keys": test_keys, "mouse": test_mouse, "refresh": test_refresh,
             "commands": test_commands}
    return run_mode(modes, __doc__)


if __name__ == "__main__":
    sys.exit(main())
