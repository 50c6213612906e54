#!/usr/bin/env python3
"""The program's runs as a user makes them, one table of scenarios run against
both targets: the emulated device (build/bin/velquin with the script front
end) and the desktop executable under Wine (driven with real X events on the
session's display, read back through the real user32 and advapi32 by
wine_probe.exe). Each scenario checks its effects: what the dialog shows, the
recorded defaults' exact bytes (the same bytes on both targets), and whether
the time-zone record was written and with what.

Usage:
  scenarios.py device NAME --velquin PATH --ce-reg PATH --ce-tz PATH --work DIR
  scenarios.py wine NAME --velquin PATH --probe PATH --work DIR [--wine COMMAND]
  scenarios.py list
"""
import argparse
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile

ZONE = "Europe/Berlin"  # daylight bias -60, standard bias 0 on both targets
STORED_TEXT_BYTES = 255


def recorded(text):
    """The bytes the program stores for a text it records: the text, its
    terminator and the zeros after it, 255 bytes in all."""
    data = text.encode("utf-16-le") + b"\0\0"
    return data + b"\0" * (STORED_TEXT_BYTES - len(data))


def by_hand(text):
    """The bytes of a text stored by hand as REG_SZ: text and terminator."""
    return text.encode("utf-16-le") + b"\0\0"


FIRST_RUN_SHOWN = {"daylight": "-60", "standard": "0", "daylight_default": "Default: -60",
                   "standard_default": "Default: 0", "focus": 1}
FIRST_RUN_RECORDED = {"DayLight": recorded("Default: -60"), "Standard": recorded("Default: 0")}

# name: (values stored before the run, None for none; what the user does; what
# the dialog shows when it opens; the values after the run; the biases given
# to SetTimeZoneInformation, or None when it must not be called).
SCENARIOS = {
    "first_run_escape": (None, ["escape"], FIRST_RUN_SHOWN, FIRST_RUN_RECORDED, None),
    "first_run_close_button": (None, ["close_button"], FIRST_RUN_SHOWN, FIRST_RUN_RECORDED, None),
    "first_run_alt_f4": (None, ["alt_f4"], FIRST_RUN_SHOWN, FIRST_RUN_RECORDED, None),
    "later_run_shows_texts_as_stored": (
        {"DayLight": by_hand("Default: -45 (by hand)"), "Standard": by_hand("kept")},
        ["escape"],
        {"daylight": "-60", "standard": "0", "daylight_default": "Default: -45 (by hand)",
         "standard_default": "kept", "focus": 1},
        {"DayLight": by_hand("Default: -45 (by hand)"), "Standard": by_hand("kept")},
        None),
    "one_value_missing_records_nothing": (
        {"DayLight": by_hand("Default: -60")},
        ["escape"],
        {"daylight": "-60", "standard": "0", "daylight_default": "Default: -60", "standard_default": "",
         "focus": 1},
        {"DayLight": by_hand("Default: -60"), "Standard": None},
        None),
    "both_empty_are_recorded_again": (
        {"DayLight": by_hand(""), "Standard": by_hand("")},
        ["escape"], FIRST_RUN_SHOWN, FIRST_RUN_RECORDED, None),
    "enter_writes_the_typed_biases": (
        None, [("type_daylight", "-30"), ("type_standard", "15"), "enter"],
        FIRST_RUN_SHOWN, FIRST_RUN_RECORDED, (-30, 15)),
    "escape_after_editing_writes_nothing": (
        None, [("type_daylight", "-30"), "escape"], FIRST_RUN_SHOWN, FIRST_RUN_RECORDED, None),
}

# The record's two biases, by byte offset in the 172 bytes.
STANDARD_BIAS_AT = 84
DAYLIGHT_BIAS_AT = 168


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def run(command, input=None, **kwargs):
    """Runs the command to its end. Its output goes to files, not pipes: a Wine
    process may start Wine's desktop, which lives on with whatever it inherited
    and would hold a pipe open long after the command has ended."""
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err, tempfile.TemporaryFile() as given:
        if input is not None:
            given.write(input)
            given.seek(0)
        result = subprocess.run(command, check=False, stdin=given if input is not None else subprocess.DEVNULL,
                                stdout=out, stderr=err, timeout=kwargs.pop("timeout", 120), **kwargs)
        out.seek(0)
        err.seek(0)
        result.stdout = out.read()
        result.stderr = err.read()
        return result


# --- the emulated device -----------------------------------------------------

DEVICE_KEY = "HKLM\\Software\\Corvane\\Tembrel\\DEFAULTS"
DEVICE_STEPS = {
    "escape": ["key Escape"],
    "close_button": ["click caption-close"],
    # The script front end has no Alt key; its close command is what Alt+F4
    # asks of a window: to close as the close button does.
    "alt_f4": ["close"],
    "enter": ["key Enter"],
    "type_daylight": lambda text: ["key Tab", "type " + text],
    "type_standard": lambda text: ["key Tab", "type " + text],
}


