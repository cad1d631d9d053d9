#!/usr/bin/env python3
"""The native program and the WebAssembly one, run on the same inputs,
compared byte for byte: the output file, standard output, standard error
and the exit status.

    compare-native.py --native BUILD --wasm artisanscope.js --work DIR
                      [--jobs N] [--corpus DIR]...

BUILD is a native build folder with the executable, the sample folders and
the helpers that write the fixture game folders and the fuzz seed corpora
(tests/robustness_fixtures, tests/seed_corpora, tests/seed_games). The
inputs are every fixture game folder, the sample and its patched twin, and
every archive and table of the fuzz seeds (and of each --corpus folder of
archives, e.g. a fuzzer's corpus); the runs are one table, CASES below.
SQLite files whose bytes differ are compared by their SQL dump, and the
difference is reported. Inputs made of archive seeds must end with status 0
or 1, a reason on standard error for 1. Exits 1 on any difference.
"""
import argparse
import hashlib
import os
import shutil
import sqlite3
import subprocess
import sys
from concurrent.futures import ThreadPoolExecutor

# Output file name by format; text and XML are chosen by the name alone.
FORMATS = [("txt", []), ("xml", []), ("csv", ["--format", "csv"]), ("json", ["--format", "json"]),
           ("sqlite", ["--format", "sqlite"])]
FIND = "--find=schwert eisen"


# The runs by kind of input: option sets, and the formats written with each.
# Fixture and sample tables get every format with and without -e and -d
# together, and each of -e and -d alone in text; tables from the seeds every
# format with and without both; archives from the seeds (which mostly fail
# before a writer sees a byte) the text, the XML (saved at the end) and the
# SQLite path. Every input also prints its --tree.
RUNS = {
    "fixture": [([], FORMATS), (["-e", "-d"], FORMATS), (["-e"], FORMATS[:1]), (["-d"], FORMATS[:1])],
    "table": [([], FORMATS), (["-e", "-d"], FORMATS)],
    "archive": [([], [FORMATS[0], FORMATS[1], FORMATS[4]])],
    # A fuzzer's corpus: whether each input ends safely, as the native one.
    "corpus": [([], FORMATS[:1])],
}
# Inputs taken from --corpus folders at most (the first by name).
MAX_CORPUS = 200


def kind(game):
    if game.startswith("table-"):
        return "table"
    if game.startswith("archive-"):
        return "archive"
    if game.startswith("corpus-"):
        return "corpus"
    return "fixture"


def cases(games, plans):
    """(tag, arguments, output file or None) for every run. {G:name} stands
    for the game folder name, {P:name} for plan seed name."""
    rows = []
    for game in games:
        at = "{G:" + game + "}"
        for options, formats in RUNS[kind(game)]:
            for ext, format_args in formats:
                rows.append((f"{game}{''.join(options)}.{ext}", ["-q", *options, *format_args, at], "out." + ext))
        if kind(game) != "corpus":
            rows.append((f"{game}-tree", ["--tree", at], None))
        if kind(game) == "fixture":
            rows.append((f"{game}-find.json", ["-q", FIND, "--format", "json", at], "out.json"))
            rows.append((f"{game}-find-tree", ["--tree", "--find=e", at], None))
    fixtures = sorted(g for g in games if kind(g) == "fixture" and not g.startswith("sample"))
    for old, new in [("sample", "sample-patch"), *zip(fixtures, fixtures[1:])]:
        for options in ([], ["-e", "-d"], [FIND]):
            base = f"diff-{old}-{new}{''.join(options).replace(' ', '')}"
            pair = ["{G:" + old + "}", "{G:" + new + "}"]
            rows.append((base + ".txt", ["--diff", *pair, *options], None))
            rows.append((base + ".json", ["--format", "json", "--diff", *pair, *options], None))
    for plan in plans:
        for ext, format_args in [("txt", []), ("csv", ["--format", "csv"]), ("json", ["--format", "json"])]:
            rows.append((f"plan-{plan}.{ext}", [*format_args, "--plan", "{P:" + plan + "}", "{G:sample}"], None))
    rows += [("help", ["--help"], None), ("version", ["--version"], None), ("usage", ["-q"], None),
             ("unknown-format", ["--format", "pdf", "x", "y"], None)]
    return rows


def distinct(games):
    """The game folders, less those whose archive has the same bytes as an
    earlier one's (seeds that differ only in options of the fuzzer)."""
    seen, kept = set(), []
    for game in games:
        archive = os.path.join(game, "data", "ifd.mpk")
        if os.path.isfile(archive) and not os.path.islink(archive):
            with open(archive, "rb") as f:
                digest = hashlib.sha256(f.read()).digest()
            if digest in seen:
                continue
            seen.add(digest)
        kept.append(game)
    return kept


