#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
# The blind player of scripts/screenreader-check.sh: starts the game, presses keys and decides
# what to press next only from what Orca said (the SPEECH OUTPUT lines of Orca's debug log).
# Prints the transcript: every key pressed (">") and every utterance, a summary and the verdict,
# and exits 1 when a judgement failed.
#
#     python3 screenreader-player.py WORKDIR GAME
#
# ENDING=time lets the countdown run out; ENDING=esci presses "Esci" after the last warning.

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

ENDING = os.environ.get("ENDING", "time")
# How long Orca may take to speak a box's text after the key that opens it, on a busy machine.
BOX_LIMIT = 12.0
# The amplitude must come within these many words after a box closes or after the greeting.
AMPLITUDE_WORDS = 8

transcript = []  # lines: "> key" or the utterance
said = []        # utterances only
offset = 0
summary = []
failures = []


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
    """How many words Orca said until the amplitude, or None."""
    words = " ".join(utterances).split()
    for i in range(len(words)):
        if AMPLITUDE.search(" ".join(words[: i + 1])):
            return i + 1
    return None


def judge(ok, what):
    summary.append(("ok    " if ok else "FAILED ") + what)
    if not ok:
        failures.append(what)


def heard_once(what, utterances):
    """Judges that the amplitude was said at most once in one announcement."""
    count = len(AMPLITUDE.findall(" ".join(utterances)))
    judge(count <= 1, "%s: the amplitude said %d times" % (what, count))


def open_box(keys, text, what, note=None):
    """Presses the keys that open a box and judges that Orca said its text in time; returns
    what Orca said."""
    poll()
    start, t0 = len(said), time.time()
    key(*keys, note=note)
    rx = re.compile(text)
    while time.time() - t0 < BOX_LIMIT and not any(rx.search(u) for u in said[start:]):
        time.sleep(0.2)
        poll()
    heard = said[start:]
    judge(any(rx.search(u) for u in heard),
          "%s box heard (%s)" % (what, " | ".join(heard)[:200] or "silence"))
    settle()
    return said[start:]


def close_box(what, keys=("Return",)):
    """Closes the open box and judges how soon the amplitude was heard after it."""
    poll()
    start, t0 = len(said), time.time()
    key(*keys, note="%s (closes %s)" % ("+".join(keys), what))
    while time.time() - t0 < 20:
        time.sleep(0.1)
        poll()
        if words_until_amplitude(said[start:]):
            break
    settle()
    heard = said[start:]
    at = words_until_amplitude(heard)
    judge(at is not None and at <= AMPLITUDE_WORDS,
          "after %s: amplitude at word %s of: %s" % (what, at, " | ".join(heard)[:200]))
    heard_once("after " + what, heard)
    judge(not any("pannello" in u for u in heard), "after %s: no group word" % what)
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
        if current in ANSWERS:
            judge(AMPLITUDE.search(" ".join(heard)) is None,
                  "Tab onto %s says the answer and its state only: %s"
                  % (current, " | ".join(heard)[:120]))
    raise SystemExit("player: never reached the answer")


score = {"right": 0, "wrong": 0}


def answer(wrong=False):
    a, index = focus_answer(wrong)
    box = "HAI SBAGLIATO" if wrong else "Bravo"
    open_box(["space"], box, '"%s"' % box,
             note="space on %s (amplitude %d)" % (ANSWERS[index - 1], a))
    score["wrong" if wrong else "right"] += 1
    close_box('"%s"' % box)


