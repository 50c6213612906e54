#!/usr/bin/python3
# Black-box tests of the dialog on the accessibility bus: the real program on
# an X server of its own (Xvfb), read and driven as a screen reader does,
# with pyatspi over the AT-SPI bus that at-spi-bus-launcher starts inside a
# session bus of the test's own (run this under dbus-run-session), and
# with real X key events from xdotool. What the program leaves in the device
# is checked with the device's own ce-tz and ce-reg.
#
#   atspi_test.py BIN_DIR CASE
#
# BIN_DIR holds velquin, ce-tz and ce-reg; CASE names one of the case_*
# functions below. Cases named *_without_a_bus run without any
# accessibility bus and need no session bus.
import json
import os
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time

# Generous: the machine may be busy with other builds.
DEADLINE_S = float(os.environ.get("CE_ATSPI_TIMEOUT", "30"))

# The bias dialog on a device with Europe/Berlin's zone, as its first run
# shows it, in template order: role, name, and the text of those with one.
FIRST_RUN_TREE = [
    ("push button", "OK", None),
    ("text", "", "-60"),
    ("label", "DayLight Difference", "DayLight Difference"),
    ("label", "www.corvane.example", "www.corvane.example"),
    ("label", "Visit:", "Visit:"),
    ("text", "", "0"),
    ("label", "Standard Difference:", "Standard Difference:"),
    ("label", "Default: 0", "Default: 0"),
    ("label", "Default: -60", "Default: -60"),
    ("image", "", None),
]
OK_BUTTON, DAYLIGHT_FIELD, STANDARD_FIELD, ICON = 0, 1, 5, 9


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def wait_until(what, predicate, deadline_s=DEADLINE_S):
    end = time.monotonic() + deadline_s
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > end:
            raise Failure("timed out waiting for " + what)
        time.sleep(0.05)