def prepare(native, work, corpora):
    games = os.path.join(work, "games")
    seeds = os.path.join(work, "seeds")
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    quiet = {"stdout": subprocess.DEVNULL, "check": True}
    subprocess.run([os.path.join(native, "tests", "robustness_fixtures"), games], **quiet)
    shutil.copytree(os.path.join(native, "sample", "camelot"), os.path.join(games, "sample"))
    shutil.copytree(os.path.join(native, "sample", "camelot-patch"), os.path.join(games, "sample-patch"))
    subprocess.run([os.path.join(native, "tests", "seed_corpora"), seeds], **quiet)
    subprocess.run([os.path.join(native, "tests", "seed_games"), seeds, games, *corpora], **quiet)
    plans = os.path.join(seeds, "plan_file")
    names = [os.path.basename(g) for g in distinct([os.path.join(games, n) for n in sorted(os.listdir(games))])]
    corpus = [n for n in names if kind(n) == "corpus"]
    names = [n for n in names if kind(n) != "corpus"] + corpus[:MAX_CORPUS]
    return (names, sorted(os.listdir(plans)), games, plans)


def run(program, tag, args, output, folder):
    """Runs one case in a folder of its own; returns (status, stdout,
    stderr, output bytes or None)."""
    os.makedirs(folder)
    command = [*program, *args] + ([output] if output else [])
    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
    try:
        done = subprocess.run(command, cwd=folder, env=env, stdin=subprocess.DEVNULL, capture_output=True,
                              timeout=300)
    except subprocess.TimeoutExpired:
        return ("no end after 300 s", b"", b"", None)
    path = os.path.join(folder, output) if output else None
    return (done.returncode, done.stdout, done.stderr, path if path and os.path.exists(path) else None)


def same_file(a, b):
    """'' when equal, 'dump' when only SQLite's dump is equal, else None."""
    if a is None or b is None:
        return "" if a is None and b is None else None
    with open(a, "rb") as fa, open(b, "rb") as fb:
        if fa.read() == fb.read():
            return ""
    if a.endswith(".sqlite"):
        dumps = []
        for path in (a, b):
            with sqlite3.connect(path) as db:
                dumps.append(list(db.iterdump()))
        if dumps[0] == dumps[1]:
            return "dump"
    return None


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--native", required=True)
    parser.add_argument("--wasm", required=True)
    parser.add_argument("--node", default="node")
    parser.add_argument("--work", required=True)
    parser.add_argument("--jobs", type=int, default=2)
    parser.add_argument("--corpus", action="append", default=[])
    options = parser.parse_args()
    work = os.path.abspath(options.work)
    names, plans, games, plan_dir = prepare(options.native, work, options.corpus)
    programs = {"native": [os.path.abspath(os.path.join(options.native, "artisanscope"))],
                "wasm": [options.node, os.path.abspath(options.wasm)]}

    def expand(args):
        out = []
        for arg in args:
            if arg.startswith("{G:"):
                arg = os.path.join(games, arg[3:-1])
            elif arg.startswith("{P:"):
                arg = os.path.join(plan_dir, arg[3:-1])
            out.append(arg)
        return out

    rows = cases(names, plans)

    def one(index_row):
        index, (tag, args, output) = index_row
        results = {side: run(program, tag, expand(args), output, os.path.join(work, side, str(index)))
                   for side, program in programs.items()}
        return index, tag, results

    faults, dumps = [], []
    with ThreadPoolExecutor(options.jobs) as pool:
        for index, tag, results in pool.map(one, enumerate(rows)):
            before = len(faults)
            native, wasm = results["native"], results["wasm"]
            for what, i in (("status", 0), ("stdout", 1), ("stderr", 2)):
                if native[i] != wasm[i]:
                    faults.append(f"{tag}: {what} differs: native {native[i]!r:.300} wasm {wasm[i]!r:.300}")
            same = same_file(native[3], wasm[3])
            if same is None:
                faults.append(f"{tag}: the output file differs")
            elif same == "dump":
                dumps.append(tag)
            if kind(tag) in ("archive", "corpus") and (wasm[0] not in (0, 1) or (wasm[0] == 1 and not wasm[2])):
                faults.append(f"{tag}: status {wasm[0]} with {wasm[2]!r:.300}")
            if len(faults) == before:  # kept for a look only when they differ
                for side in programs:
                    shutil.rmtree(os.path.join(work, side, str(index)), ignore_errors=True)
    for fault in faults:
        print(fault)
    if dumps:
        print(f"{len(dumps)} SQLite files equal by their dump only, e.g. {dumps[0]}")
    print(f"{len(rows)} runs on {len(names)} inputs, {len(faults)} differences")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
