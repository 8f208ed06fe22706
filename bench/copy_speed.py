#!/usr/bin/env python3
"""How fast quarnex converts and unpacks image sets, beside what people do
instead on the same machine, and whether the speed goals hold.

Makes two sets of three members, each cut inside sectors (about 1 GiB and a
DVD-sized 4.4 GiB), runs every command of COMMANDS several times, each round
in a new order, checks every output of the first round against the image,
and prints median times, peak memory, ratios and the goals' verdict.

Exit status: 0 when every goal held, 1 when one was missed, 2 when the
benchmark could not run or an output was wrong. With --small the goals are
printed but do not change the exit status: sets that small, on a machine
shared with others, time too noisily to judge, and the test command runs
--small only to keep this script working.
"""

import argparse
import os
import random
import re
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time
from dataclasses import dataclass
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
HEADER = 304  # bytes before the image in the first member
SECTOR = 2048


@dataclass
class SetPlan:
    label: str
    vobs: int
    vob_size: int
    cuts: tuple  # sizes of the first members; the last one takes the rest

    @property
    def rough_bytes(self):
        return self.vobs * self.vob_size + 2 * 1024 * 1024


FULL_SETS = [SetPlan("1GiB", 3, 390000000, (400000001, 380000333)),
             SetPlan("4.4GiB", 5, 989000000, (1600000001, 1599999333))]
SMALL_SETS = [SetPlan("64MiB", 3, 24000000, (25000001, 22000333)),
              SetPlan("256MiB", 3, 97000000, (100000001, 95000333))]

# Median time of the first command at most LIMIT times that of the second,
# at every size.
RATIO_GOALS = [("quarnex -i", "kcopy+304", 1.10)]
# Growth of the first command's median time from the smaller set to the
# larger at most LIMIT times the growth of the second's in the same run.
GROWTH_GOALS = [("quarnex -i", "cp", 1.10)]
# Ratios printed for reading, without a goal.
RATIOS_SHOWN = [("quarnex -i", "cp"), ("quarnex -d", "kcopy+304"), ("kcopy+304", "cp"),
                ("quarnex -i", "cat-tail"), ("dd bs=20M", "cp")]


# The rows: quarnex's two copying modes, and what people do instead.
COMMANDS = ["quarnex -i", "quarnex -d", "cat-tail", "dd bs=20M", "cp", "kcopy+304"]


class Failure(Exception):
    """The benchmark cannot go on (exit status 2)."""


def command_line(command, tools, made, out):
    """The argument vector of one command on one set, writing into out."""
    quarnex, kcopy = tools["quarnex"], tools["kernel_copy"]
    members, image = made.members, made.image
    if command == "quarnex -i":
        return [quarnex, "-i", out / "image.iso", made.name]
    if command == "quarnex -d":
        return [quarnex, "-d", out, made.name]
    if command == "cat-tail":
        return ["sh", "-c", 'o=$1; shift; cat "$@" | tail -c +305 > "$o"', "sh",
                out / "image.img", *members]
    if command == "dd bs=20M":  # the first member from byte 304 on, then the others
        return ["sh", "-c", 'o=$1; first=$2; shift 2; '
                '{ dd if="$first" bs=20M iflag=skip_bytes skip=304 status=none && '
                'for f in "$@"; do dd if="$f" bs=20M status=none || exit 1; done; } > "$o"',
                "sh", out / "image.img", *members]
    if command == "cp":  # one file of the image's size: the image itself
        return ["cp", image, out / "image.img"]
    if command == "kcopy+304":  # the image from byte 304 on, as it lies in the first member
        return [kcopy, image, str(HEADER), out / "image.img"]
    raise ValueError(command)


def run_timed(argv, log, work):
    """Wall seconds and peak resident KiB of one command (for a pipeline
    through sh, of its largest process). The peak comes from /usr/bin/time:
    a child forked from this script would start with the script's peak."""
    memory = work / "memory"
    start = time.perf_counter()
    done = subprocess.run(["/usr/bin/time", "-f", "%M", "-o", str(memory), *map(str, argv)],
                          stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=log)
    seconds = time.perf_counter() - start
    if done.returncode != 0:
        raise Failure(f"it ended with status {done.returncode}")
    return seconds, int(memory.read_text().split()[-1])