def steps(table, actions):
    lines = []
    for action in actions:
        if isinstance(action, tuple):
            lines += table[action[0]](action[1])
        else:
            lines += table[action]
    return lines


def parse_device_values(registry_file):
    """The DEFAULTS key's values in the device's registry file: name -> bytes."""
    values = {}
    if not os.path.exists(registry_file):
        return values
    text = open(registry_file, encoding="utf-8").read().replace("\\\n  ", "")
    section = re.search(r"^\[HKEY_LOCAL_MACHINE\\Software\\Corvane\\Tembrel\\DEFAULTS\]\n(.*?)(?:\n\n|\Z)",
                        text, re.M | re.S)
    if not section:
        return values
    for line in section.group(1).split("\n"):
        match = re.match(r'^"((?:[^"\\]|\\.)*)"=(.*)$', line)
        if not match:
            continue
        name, data = match.group(1), match.group(2)
        if data.startswith("hex(1):"):
            values[name] = bytes(int(pair, 16) for pair in data[len("hex(1):"):].split(",") if pair)
        elif data.startswith('"'):
            unescaped = re.sub(r"\\(.)", r"\1", data[1:-1])
            values[name] = by_hand(unescaped)
        else:
            raise Failure("unexpected value line: %s" % line)
    return values


def device_record(args, env):
    result = run([args.ce_tz, "--json"], env=env)
    check(result.returncode == 0, "ce-tz failed: %s" % result.stderr.decode())
    record = json.loads(result.stdout)
    return record


def run_device(args, before, actions):
    device_dir = os.path.join(args.work, "device")
    shutil.rmtree(device_dir, ignore_errors=True)
    env = dict(os.environ, CE_DEVICE_DIR=device_dir, TZ=ZONE, CE_DEVICE_UI="script")
    for name, data in (before or {}).items():
        text = data[:-2].decode("utf-16-le")
        result = run([args.ce_reg, "add", DEVICE_KEY, "/v", name, "/t", "REG_SZ", "/d", text, "/f"], env=env)
        check(result.returncode == 0, "ce-reg add failed: %s" % result.stderr.decode())
    record_before = device_record(args, env)

    script = "\n".join(["dump"] + steps(DEVICE_STEPS, actions)) + "\n"
    result = run([args.velquin], input=script.encode(), env=env)
    check(result.returncode == 0, "velquin exited with %d: %s" % (result.returncode, result.stderr.decode()))
    answers = [json.loads(line) for line in result.stdout.decode().splitlines() if line.strip()]
    check(answers and "controls" in answers[0], "no dump: %r" % answers[:1])
    check(any("end" in answer for answer in answers), "the dialog did not end: %r" % answers[-1:])
    controls = {control["id"]: control["text"] for control in answers[0]["controls"] if control["id"] != -1}
    shown = {"daylight": controls[1002], "standard": controls[1006], "daylight_default": controls[1008],
             "standard_default": controls[1007], "focus": answers[0]["focus"]}

    values = parse_device_values(os.path.join(device_dir, "registry.reg"))
    record_after = device_record(args, env)
    # Until the program writes the record, the device shows the host's zone.
    if record_after["Source"].get("From") == "host":
        biases = None
    else:
        for field in record_before:
            if field not in ("Source", "TimeZoneId", "DaylightBias", "StandardBias"):
                check(record_after[field] == record_before[field],
                      "%s changed: %r, was %r" % (field, record_after[field], record_before[field]))
        biases = (record_after["DaylightBias"], record_after["StandardBias"])
    return shown, values, biases


# --- the desktop executable under Wine -----------------------------------------

def probe(args, *command, check_status=True):
    result = run([args.wine, args.probe] + list(command), env=dict(os.environ, TZ=ZONE))
    if check_status:
        check(result.returncode == 0, "wine_probe %s failed (%d): %s%s" % (
            " ".join(command), result.returncode, result.stdout.decode(), result.stderr.decode()))
    answers = {}
    for line in result.stdout.decode().splitlines():
        name, _, value = line.partition("=")
        answers[name] = value
    return answers


def xdotool(*arguments):
    result = run(["xdotool"] + list(arguments))
    check(result.returncode == 0, "xdotool %s failed: %s" % (" ".join(arguments), result.stderr.decode()))
    return result.stdout.decode()


def wine_step(args, action):
    if isinstance(action, tuple):
        kind, text = action
        xdotool("key", "Tab")
        xdotool("type", "--", text)
    elif action == "escape":
        xdotool("key", "Escape")
    elif action == "enter":
        xdotool("key", "Return")
    elif action == "alt_f4":
        xdotool("keydown", "Alt_L", "key", "F4", "keyup", "Alt_L")
    elif action == "close_button":
        point = probe(args, "close-button")
        # Wine's desktop window is the whole screen from its top-left corner.
        xdotool("mousemove", "--sync", point["x"], point["y"], "click", "1")
    else:
        raise Failure("unknown action %r" % (action,))


