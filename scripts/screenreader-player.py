#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
# The blind player of scripts/screenreader-check.sh: starts the game, presses keys and decides
# what to press next only from what Orca said (the SPEECH OUTPUT lines of Orca's debug log).
# Prints the transcript: every key pressed (">") and every utterance, and a summary.
#
#     python3 screenreader-player.py WORKDIR GAME

import os
import re
import subprocess
import sys
import time

work, game = sys.argv[1], sys.argv[2]
speed = float(os.environ.get("SPEED", "4"))
out = os.environ.get("OUT", work)
LOG = os.path.join(work, "orca.log")

ANSWERS = ["Angolo acuto", "Angolo retto", "Angolo ottuso", "Angolo piatto", "Angolo concavo",
           "Angolo giro"]
AMPLITUDE = re.compile(r"[Aa]mpiezza[^0-9]{0,30}?(\d+) gradi")
SPOKEN = re.compile(r"SPEECH OUTPUT: '(.*)'(\[?\{.*\}\]?)?\s*$")

transcript = []  # lines: "> key" or the utterance
said = []        # utterances only
offset = 0
summary = []


def poll():
    """Reads what Orca said since the last call."""
    global offset
    try:
        with open(LOG, encoding="utf-8", errors="replace") as f:
            f.seek(offset)
            chunk = f.read()
            offset = f.tell()
    except FileNotFoundError:
        return
    for line in chunk.splitlines():
        m = SPOKEN.search(line)
        if m and m.group(1).strip():
            said.append(m.group(1))
            transcript.append("  " + m.group(1))


def settle(quiet=2.0, limit=14.0, first=3.5):
    """Waits for Orca to speak (at most `first` seconds), then until it has been silent for `quiet`
    seconds; returns what it said meanwhile."""
    start = len(said)
    t0 = last = time.time()
    seen = start
    while time.time() - t0 < limit:
        time.sleep(0.2)
        poll()
        if len(said) != seen:
            seen, last = len(said), time.time()
        elif time.time() - last >= (quiet if seen > start else first):
            break
    return said[start:]


def wait_for(pattern, limit=30.0):
    """Waits until Orca says something matching pattern; returns what it said until then."""
    start = len(said)
    t0 = time.time()
    rx = re.compile(pattern)
    while time.time() - t0 < limit:
        poll()
        if any(rx.search(u) for u in said[start:]):
            return said[start:]
        time.sleep(0.2)
    raise SystemExit("player: Orca never said /%s/" % pattern)


def key(*keys, note=None):
    transcript.append("> " + (note or " ".join(keys)))
    subprocess.run(["xdotool", "key", "--delay", "120", *keys], check=True)


def typed(text):
    transcript.append("> type " + text)
    subprocess.run(["xdotool", "type", "--delay", "120", text], check=True)


def press_and_listen(*keys, note=None, quiet=2.0):
    poll()
    key(*keys, note=note)
    return settle(quiet)


def amplitude():
    """The amplitude Orca spoke last, or None."""
    for u in reversed(said):
        m = AMPLITUDE.search(u)
        if m:
            return int(m.group(1))
    return None


def answer_for(a):
    if a < 90:
        return 1
    if a == 90:
        return 2
    if a < 180:
        return 3
    if a == 180:
        return 4
    if a < 360:
        return 5
    return 6


def focused_name(utterances):
    """The control Orca announced last among utterances (an answer caption or a known name)."""
    known = ANSWERS + ["Go", "Nuova nota", "Esci"]
    for u in reversed(utterances):
        u = u.rstrip(".")
        for name in known:
            if u == name or u.startswith(name + " ") or u.startswith(name + ","):
                return name
    return None


def words_until_amplitude(utterances):
    """How many words Orca said after a box closed until the amplitude, or None."""
    words = " ".join(utterances).split()
    for i in range(len(words)):
        if AMPLITUDE.search(" ".join(words[: i + 1])):
            return i + 1
    return None


def close_box(what):
    """Closes the open box with Return and notes how soon the amplitude was heard after it."""
    poll()
    start, t0 = len(said), time.time()
    key("Return", note="Return (closes %s)" % what)
    heard_at = None
    while time.time() - t0 < 20:
        time.sleep(0.1)
        poll()
        if heard_at is None and words_until_amplitude(said[start:]):
            heard_at = time.time() - t0
            break
    settle()
    heard = said[start:]
    summary.append("after %s: amplitude at word %s (%s s) of: %s"
                   % (what, words_until_amplitude(heard),
                      "%.1f" % heard_at if heard_at is not None else "never",
                      " | ".join(heard)[:300]))
    return heard