def same_bytes(path, reference, length, reference_at=0):
    with open(path, "rb") as a, open(reference, "rb") as b:
        b.seek(reference_at)
        while length > 0:
            step = min(length, 8 << 20)
            if a.read(step) != b.read(step):
                return False
            length -= step
    return True


@dataclass
class MadeSet:
    plan: SetPlan
    name: Path         # the set's name: its first member without ".pdi"
    members: list
    image: Path        # the members joined, without the header
    image_bytes: int
    files: list        # (first sector, name, bytes) from quarnex's listing

    @property
    def iso_bytes(self):
        """The .iso is the whole volume, which the maker's image is from its
        first sector to its last."""
        return self.image_bytes // SECTOR * SECTOR


def make_set(plan, work, tools):
    ends = 0
    for cut in plan.cuts:
        ends += cut
        if (ends - HEADER) % SECTOR == 0:
            raise Failure(f"a cut of the {plan.label} set falls on a sector boundary")
    name = work / f"set-{plan.label}"
    options = ["--vobs", str(plan.vobs), "--vob-size", str(plan.vob_size)]
    for cut in plan.cuts:
        options += ["--cut", str(cut)]
    print(f"making the {plan.label} set: make_pdi_set {' '.join(options)}")
    subprocess.run([tools["make_pdi_set"], *options, name], check=True, stdout=subprocess.DEVNULL)
    members = [Path(f"{name}.pdi"), Path(f"{name}.pdi01"), Path(f"{name}.pdi02")]
    if not all(m.exists() for m in members) or Path(f"{name}.pdi03").exists():
        raise Failure(f"expected three members of the {plan.label} set")
    image = work / f"image-{plan.label}.img"
    with open(image, "wb") as out:
        for i, member in enumerate(members):
            with open(member, "rb") as source:
                source.seek(HEADER if i == 0 else 0)
                shutil.copyfileobj(source, out, 8 << 20)
    listing = subprocess.run([tools["quarnex"], "-l", name], stdin=subprocess.DEVNULL,
                             capture_output=True, text=True).stdout
    files = [(int(m[1]), m[2], int(m[3]))
             for m in re.finditer(r"^\[ *(\d+)\] +(\S+) +(\d+) ", listing, re.M)]
    if not files:
        raise Failure(f"could not read the listing of the {plan.label} set")
    for member in members:
        print(f"  {member.stat().st_size:>12}  {member.name}")
    return MadeSet(plan, name, members, image, image.stat().st_size, files)


def check_output(command, made, out):
    """Raises Failure unless the output of command is the image's bytes."""
    where = f"{command} on the {made.plan.label} set"
    if command == "quarnex -i":
        iso = out / "image.iso"
        if iso.stat().st_size != made.iso_bytes:
            raise Failure(f"{where} wrote {iso.stat().st_size} bytes, expected {made.iso_bytes}")
        if not same_bytes(iso, made.image, made.iso_bytes):
            raise Failure(f"{where}: the .iso differs from the image")
    elif command == "quarnex -d":
        for sector, name, size in made.files:
            path = out / name.removesuffix(";1")
            if path.stat().st_size != size or not same_bytes(path, made.image, size, sector * SECTOR):
                raise Failure(f"{where}: {path.name} differs from the image")
        if len(list(out.iterdir())) != len(made.files):
            raise Failure(f"{where}: not every file was written")
    else:
        copy, skip = out / "image.img", HEADER if command == "kcopy+304" else 0
        length = made.image_bytes - skip
        if copy.stat().st_size != length or not same_bytes(copy, made.image, length, skip):
            raise Failure(f"{where}: the copy differs from the image")


@dataclass
class Runs:
    seconds: list
    to_disk: list
    peak_kib: list