def unescape(text):
    return re.sub(r"\\u([0-9A-F]{4})", lambda m: chr(int(m.group(1), 16)), text)


def run_wine(args, before, actions):
    log = os.path.join(args.work, "SetTimeZoneInformation.log")
    os.makedirs(args.work, exist_ok=True)
    if os.path.exists(log):
        os.remove(log)
    probe(args, "clear")
    for name, data in (before or {}).items():
        text = data[:-2].decode("utf-16-le")
        probe(args, "set-empty", name) if text == "" else probe(args, "set", name, text)
    record_before = bytes.fromhex(probe(args, "time-zone")["record"])

    program = subprocess.Popen([args.wine, args.velquin], env=dict(os.environ, TZ=ZONE, CE_TZ_LOG=log),
                               stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        # The dialog comes, or the program ends without one (as it does when
        # it has no display) and the scenario fails at once.
        for _ in range(60):
            answers = probe(args, "show", "1", check_status=False)
            if answers.get("dialog") != "none" or program.poll() is not None:
                break
        check(answers.get("dialog") != "none", "the dialog did not appear (the program %s)" % (
            "ended with %d" % program.returncode if program.poll() is not None else "is still running"))
        shown = {name: unescape(answers[name]) for name in
                 ("daylight", "standard", "daylight_default", "standard_default")}
        shown["focus"] = int(answers["focus"])
        desktop = xdotool("search", "--name", "Wine desktop").split()
        check(desktop, "no Wine desktop window on the display")
        xdotool("windowfocus", "--sync", desktop[0])
        for action in actions:
            wine_step(args, action)
        check(program.wait(timeout=120) == 0, "the program's exit status is %s" % program.returncode)
    finally:
        if program.poll() is None:
            program.kill()
            program.wait()
    probe(args, "gone", "60")

    values = {}
    for name, answer in probe(args, "defaults").items():
        if answer == "absent":
            continue
        match = re.match(r"type (\d+) size (\d+) data ([0-9a-f]*)$", answer)
        check(match and match.group(1) == "1", "%s is not a REG_SZ: %s" % (name, answer))
        data = bytes.fromhex(match.group(3))
        check(len(data) == int(match.group(2)), "%s: size and data differ" % name)
        values[name] = data

    calls = open(log).read().split() if os.path.exists(log) else []
    check(len(calls) <= 1, "SetTimeZoneInformation called %d times" % len(calls))
    biases = None
    if calls:
        given = bytes.fromhex(calls[0])
        check(len(given) == 172, "the record given has %d bytes" % len(given))
        for at in range(172):
            if STANDARD_BIAS_AT <= at < STANDARD_BIAS_AT + 4 or DAYLIGHT_BIAS_AT <= at < DAYLIGHT_BIAS_AT + 4:
                continue
            check(given[at] == record_before[at], "byte %d of the record given is not the one read" % at)
        biases = (int.from_bytes(given[DAYLIGHT_BIAS_AT:DAYLIGHT_BIAS_AT + 4], "little", signed=True),
                  int.from_bytes(given[STANDARD_BIAS_AT:STANDARD_BIAS_AT + 4], "little", signed=True))
    return shown, values, biases


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("target", choices=["device", "wine", "list"])
    parser.add_argument("name", nargs="?")
    parser.add_argument("--velquin")
    parser.add_argument("--ce-reg")
    parser.add_argument("--ce-tz")
    parser.add_argument("--probe")
    parser.add_argument("--work")
    parser.add_argument("--wine", default="wine", help="what runs a Windows executable")
    args = parser.parse_args()
    if args.target == "list":
        print(";".join(SCENARIOS))
        return 0

    before, actions, want_shown, want_values, want_biases = SCENARIOS[args.name]
    try:
        driver = run_device if args.target == "device" else run_wine
        shown, values, biases = driver(args, before, actions)
        check(shown == want_shown, "the dialog shows %r, not %r" % (shown, want_shown))
        for name, want in want_values.items():
            got = values.get(name)
            check(got == want, "%s is %s, not %s" % (
                name, got.hex() if got is not None else "absent", want.hex() if want is not None else "absent"))
        check(biases == want_biases, "SetTimeZoneInformation: %r, not %r" % (biases, want_biases))
    except (Failure, subprocess.TimeoutExpired, KeyError) as failure:
        print("%s on %s: %s" % (args.name, args.target, failure))
        return 1
    print("%s on %s: as expected" % (args.name, args.target))
    return 0


if __name__ == "__main__":
    sys.exit(main())