def focus_answer(wrong=False, limit=24):
    """Moves the focus with Tab to the answer for the amplitude Orca spoke (or a wrong one)."""
    current = focused_name(said[-4:])
    for _ in range(limit):
        a = amplitude()
        if a is not None:
            want = answer_for(a)
            if wrong:
                want = want % 6 + 1
            if current == ANSWERS[want - 1]:
                return a, want
        heard = press_and_listen("Tab")
        current = focused_name(heard)
    raise SystemExit("player: never reached the answer")


def answer(wrong=False):
    a, index = focus_answer(wrong)
    heard = press_and_listen("space", note="space on %s (amplitude %d)" % (ANSWERS[index - 1], a))
    box = "HAI SBAGLIATO" if wrong else "Bravo"
    if not any(box in u for u in heard):
        wait_for(box)
        settle()
    close_box('"%s"' % box)


def main():
    # File times stay true: the record store compares them to see a change under it.
    env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_QPA_PLATFORM="xcb",
               NO_FAKE_STAT="1")
    gamelog = open(os.path.join(work, "game.log"), "w")
    subprocess.Popen(["faketime", "-f", "+0 x%g" % speed, game], env=env, stdout=gamelog,
                     stderr=gamelog)
    wait_for("Come ti chiami", 40)
    settle()
    typed("Luca")
    key("Return")
    wait_for("campione")
    settle()
    heard = press_and_listen("Return", note="Return (closes the greeting)", quiet=2.5)
    t0 = time.time()
    summary.append("first words in the window: " + " | ".join(heard)[:300])

    # The hidden buttons, in tab order: Go has the focus at the start.
    heard = press_and_listen("space", note="space on the focused button (Go)")
    summary.append("Go pressed: " + " | ".join(heard))
    heard = press_and_listen("Tab")
    summary.append("Tab: " + " | ".join(heard))
    heard = press_and_listen("space", note="space (Nuova nota)")
    summary.append("Nuova nota pressed: " + " | ".join(heard))
    heard = press_and_listen("Tab")
    summary.append("Tab: " + " | ".join(heard))
    heard = press_and_listen("space", note="space (Command4)")
    summary.append("Command4 pressed: " + " | ".join(heard))

    # Three turns, the second answered wrongly first.
    answer()
    answer(wrong=True)
    answer()
    answer()

    # The status bar on request: Orca's key (Insert) with KP_Enter, twice.
    heard = press_and_listen("Insert+KP_Enter", "Insert+KP_Enter",
                             note="Insert+KP_Enter twice (read the status bar)", quiet=2.5)
    summary.append("status bar: " + " | ".join(heard))

    # The window in flat review, line by line from the top, then back out of flat review.
    press_and_listen("KP_Subtract", note="KP_Subtract (flat review)")
    lines = [press_and_listen("Insert+KP_Home", note="Insert+KP_Home (top line)")]
    for _ in range(16):
        lines.append(press_and_listen("KP_Page_Up", note="KP_Page_Up (next line)", quiet=1.2))
        if lines[-1] == lines[-2]:
            break
    summary.append("flat review: " + " || ".join(" ".join(line) for line in lines))
    press_and_listen("KP_Subtract", note="KP_Subtract (leave flat review)")

    # On past the answers to the picture.
    for _ in range(8):
        heard = press_and_listen("Tab")
        name = focused_name(heard)
        if name not in ANSWERS:
            summary.append("after the answers, Tab: " + " | ".join(heard))
            break

    # A definition from the menu bar.
    heard = press_and_listen("F10")
    summary.append("F10: " + " | ".join(heard))
    for _ in range(2):
        heard = press_and_listen("Right")
        summary.append("Right: " + " | ".join(heard))
    heard = press_and_listen("Return", note="Return (opens the definition)", quiet=2.5)
    summary.append("definition: " + " | ".join(heard))
    close_box("the definition")

    # The time warnings, then Esci a little before the end.
    end = t0 + 900 / speed
    warned = []
    while time.time() < end - 45 / speed:
        poll()
        warned = [u for u in said if re.search(r"[Mm]ancan|minut", u)]
        if any(re.search(r"\b1 minut|un minuto", u) for u in warned):
            break
        time.sleep(0.3)
    summary.append("time warnings: " + " | ".join(warned))
    for _ in range(14):
        if focused_name(said[-4:]) == "Esci":
            break
        press_and_listen("Tab", quiet=1.0)
    heard = press_and_listen("space", note="space on Esci", quiet=2.0)
    if not any("Ciao a presto" in u for u in heard):
        wait_for("Ciao a presto")
    settle()
    key("Return")
    try:
        wait_for("C A M P I O N E", 10)
        settle()
        key("Return")
    except SystemExit:
        pass
    settle()


try:
    main()
    status = 0
except SystemExit as e:
    print(e, file=sys.stderr)
    status = 1
finally:
    poll()
    text = "\n".join(transcript) + "\n\n== Summary ==\n" + "\n".join(summary) + "\n"
    with open(os.path.join(work, "transcript.txt"), "w") as f:
        f.write(text)
    print(text)
sys.exit(status)
