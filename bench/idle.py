"""Memory and idle CPU of the running program, under Xvfb and openbox as the journeys run it.

Usage: python3 bench/idle.py PROGRAM [--idle SECONDS] [--only NAME ...]

Three runs, each on its own scratch home: the demo sheet of a first start ("sample"), a sheet of 50
cards with a window each ("50 cards") and a sheet with one card of 5,000 rows ("5,000 rows"). Each run
waits for the windows, lets the program settle, then reads its resident and anonymous memory and the
processor time and wake-ups of all its threads over the idle seconds. The goals beside the figures
are the issue's: within the peers' figures measured on the same kind of machine."""

import argparse
import os
import plistlib
import runpy
import sys
import tempfile
import time
import types

HERE = os.path.dirname(os.path.abspath(__file__))
TOP = os.path.dirname(HERE)
sys.path.insert(0, os.path.join(TOP, "tests", "journeys"))

from journey import Journey, wait_until  # noqa: E402

MIB = 1024 * 1024
SETTLE_SECONDS = 12  # launch work and the caret's blinking (10 s after the last input) are over

# What each run should stay within: resident memory (MiB) and processor time over 30 idle seconds (ms).
GOALS = {"sample": (46.3, 20), "50 cards": (62.1, None), "5,000 rows": (59.7, None)}


def sample_sheets():
    """The sample-sheet generator of tools/, loaded as a module for its card and row makers."""
    sys.path.insert(0, os.path.join(TOP, "tools"))
    return types.SimpleNamespace(**runpy.run_path(os.path.join(TOP, "tools", "make-sample-sheets.py")))


def fifty_cards(s, folder):
    def maker(n):
        x, y = 40 + (n % 10) * 110, 60 + (n // 10) * 130
        rows = [lambda ids, r=r: s.task(ids, f"Task {r} of card {n}") for r in range(4)]
        return lambda ids: s.outline(ids, "TJobslate", f"Card {n}", [row(ids) for row in rows], (x, y, 240, 180), s.YELLOW)

    return s.sheet("bench", "BE0C0050", [maker(n) for n in range(1, 51)], out=folder), [f"^Card {n}$" for n in (1, 25, 50)], 50


def long_card(s, folder):
    def card(ids):
        rows = [s.row(ids, "TListItem", f"Row {r}: a line of some words to lay out") for r in range(5000)]
        return s.outline(ids, "TListCard", "Long", rows, (100, 100, 420, 560), s.WHITE)

    return s.sheet("bench", "BE0C5000", [card], out=folder), ["^Long$"], 1


class Process:
    def __init__(self, pid):
        self.pid = pid

    def status(self):
        with open(f"/proc/{self.pid}/status") as file:
            return {key: value.strip() for key, value in (line.split(":", 1) for line in file if ":" in line)}

    def memory(self):
        status = self.status()
        return int(status["VmRSS"].split()[0]) * 1024, int(status["RssAnon"].split()[0]) * 1024

    def threads(self):
        """Per thread: nanoseconds on a processor and voluntary switches (sleeps ended by a wake-up)."""
        threads = {}
        for thread in os.listdir(f"/proc/{self.pid}/task"):
            try:
                with open(f"/proc/{self.pid}/task/{thread}/schedstat") as file:
                    cpu = int(file.read().split()[0])
                with open(f"/proc/{self.pid}/task/{thread}/status") as file:
                    switches = next(int(line.split()[1]) for line in file if line.startswith("voluntary_ctxt_switches"))
            except (FileNotFoundError, ProcessLookupError, StopIteration):
                continue  # a thread that ended meanwhile
            threads[thread] = (cpu, switches)
        return threads


def since(before, after):
    """Processor milliseconds and wake-ups of the threads between two readings (an idle pool thread
    that ended meanwhile leaves out its last moments)."""
    cpu = wakeups = 0
    for thread, (ns, switches) in after.items():
        ns_before, switches_before = before.get(thread, (0, 0))
        cpu += ns - ns_before
        wakeups += switches - switches_before
    return cpu / 1e6, wakeups


def measure(j, idle_seconds):
    process = Process(j._program.pid)
    j._run(["xdotool", "mousemove", "1279", "799"], check=False)
    time.sleep(SETTLE_SECONDS)
    before = process.threads()
    time.sleep(idle_seconds)
    cpu_ms, wakeups = since(before, process.threads())
    rss, anon = process.memory()
    return rss, anon, cpu_ms, wakeups


def run(name, program, idle_seconds, make_sheet):
    with Journey(name="bench-" + name.replace(",", "").replace(" ", "-"), program=program) as j:
        j.start(env={"JOBSLATE_WELCOME_CHOICE": "Default"})
        for title in ("^Welcome$", "^Ideas$", "^Notes$"):
            j.wait_window(title, timeout=120)
        windows = 3
        if make_sheet:
            j.term()
            path, titles, windows = make_sheet(sample_sheets(), j.sheets)
            defaults_path = os.path.join(j.config, "Jobslate", "defaults.plist")
            with open(defaults_path, "rb") as file:
                defaults = plistlib.load(file)
            defaults["activeSheet"] = path
            with open(defaults_path, "wb") as file:
                plistlib.dump(defaults, file, fmt=plistlib.FMT_XML)
            j.start()
            for title in titles:
                j.wait_window(title, timeout=180)
        wait_until(lambda: len(j.windows()) >= windows, 180, f"{windows} windows")
        figures = measure(j, idle_seconds)
        j.term()
        return figures


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("program")
    parser.add_argument("--idle", type=float, default=30.0, help="idle seconds measured (30)")
    parser.add_argument("--only", nargs="*", choices=list(GOALS), help="runs to make (all)")
    options = parser.parse_args()
    # The runs' logs, as a journey keeps them.
    os.environ.setdefault("JOURNEY_OUTPUT", tempfile.mkdtemp(prefix="bench-idle-"))
    runs = {"sample": None, "50 cards": fifty_cards, "5,000 rows": long_card}
    rows = []
    for name, make_sheet in runs.items():
        if options.only and name not in options.only:
            continue
        rss, anon, cpu_ms, wakeups = run(name, os.path.abspath(options.program), options.idle, make_sheet)
        rss_goal, cpu_goal = GOALS[name]
        cpu_goal_now = cpu_goal * options.idle / 30.0 if cpu_goal is not None else None
        rows.append((name, rss / MIB, rss_goal, anon / MIB, cpu_ms, cpu_goal_now, wakeups))
    print()
    print(f"{'run':<12}{'RSS MiB':>9}{'goal':>7}{'anon MiB':>10}{f'CPU ms/{options.idle:g}s':>13}{'goal':>6}{'wake-ups':>10}")
    for name, rss, rss_goal, anon, cpu_ms, cpu_goal, wakeups in rows:
        goal = f"{cpu_goal:.0f}" if cpu_goal is not None else "-"
        print(f"{name:<12}{rss:>9.1f}{rss_goal:>7.1f}{anon:>10.1f}{cpu_ms:>13.1f}{goal:>6}{wakeups:>10}")


if __name__ == "__main__":
    main()
