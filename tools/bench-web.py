#!/usr/bin/env python3
"""The WebAssembly program against the native one, process by process.

    tools/bench-web.py NATIVE WASM_JS DATA [--runs N] [--web-module WASM]

NATIVE is the native executable, WASM_JS build-web/artisanscope.js, DATA the
bench game folders (DATA/realistic, DATA/maximum). Each export of the
realistic table is timed N times in each format, native and WebAssembly
(and `node -e 0`, Node's own start) alternating in one loop, by the
monotonic clock around spawning the process and waiting for it; medians are
compared, Node's start subtracted from the WebAssembly time; the same is
shown for each process's processor time (user and system, all its threads),
which other programs on a busy machine disturb less. The load average is
printed before and after. The maximum
table's text export is timed once each way, with each side's peak resident
memory. Last, the .wasm sizes, raw and gzip-compressed.
"""
import argparse
import gzip
import os
import statistics
import sys
import tempfile
import time

FORMATS = [("text", 2.0), ("xml", 2.5), ("csv", 2.0), ("json", 2.0), ("sqlite", 2.5)]


def timed(argv):
    """(seconds, peak resident KiB, status, processor seconds) of one process."""
    with open(os.devnull, "wb") as null:
        start = time.monotonic()
        pid = os.posix_spawnp(argv[0], argv, {k: v for k, v in os.environ.items()
                                                if k not in ("DISPLAY", "WAYLAND_DISPLAY")},
                              file_actions=[(os.POSIX_SPAWN_DUP2, null.fileno(), 1)])
        _, status, usage = os.wait4(pid, 0)
        return (time.monotonic() - start, usage.ru_maxrss, os.waitstatus_to_exitcode(status),
                usage.ru_utime + usage.ru_stime)


def load_average():
    return " ".join(f"{x:.2f}" for x in os.getloadavg())


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("native")
    parser.add_argument("wasm")
    parser.add_argument("data")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--web-module", action="append", default=[])
    parser.add_argument("--node", default="node")
    args = parser.parse_args()
    native = os.path.abspath(args.native)
    wasm = [args.node, os.path.abspath(args.wasm)]
    realistic = os.path.join(args.data, "realistic")
    maximum = os.path.join(args.data, "maximum")
    failed = False
    with tempfile.TemporaryDirectory() as out:
        print(f"load average {load_average()} (1, 5, 15 minutes) at the start")
        print(f"realistic table, median of {args.runs} runs (seconds; WebAssembly less `node -e 0`;")
        print("cpu: the same for the processor time, user and system, of each process)")
        print(f"{'format':8} {'native':>8} {'wasm':>8} {'node':>8} {'ratio':>6} goal  "
              f"{'cpu:':>5} {'native':>7} {'wasm':>7} {'node':>7} {'ratio':>6}")
        for fmt, goal in FORMATS:
            times = {"native": [], "wasm": [], "node": []}
            cpu = {"native": [], "wasm": [], "node": []}
            target = os.path.join(out, "export." + fmt)
            for _ in range(args.runs):
                for side, argv in (("native", [native]), ("wasm", wasm)):
                    seconds, _, status, used = timed([*argv, "-q", "--format", fmt, realistic, target])
                    if status != 0:
                        print(f"{side} {fmt}: status {status}", file=sys.stderr)
                        failed = True
                    times[side].append(seconds)
                    cpu[side].append(used)
                seconds, _, _, used = timed([args.node, "-e", "0"])
                times["node"].append(seconds)
                cpu["node"].append(used)
            n, w, z = (statistics.median(times[k]) for k in ("native", "wasm", "node"))
            cn, cw, cz = (statistics.median(cpu[k]) for k in ("native", "wasm", "node"))
            ratio = (w - z) / n
            print(f"{fmt:8} {n:8.3f} {w:8.3f} {z:8.3f} {ratio:6.2f} <= {goal:<3} "
                  f"{cn:13.3f} {cw:7.3f} {cz:7.3f} {(cw - cz) / cn:6.2f}")
        if os.path.isdir(maximum):
            target = os.path.join(out, "maximum.txt")
            n, n_rss, ns, _ = timed([native, "-q", maximum, target])
            w, w_rss, ws, _ = timed([*wasm, "-q", maximum, target])
            z = timed([args.node, "-e", "0"])[0]
            failed |= ns != 0 or ws != 0
            print(f"maximum table, text: native {n:.2f} s ({n_rss // 1024} MiB peak), "
                  f"wasm {w:.2f} s ({w_rss // 1024} MiB peak), ratio {(w - z) / n:.2f} <= 3 "
                  f"(status {ns}, {ws})")
        print(f"load average {load_average()} at the end")
    for path in [os.path.splitext(args.wasm)[0] + ".wasm", *args.web_module]:
        with open(path, "rb") as f:
            data = f.read()
        print(f"{os.path.basename(path)}: {len(data) / 2**20:.2f} MiB, "
              f"{len(gzip.compress(data, 9)) / 2**20:.2f} MiB gzip -9")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