def measure(sets, runs, work, tools):
    """Every command on every set, runs times, a new order each round."""
    pairs = [(made, command) for made in sets for command in COMMANDS]
    results = {(made.plan.label, command): Runs([], [], []) for made, command in pairs}
    for made in sets:  # every input in the page cache alike before the timed runs
        for path in [*made.members, made.image]:
            with open(path, "rb") as f:
                while f.read(8 << 20):
                    pass
    out = work / "out"
    log = open(work / "commands.log", "w")
    print(f"running every command {runs} times, each round in a new order ...")
    for round_number in range(runs):
        # The order is shuffled with the round as the seed, so that no command
        # always follows the same one (which leaves the page cache and the file
        # system in its own state).
        order = pairs[:]
        random.Random(round_number + 1).shuffle(order)
        for made, command in order:
            shutil.rmtree(out, ignore_errors=True)
            out.mkdir()
            os.sync()
            start = time.perf_counter()
            try:
                seconds, peak = run_timed(command_line(command, tools, made, out), log, work)
            except Failure as e:
                raise Failure(f"{command} on the {made.plan.label} set failed: {e} "
                              f"(see {work / 'commands.log'})")
            os.sync()
            r = results[(made.plan.label, command)]
            r.seconds.append(seconds)
            r.to_disk.append(time.perf_counter() - start)
            r.peak_kib.append(peak)
            if round_number == 0:
                check_output(command, made, out)
        print(f"  run {round_number + 1} of {runs} done")
    shutil.rmtree(out, ignore_errors=True)
    print("every output was checked against the image: identical\n")
    return results


def report(sets, results):
    """Prints the tables; returns the goals' verdicts as (text, held)."""
    median = {key: statistics.median(r.seconds) for key, r in results.items()}
    median_disk = {key: statistics.median(r.to_disk) for key, r in results.items()}
    labels = [made.plan.label for made in sets]

    print('Warm cache: the inputs were in the page cache. Every run starts after sync;\n'
          '"median s" is the command\'s wall time (its output then in the page cache),\n'
          '"to disk s" adds the sync after it.\n')
    print(f"{'set':7} {'command':11} {'image bytes':>14} {'median s':>9} {'min s':>8} {'max s':>8} "
          f"{'to disk s':>10} {'MiB/s':>8} {'peak RSS MiB':>13}")
    for made in sets:
        for command in COMMANDS:
            key, r = (made.plan.label, command), results[(made.plan.label, command)]
            print(f"{key[0]:7} {command:11} {made.image_bytes:>14} {median[key]:>9.3f} "
                  f"{min(r.seconds):>8.3f} {max(r.seconds):>8.3f} {median_disk[key]:>10.3f} "
                  f"{made.image_bytes / 1048576 / median[key]:>8.0f} "
                  f"{statistics.median(r.peak_kib) / 1024:>13.1f}")
    print("\nevery run, in seconds (command / with sync), in the order run:")
    for (label, command), r in results.items():
        runs = " ".join(f"{a:.2f}/{b:.2f}" for a, b in zip(r.seconds, r.to_disk))
        print(f"  {label:7} {command:11} {runs}")

    print(f"\n{'ratio of median times':32}" + "".join(f"{label:>10}" for label in labels))
    for a, b in RATIOS_SHOWN + [(a, b) for a, b, _ in RATIO_GOALS]:
        print(f"{a + ' / ' + b:32}" + "".join(f"{median[(l, a)] / median[(l, b)]:>10.2f}" for l in labels))
    small, large = labels[0], labels[-1]
    growth = {c: median[(large, c)] / median[(small, c)] for c in COMMANDS}
    print(f"\ngrowth of the median time from {small} to {large} "
          f"(bytes x{sets[-1].image_bytes / sets[0].image_bytes:.2f}):")
    for command in COMMANDS:
        growth_disk = median_disk[(large, command)] / median_disk[(small, command)]
        print(f"  {command:11} x{growth[command]:.2f} (to disk x{growth_disk:.2f})")
    peak = max(max(results[(l, c)].peak_kib) for l in labels for c in COMMANDS if c.startswith("quarnex"))
    print(f"largest peak RSS of quarnex in any run: {peak / 1024:.1f} MiB")

    verdicts = []
    for a, b, limit in RATIO_GOALS:
        for label in labels:
            value = median[(label, a)] / median[(label, b)]
            verdicts.append((f"{a} / {b} at {label}: {value:.2f}, goal <= {limit:.2f}", value <= limit))
    for a, b, limit in GROWTH_GOALS:
        value = growth[a] / growth[b]
        verdicts.append((f"growth of {a} / growth of {b}: x{growth[a]:.2f} / x{growth[b]:.2f} = "
                         f"{value:.2f}, goal <= {limit:.2f}", value <= limit))
    return verdicts