class Session:
    """An X server, the device's directory and the program, for one case."""

    def __init__(self, bin_dir, with_bus):
        self.bin_dir = bin_dir
        self.work = tempfile.mkdtemp(prefix="ce-atspi-test.")
        self.env = dict(os.environ)
        self.env.update(CE_DEVICE_DIR=os.path.join(self.work, "device"), TZ="Europe/Berlin", CE_DEVICE_ZOOM="1",
                        CE_DEVICE_SCREENSHOT=os.path.join(self.work, "screen.png"))
        for name in ("CE_DEVICE_UI", "CE_DEVICE_SCREEN", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER", "NO_AT_BRIDGE",
                     "AT_SPI_BUS_ADDRESS"):
            self.env.pop(name, None)
        if with_bus:
            # The sockets of the accessibility bus and of the program's
            # bridge go here, and with the case's directory at the end.
            runtime = os.path.join(self.work, "runtime")
            os.mkdir(runtime, 0o700)
            self.env["XDG_RUNTIME_DIR"] = runtime
        else:
            self.env["DBUS_SESSION_BUS_ADDRESS"] = "disabled:"
            self.env.pop("XDG_RUNTIME_DIR", None)
        os.makedirs(self.env["CE_DEVICE_DIR"])
        self.processes = []
        self.program = None
        self.launcher = None
        self.start_xvfb()
        if with_bus:
            check(os.environ.get("DBUS_SESSION_BUS_ADDRESS"), "no session bus: run this under dbus-run-session")
            # In a process group of its own, with the bus and the registry it
            # starts, so that all of them go at the end.
            self.launcher = self.spawn(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"],
                                       start_new_session=True, stderr=subprocess.DEVNULL)
            wait_until("the accessibility bus", lambda: session_bus_has("org.a11y.Bus"))
            os.environ["DISPLAY"] = self.env["DISPLAY"]

    def spawn(self, command, **options):
        process = subprocess.Popen(command, env=self.env, stdin=subprocess.DEVNULL, **options)
        self.processes.append(process)
        return process

    def start_xvfb(self):
        read_end, write_end = os.pipe()
        self.spawn(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
                    "-noreset"], pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end) as display:
            number = display.readline().strip()
        check(number, "the X server did not start")
        self.env["DISPLAY"] = ":" + number

    def start_program(self, extra_env=None):
        env = dict(self.env)
        env.update(extra_env or {})
        self.stderr_path = os.path.join(self.work, "stderr")
        with open(self.stderr_path, "w") as stderr:
            self.program = subprocess.Popen([os.path.join(self.bin_dir, "velquin")], env=env,
                                            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=stderr)
        self.processes.append(self.program)
        self.window = wait_until("the window", self.find_window)
        subprocess.run(["timeout", "10", "xdotool", "windowfocus", "--sync", self.window], env=self.env,
                       stderr=subprocess.DEVNULL, check=False)
        wait_until("the first picture", lambda: os.path.exists(self.env["CE_DEVICE_SCREENSHOT"]))

    def find_window(self):
        check(self.program.poll() is None, "the program ended before its window appeared: " + self.stderr())
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^Velquin$"], env=self.env,
                               capture_output=True, text=True, check=False)
        return found.stdout.split()[0] if found.stdout.split() else None

    def keys(self, *names):
        subprocess.run(["xdotool", "key", "--clearmodifiers", *names], env=self.env, check=True)

    def type_text(self, text):
        subprocess.run(["xdotool", "type", "--delay", "30", "--", text], env=self.env, check=True)

    def stderr(self):
        try:
            with open(self.stderr_path) as f:
                return f.read()
        except OSError:
            return ""

    def ends_with(self, status, deadline_s=DEADLINE_S):
        try:
            got = self.program.wait(timeout=deadline_s)
        except subprocess.TimeoutExpired:
            raise Failure("the program did not end") from None
        check(got == status, f"exit status {got}, expected {status}; standard error: {self.stderr()}")

    def biases(self):
        out = subprocess.run([os.path.join(self.bin_dir, "ce-tz"), "--json"], env=self.env, capture_output=True,
                             text=True, check=True).stdout
        record = json.loads(out)
        return record["DaylightBias"], record["StandardBias"]

    def record_stored(self):
        return subprocess.run([os.path.join(self.bin_dir, "ce-reg"), "query", "HKLM\\Time", "/v",
                               "TimeZoneInformation"], env=self.env, capture_output=True, check=False).returncode == 0

    def close(self):
        if self.launcher is not None:
            try:
                os.killpg(self.launcher.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
        for process in reversed(self.processes):
            if process.poll() is None:
                process.kill()
                process.wait()
        shutil.rmtree(self.work, ignore_errors=True)


# --- reading the bus ----------------------------------------------------------

def session_bus_has(name):
    from gi.repository import Gio, GLib
    bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
    reply = bus.call_sync("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "NameHasOwner",
                          GLib.Variant("(s)", (name,)), None, Gio.DBusCallFlags.NONE, 5000, None)
    return reply.unpack()[0]


def pyatspi_module():
    import pyatspi  # noqa: imported once the accessibility bus is up
    return pyatspi


def pump(deadline_s=0.0):
    from gi.repository import GLib
    context = GLib.MainContext.default()
    end = time.monotonic() + deadline_s
    while True:
        while context.iteration(False):
            pass
        if time.monotonic() >= end:
            return
        time.sleep(0.01)


def velquin_application():
    pyatspi = pyatspi_module()

    def find():
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            if app is not None and app.name == "Velquin":
                return app
        return None
    return wait_until("the application on the accessibility bus", find)


def dialog_of(app):
    return wait_until("the dialog", lambda: app.childCount == 1 and app.getChildAtIndex(0))


def text_of(accessible):
    text = accessible.queryText()
    return text.getText(0, -1)


def has_state(accessible, state):
    return accessible.getState().contains(state)


class Events:
    """Events of the given types from the program, in the order they came.
    Made before the program starts, so that the program learns of the
    listener when it joins the bus (from the registry, after its own
    registration: settle() gives that time)."""

    def __init__(self, *types):
        self.pyatspi = pyatspi_module()
        self.types = types
        self.seen = []
        self.pyatspi.Registry.registerEventListener(self.seen.append, *types)

    def settle(self):
        pump(0.5)
        self.seen.clear()

    def wait_for(self, what, predicate):
        def found():
            pump()
            return [e for e in self.seen if predicate(e)]
        return wait_until(what, found)

    def close(self):
        self.pyatspi.Registry.deregisterEventListener(self.seen.append, *self.types)


def apply_text_events(text, events):
    """The text a reader following the insert and delete events ends with."""
    for event in events:
        position, length, data = event.detail1, event.detail2, event.any_data
        if event.type.startswith("object:text-changed:insert"):
            check(len(data) == length, f"insert of {data!r} says length {length}")
            text = text[:position] + data + text[position:]
        elif event.type.startswith("object:text-changed:delete"):
            check(text[position:position + length] == data,
                  f"delete of {data!r} at {position} does not match {text!r}")
            text = text[:position] + text[position + length:]
    return text


# --- the cases -----------------------------------------------------------------

def case_tree_reads_the_whole_dialog(session):
    pyatspi = pyatspi_module()
    session.start_program()
    app = velquin_application()
    check(app.getRoleName() == "application", "the application's role is " + app.getRoleName())
    dialog = dialog_of(app)
    check(dialog.getRoleName() == "dialog" and dialog.name == "Velquin",
          f"the dialog is {dialog.getRoleName()} {dialog.name!r}")
    wait_until("the dialog, whose window has the keyboard, to be active",
               lambda: has_state(dialog, pyatspi.STATE_ACTIVE))
    check(dialog.childCount == len(FIRST_RUN_TREE), f"{dialog.childCount} children, expected {len(FIRST_RUN_TREE)}")
    for index, (role, name, text) in enumerate(FIRST_RUN_TREE):
        child = dialog.getChildAtIndex(index)
        check(child.getRoleName() == role and child.name == name,
              f"child {index} is {child.getRoleName()} {child.name!r}, expected {role} {name!r}")
        check(child.getIndexInParent() == index, f"child {index} says it is child {child.getIndexInParent()}")
        if text is not None:
            check(text_of(child) == text, f"child {index}'s text is {text_of(child)!r}, expected {text!r}")
    for index in (DAYLIGHT_FIELD, STANDARD_FIELD):
        field = dialog.getChildAtIndex(index)
        for state in (pyatspi.STATE_EDITABLE, pyatspi.STATE_FOCUSABLE, pyatspi.STATE_SINGLE_LINE):
            check(has_state(field, state), f"field {index} lacks {pyatspi.stateToString(state)}")
    ok = dialog.getChildAtIndex(OK_BUTTON)
    check(has_state(ok, pyatspi.STATE_FOCUSED), "the OK button, focused when the dialog opens, is not")
    check(has_state(ok, pyatspi.STATE_IS_DEFAULT), "the OK button is not the default")
    check(not has_state(dialog.getChildAtIndex(DAYLIGHT_FIELD), pyatspi.STATE_FOCUSED), "a field is focused too")
    width, height = dialog.getChildAtIndex(ICON).queryImage().getImageSize()
    check((width, height) == (32, 32), f"the icon is {width}x{height}")
    # Reading changes nothing: the dialog still takes the keyboard.
    session.keys("Escape")
    session.ends_with(0)
    check(not session.record_stored(), "the record was written")


def case_focus_follows_tab_and_is_announced(session):
    pyatspi = pyatspi_module()
    events = Events("object:state-changed:focused")
    session.start_program()
    dialog = dialog_of(velquin_application())
    ok, daylight, standard = (dialog.getChildAtIndex(i) for i in (OK_BUTTON, DAYLIGHT_FIELD, STANDARD_FIELD))
    events.settle()

    def focus_change(accessible, gained):
        return lambda e: e.source == accessible and e.detail1 == (1 if gained else 0)

    for key, lost, gained in (("Tab", ok, daylight), ("Tab", daylight, standard), ("shift+Tab", standard, daylight)):
        events.seen.clear()
        session.keys(key)
        events.wait_for(f"{key} to announce the focus gained", focus_change(gained, True))
        events.wait_for(f"{key} to announce the focus lost", focus_change(lost, False))
        check(has_state(gained, pyatspi.STATE_FOCUSED), f"after {key} the focused control says it is not")
        check(not has_state(lost, pyatspi.STATE_FOCUSED), f"after {key} the control left still says it is focused")
    # Tab selects the field's text, as the dialog manager does.
    selection = daylight.queryText().getSelection(0)
    check(tuple(selection) == (0, 3), f"the daylight field's selection is {tuple(selection)}")
    events.close()
    session.keys("Escape")
    session.ends_with(0)


def case_activation_follows_the_window_focus(session):
    pyatspi = pyatspi_module()
    events = Events("window:activate", "window:deactivate")
    session.start_program()
    dialog = dialog_of(velquin_application())
    wait_until("the dialog to be active", lambda: has_state(dialog, pyatspi.STATE_ACTIVE))
    events.settle()
    root = subprocess.run(["xwininfo", "-root"], env=session.env, capture_output=True, text=True,
                          check=True).stdout.split("Window id: ")[1].split()[0]
    for window, kind, active in ((root, "deactivate", False), (session.window, "activate", True)):
        subprocess.run(["xdotool", "windowfocus", "--sync", window], env=session.env, check=True)
        events.wait_for(f"window:{kind}", lambda e, kind=kind: e.type == "window:" + kind and e.source == dialog)
        wait_until(f"the dialog's state after {kind}", lambda: has_state(dialog, pyatspi.STATE_ACTIVE) == active)
    events.close()
    session.keys("Escape")
    session.ends_with(0)


def case_typing_changes_the_text_and_is_announced(session):
    events = Events("object:text-changed")
    session.start_program()
    dialog = dialog_of(velquin_application())
    daylight = dialog.getChildAtIndex(DAYLIGHT_FIELD)
    events.settle()
    session.keys("Tab")
    session.type_text("-30")
    wait_until("the field's text", lambda: text_of(daylight) == "-30")

    def announced():
        pump()
        mine = [e for e in events.seen if e.source == daylight]
        return apply_text_events("-60", mine) == "-30"
    wait_until("the announced changes to add up to the field's text", announced)
    caret = daylight.queryText().caretOffset
    check(caret == 3, f"the caret is at {caret}")
    events.close()
    session.keys("Return")
    session.ends_with(0)
    check(session.biases() == (-30, 0), f"the record holds {session.biases()}")


def case_click_action_confirms(session):
    session.start_program()
    dialog = dialog_of(velquin_application())
    session.keys("Tab", "Tab")
    session.type_text("15")
    standard = dialog.getChildAtIndex(STANDARD_FIELD)
    wait_until("the typed text", lambda: text_of(standard) == "15")
    action = dialog.getChildAtIndex(OK_BUTTON).queryAction()
    names = [action.getName(i) for i in range(action.nActions)]
    check(names == ["click"], f"the OK button's actions are {names}")
    check(action.doAction(0), "the click was refused")
    session.ends_with(0)
    check(session.biases() == (-60, 15), f"the record holds {session.biases()}")


def caption_action(session, name):
    dialog = dialog_of(velquin_application())
    action = dialog.queryAction()
    names = [action.getName(i) for i in range(action.nActions)]
    check(names == ["ok", "close"], f"the dialog's actions are {names}")
    check(action.doAction(names.index(name)), f"the caption's {name} was refused")


def case_caption_ok_action_confirms(session):
    session.start_program()
    dialog = dialog_of(velquin_application())
    session.keys("Tab")
    session.type_text("-45")
    wait_until("the typed text", lambda: text_of(dialog.getChildAtIndex(DAYLIGHT_FIELD)) == "-45")
    caption_action(session, "ok")
    session.ends_with(0)
    check(session.biases() == (-45, 0), f"the record holds {session.biases()}")


def case_caption_close_action_cancels(session):
    session.start_program()
    session.keys("Tab")
    session.type_text("-45")
    caption_action(session, "close")
    session.ends_with(0)
    check(not session.record_stored(), "the record was written")


def case_editable_text_is_set_as_typed(session):
    session.start_program()
    dialog = dialog_of(velquin_application())
    standard = dialog.getChildAtIndex(STANDARD_FIELD)
    editable = standard.queryEditableText()
    editable.setTextContents("120")
    wait_until("the set text", lambda: text_of(standard) == "120")
    editable.insertText(0, "-", 1)
    wait_until("the inserted text", lambda: text_of(standard) == "-120")
    editable.deleteText(3, 4)
    wait_until("the deleted text", lambda: text_of(standard) == "-12")
    # A line break or a control character in what a reader sets is not a key.
    editable.setTextContents("7\x1b\r8")
    wait_until("the set text", lambda: text_of(standard) == "7")
    dialog.getChildAtIndex(OK_BUTTON).queryAction().doAction(0)
    session.ends_with(0)
    check(session.biases() == (-60, 7), f"the record holds {session.biases()}")


def registry_hex(text_units):
    """A REG_SZ in the registry file's hex(1) form, from UTF-16 units."""
    data = b"".join(unit.to_bytes(2, "little") for unit in text_units + [0])
    return "hex(1):" + ",".join(f"{byte:02x}" for byte in data)


def case_stored_text_of_any_kind_reads_safely(session):
    # A stored default with an escape sequence, a lone surrogate and a
    # right-to-left override: what the bus cannot carry is replaced, the rest
    # read as it is, and the program goes on.
    units = [ord(c) for c in "Default: \x1b[31m"] + [0xD83D] + [ord("x"), 0x202E]
    with open(os.path.join(session.env["CE_DEVICE_DIR"], "registry.reg"), "w") as registry:
        registry.write("Windows Registry Editor Version 5.00\n\n"
                       "[HKEY_LOCAL_MACHINE\\Software\\Corvane\\Tembrel\\DEFAULTS]\n"
                       f'"DayLight"={registry_hex(units)}\n'
                       '"Standard"="Default: 0"\n')
    session.start_program()
    dialog = dialog_of(velquin_application())
    label = dialog.getChildAtIndex(len(FIRST_RUN_TREE) - 2)
    expected = "Default: \x1b[31m\ufffdx\u202e"
    check(label.name == expected, f"the stored default reads {label.name!r}, expected {expected!r}")
    check(text_of(label) == expected, f"the stored default's text is {text_of(label)!r}")
    session.keys("Escape")
    session.ends_with(0)


def case_dialog_leaves_the_bus_when_it_ends(session):
    session.start_program()
    app = velquin_application()
    dialog_of(app)
    session.keys("Escape")
    session.ends_with(0)
    pyatspi = pyatspi_module()

    def gone():
        desktop = pyatspi.Registry.getDesktop(0)
        names = [desktop.getChildAtIndex(i).name for i in range(desktop.childCount)
                 if desktop.getChildAtIndex(i) is not None]
        return "Velquin" not in names
    wait_until("the application to leave the bus", gone, deadline_s=10)


def loaded_libraries(pid):
    with open(f"/proc/{pid}/maps") as maps:
        return {line.split()[-1] for line in maps if "/" in line}


def case_nothing_is_loaded_without_a_bus(session):
    session.start_program()
    libraries = loaded_libraries(session.program.pid)
    loaded = [lib for lib in libraries if any(name in lib for name in ("accessibility", "libatk", "libatspi", "libgobject"))]
    check(not loaded, f"loaded without any bus: {loaded}")
    session.keys("Tab")
    session.type_text("-30")
    session.keys("Return")
    session.ends_with(0)
    check(session.biases() == (-30, 0), f"the record holds {session.biases()}")
    check(session.stderr() == "", "standard error: " + session.stderr())


def case_a_bus_that_never_answers_holds_nothing_up(session):
    # An accessibility bus that takes connections and never says a word.
    path = os.path.join(session.work, "silent-bus")
    silent = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    silent.bind(path)
    silent.listen(8)
    try:
        session.start_program({"AT_SPI_BUS_ADDRESS": "unix:path=" + path})
        wait_until("the accessibility module to load",
                   lambda: any("libce-accessibility" in lib for lib in loaded_libraries(session.program.pid)))
        session.keys("Tab")
        session.type_text("-30")
        session.keys("Return")
        # The bus would keep a waiting caller for 25 s; the program ends as
        # soon as the dialog does.
        started = time.monotonic()
        session.ends_with(0, deadline_s=10)
        check(time.monotonic() - started < 5, "the program took %.1f s to end" % (time.monotonic() - started))
        check(session.biases() == (-30, 0), f"the record holds {session.biases()}")
        check(session.stderr() == "", "standard error: " + session.stderr())
    finally:
        silent.close()


CASES = {name[len("case_"):]: function for name, function in globals().items() if name.startswith("case_")}
WITHOUT_BUS = {"nothing_is_loaded_without_a_bus", "a_bus_that_never_answers_holds_nothing_up"}


def main():
    if len(sys.argv) != 3 or sys.argv[2] not in CASES:
        print("usage: atspi_test.py BIN_DIR CASE\ncases: " + " ".join(sorted(CASES)), file=sys.stderr)
        return 2
    bin_dir, name = sys.argv[1], sys.argv[2]
    # Ended by ctest's timeout: the processes go with the session.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
    session = Session(bin_dir, with_bus=name not in WITHOUT_BUS)
    try:
        CASES[name](session)
    except Failure as failure:
        print(f"FAIL ({name}): {failure}", file=sys.stderr)
        err = session.stderr()
        if err:
            print("--- program's standard error ---\n" + err, file=sys.stderr)
        return 1
    finally:
        session.close()
    print(f"ok ({name})")
    return 0


if __name__ == "__main__":
    sys.exit(main())