def main():
    # File times stay true: the record store compares them to see a change under it.
    env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_QPA_PLATFORM="xcb",
               NO_FAKE_STAT="1")
    gamelog = open(os.path.join(work, "game.log"), "w")
    subprocess.Popen(["faketime", "-f", "+0 x%g" % speed, game], env=env, stdout=gamelog,
                     stderr=gamelog)
    try:
        wait_for("Come ti chiami", 40)
        judge(True, "name box heard")
    except SystemExit:
        judge(False, "name box heard")
        raise
    settle()
    typed("Luca")
    open_box(["Return"], "campione", "greeting")
    close_box("the greeting")
    t0 = time.time()  # the countdown runs from about now

    # The hidden buttons, in tab order: Go has the focus at the start.
    heard = press_and_listen("space", note="space on the focused button (Go)")
    judge(any(AMPLITUDE.search(u) for u in heard), "Go pressed: " + " | ".join(heard)[:150])
    heard = press_and_listen("Tab")
    summary.append("      Tab: " + " | ".join(heard))
    heard = press_and_listen("space", note="space (Nuova nota)")
    judge(any(AMPLITUDE.search(u) for u in heard), "Nuova nota pressed: " + " | ".join(heard)[:150])
    heard = press_and_listen("Tab")
    summary.append("      Tab: " + " | ".join(heard))
    heard = press_and_listen("space", note="space (Command4)")
    judge(any(AMPLITUDE.search(u) for u in heard), "Command4 pressed: " + " | ".join(heard)[:150])

    # Four turns, the second answered wrongly first.
    answer()
    answer(wrong=True)
    answer()
    answer()

    # The status bar on request: Orca's key (Insert) with KP_Enter, twice.
    heard = press_and_listen("Insert+KP_Enter", "Insert+KP_Enter",
                             note="Insert+KP_Enter twice (read the status bar)", quiet=2.5)
    bar = " ".join(heard)
    judge(re.search(r"esatte: %d\b" % score["right"], bar) is not None
          and re.search(r"errate: %d\b" % score["wrong"], bar) is not None,
          "status bar says %d right and %d wrong: %s" % (score["right"], score["wrong"], bar[:200]))
    judge(re.search(r"\d+ (minut|second)", bar) is not None and "00:" not in bar,
          "status bar reads the time left as time")

    # The window in flat review, line by line from the top, then back out of flat review.
    press_and_listen("KP_Subtract", note="KP_Subtract (flat review)")
    lines = [press_and_listen("Insert+KP_Home", note="Insert+KP_Home (top line)")]
    for _ in range(16):
        lines.append(press_and_listen("KP_Page_Up", note="KP_Page_Up (next line)", quiet=1.2))
        if lines[-1] == lines[-2]:
            break
    summary.append("      flat review: " + " || ".join(" ".join(line) for line in lines)[:400])
    press_and_listen("KP_Subtract", note="KP_Subtract (leave flat review)")

    # On past the answers to the picture.
    for _ in range(8):
        heard = press_and_listen("Tab")
        name = focused_name(heard)
        if name not in ANSWERS:
            summary.append("      after the answers, Tab: " + " | ".join(heard))
            break

    # A definition from the menu bar.
    heard = press_and_listen("F10")
    summary.append("      F10: " + " | ".join(heard))
    for _ in range(2):
        heard = press_and_listen("Right")
        summary.append("      Right: " + " | ".join(heard))
    open_box(["Return"], "si dice retto", "the definition")
    close_box("the definition")

    # The time warnings, then the end: by the countdown, or by Esci after the last warning.
    end = t0 + 900 / speed
    while time.time() < end - 30 / speed:
        poll()
        if any(re.search(r"manca 1 minuto", u) for u in said):
            break
        time.sleep(0.3)
    warned = [u for u in said if re.search(r"Attenzione", u)]
    judge(any("mancano 5 minuti" in u for u in warned), "warning at 5 minutes heard")
    judge(any("manca 1 minuto" in u for u in warned), "warning at 1 minute heard")
    if ENDING == "esci":
        for _ in range(14):
            if focused_name(said[-4:]) == "Esci":
                break
            press_and_listen("Tab", quiet=1.0)
        heard = open_box(["space"], "Ciao a presto", "goodbye", note="space on Esci")
        judge(not any("scaduto" in u for u in heard), "no time's end said after Esci")
    else:
        poll()
        start = len(said)
        wait_for("Ciao a presto", 120 / speed + 30)
        settle()
        heard = said[start:]
        text = " ".join(heard)
        end_said = re.search(r"[Tt]empo scaduto.*esatte: %d\b.*errate: %d\b.*Ciao a presto"
                             % (score["right"], score["wrong"]), text)
        judge(end_said is not None, "time's end and score before the goodbye: " + text[:200])
    open_box(["Return"], "C A M P I O N E", "record saved")
    key("Return")
    settle()


try:
    main()
except SystemExit as e:
    print(e, file=sys.stderr)
    failures.append(str(e))
finally:
    poll()
    verdict = "FAILED: %d of %d judgements" % (len(failures), len(summary)) if failures else \
        "passed: %d judgements" % len(summary)
    text = "\n".join(transcript) + "\n\n== Summary ==\n" + "\n".join(summary) + \
        "\n\n== Verdict ==\n" + verdict + "\n"
    with open(os.path.join(work, "transcript.txt"), "w") as f:
        f.write(text)
    print(text)
sys.exit(1 if failures else 0)