def free_space_check(plans, parent):
    """Room for every set, its image and one output at a time."""
    need = 64 << 20
    need += sum(2 * p.rough_bytes for p in plans) + max(p.rough_bytes for p in plans)
    need += need // 10
    free = shutil.disk_usage(parent).free
    if free < need:
        raise Failure(f"not enough free disk space in {parent}: {free >> 20} MiB free, "
                      f"{need >> 20} MiB needed (try --small or --dir)")


def load_average():
    return " ".join(f"{x:.2f}" for x in os.getloadavg())


def parse_arguments():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0],
                                     formatter_class=argparse.RawDescriptionHelpFormatter,
                                     epilog=__doc__.split("\n\n", 1)[1])
    parser.add_argument("--small", action="store_true",
                        help="sets of about 64 and 256 MiB, 2 runs: a quick check that the script works")
    parser.add_argument("--build", type=Path, default=ROOT / "build" / "native",
                        help="build folder holding extractor/quarnex, tools/make_pdi_set and "
                             "tools/kernel_copy (default: build/native)")
    parser.add_argument("--dir", type=Path, default=ROOT / "build",
                        help="folder for the work files (default: build/); a fresh subfolder "
                             "is made there and removed at the end")
    parser.add_argument("--runs", type=int, help="runs of each command (default 5; --small: 2)")
    args = parser.parse_args()
    if args.runs is None:
        args.runs = 2 if args.small else 5
    if args.runs < 1:
        parser.error("--runs needs a number of at least 1")
    return args


def main():
    args = parse_arguments()
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))  # so that the work folder goes
    plans = SMALL_SETS if args.small else FULL_SETS
    if not os.access("/usr/bin/time", os.X_OK):
        raise Failure("/usr/bin/time is missing (Debian package 'time')")
    tools = {}
    for name, inside in [("quarnex", "extractor"), ("make_pdi_set", "tools"), ("kernel_copy", "tools")]:
        tools[name] = args.build / inside / name
        if not os.access(tools[name], os.X_OK):
            raise Failure(f"no {name} at {tools[name]} (build it with scripts/build.sh native, "
                          "or give --build DIR)")
    args.dir.mkdir(parents=True, exist_ok=True)
    free_space_check(plans, args.dir)

    work = Path(tempfile.mkdtemp(prefix="quarnex-bench.", dir=args.dir))
    try:
        print(f"quarnex copy benchmark, {time.strftime('%Y-%m-%d %H:%M %Z')}")
        print(f"machine: {os.cpu_count()} cores; load average at start: {load_average()}")
        print(f"quarnex: {tools['quarnex']}\nwork folder: {work}\n")
        sets = [make_set(plan, work, tools) for plan in plans]
        print()
        verdicts = report(sets, measure(sets, args.runs, work, tools))
    finally:
        shutil.rmtree(work, ignore_errors=True)

    print(f"load average at the end: {load_average()}")
    print("\ngoals:")
    for text, held in verdicts:
        print(f"  {'held  ' if held else 'MISSED'}  {text}")
    missed = sum(not held for _, held in verdicts)
    if args.small:
        print("(a --small run: its timings say little, so the goals do not set its exit status)")
        return 0
    return 1 if missed else 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except (Failure, subprocess.CalledProcessError) as e:
        print(f"copy_speed.py: {e}", file=sys.stderr)
        sys.exit(2)
