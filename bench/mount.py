#!/usr/bin/env python3
"""quarnex-mount against cat of the members and against fuseiso and archivemount.

Part 1, the set's .iso. Makes a DVD-like set (three members cut inside
sectors), mounts it with quarnex-mount -f and reads, each several times,
keeping the best:

  cold   after dropping the page cache (echo 3 > /proc/sys/vm/drop_caches):
         cat of the members, then cat of the mounted .iso;
  warm   the members read once before: cat of the members, and cat of the
         mounted .iso read once before (served from the kernel's cache);
  daemon the members warm but the mount fresh: every byte through quarnex-mount.

Prints throughputs and ratios and the daemon's peak resident memory
(VmHWM). Goals: warm ratio at least 0.8, peak memory under 32 MiB.

Part 2, the peers. Masters with genisoimage (-R -J) two discs, each cut
into a set: 20,000 files in 200 folders and one file of 1 GiB, and
100,000 files in 1,000 folders (with --small: 2,000 files in 20 folders
and a file of 64 MiB). quarnex-mount mounts the set while fuseiso and
archivemount mount the unsplit .iso. For each, the page cache dropped
before every mount: the time until the folder lists its entries (best of
five), and on fresh mounts find -ls and du -s over the whole tree, a cold
and a warm sequential read of the big file, and on the 100,000-file disc
2,000 of its files read whole in random order (200 with --small); every
command stopped after --limit seconds, then shown as at least that; best
of --peer-runs rounds, the programs in another order each round. Prints
each peer's time over quarnex-mount's (above 1: quarnex-mount ahead) and
every program's peak memory (VmHWM). Goals on each disc: ahead of both
peers on every figure, quarnex-mount's peak under 32 MiB.

The exit status is 0 when every goal holds, 1 when not, 2 when the run
could not be made.

Usage: bench/mount.py [--small] [--build DIR] [--dir DIR] [--runs N] [--mib N]
                      [--peer-runs N] [--limit SECONDS] [--part set|peers|both]
"""
import argparse
import os
import random
import shutil
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def drop_caches():
    os.sync()
    try:
        with open("/proc/sys/vm/drop_caches", "w") as f:
            f.write("3\n")
        return True
    except OSError:
        return False


def timed_cat(paths):
    start = time.perf_counter()
    with open(os.devnull, "wb") as null:
        subprocess.run(["cat"] + paths, stdout=null, check=True)
    return time.perf_counter() - start


def is_mounted(path):
    with open("/proc/self/mountinfo") as f:
        return any(line.split()[4] == path for line in f)


class Mount:
    """A FUSE program in the foreground; by default quarnex-mount -f SET MOUNTPOINT."""

    def __init__(self, program, first_member, mount_point, words=None):
        self.mount_point = mount_point
        # Peers print what they find on their own output: not part of the figures.
        self.process = subprocess.Popen(words or [program, "-f", first_member, mount_point],
                                        stdout=subprocess.DEVNULL if words else None)
        deadline = time.time() + 600
        while not is_mounted(mount_point):
            if self.process.poll() is not None or time.time() > deadline:
                raise RuntimeError("%s did not mount" % (words or [program])[0])
            time.sleep(0.002)

    def peak_kib(self):
        with open("/proc/%d/status" % self.process.pid) as f:
            for line in f:
                if line.startswith("VmHWM:"):
                    return int(line.split()[1])
        return -1

    def close(self):
        subprocess.run(["fusermount3", "-u", self.mount_point], check=False)
        self.process.wait(timeout=20)


def set_part(args):
    mib, runs = (64, 1) if args.small else (args.mib, args.runs)
    program = os.path.join(args.build, "mount", "quarnex-mount")
    maker = os.path.join(args.build, "tools", "make_pdi_set")
    for p in (program, maker):
        if not os.access(p, os.X_OK):
            print("mount.py: %s is not built" % p, file=sys.stderr)
            return 2

    os.makedirs(args.dir, exist_ok=True)
    work = tempfile.mkdtemp(prefix="bench-mount.", dir=args.dir)
    mount = None
    try:
        vobs = 4
        vob_size = mib * 1024 * 1024 // vobs + 1001
        total = 304 + vobs * vob_size
        cuts = ["--cut", str(total // 3 + 777), "--cut", str(total // 3 + 12345)]
        subprocess.run([maker, "--vobs", str(vobs), "--vob-size", str(vob_size)] + cuts + [os.path.join(work, "set")],
                       check=True, stdout=subprocess.DEVNULL)
        members = sorted(os.path.join(work, n) for n in os.listdir(work) if n.startswith("set.pdi"))
        member_bytes = sum(os.path.getsize(m) for m in members)
        mount_point = os.path.join(work, "mnt")
        os.mkdir(mount_point)
        iso = os.path.join(mount_point, "set.iso")

        def best(measure):
            return min(measure() for _ in range(runs))

        def cold(paths):
            def once():
                if not drop_caches():
                    raise RuntimeError("cannot drop the page cache (needs root)")
                return timed_cat(paths)
            return once

        mount = Mount(program, members[0], mount_point)
        iso_bytes = os.path.getsize(iso)
        results = {}
        results["cold"] = (best(cold(members)), best(cold([iso])))
        timed_cat(members)
        timed_cat([iso])
        results["warm"] = (best(lambda: timed_cat(members)), best(lambda: timed_cat([iso])))

        def fresh_mount_read():
            nonlocal mount
            mount.close()
            mount = Mount(program, members[0], mount_point)
            return timed_cat([iso])
        results["daemon"] = (results["warm"][0], best(fresh_mount_read))
        peak = mount.peak_kib()
        mount.close()
        mount = None

        print("set: %d MiB in %d members; mounted .iso %d bytes; %d run(s) each, best kept"
              % (member_bytes >> 20, len(members), iso_bytes, runs))
        print("%-7s %14s %14s %7s" % ("cache", "cat members", "cat .iso", "ratio"))
        for name in ("cold", "warm", "daemon"):
            members_s, iso_s = results[name]
            members_rate = member_bytes / members_s / 2**20
            iso_rate = iso_bytes / iso_s / 2**20
            print("%-7s %9.0f MiB/s %9.0f MiB/s %7.2f" % (name, members_rate, iso_rate, iso_rate / members_rate))
        warm_ratio = (iso_bytes / results["warm"][1]) / (member_bytes / results["warm"][0])
        print("daemon peak resident memory (VmHWM): %.1f MiB" % (peak / 1024.0))
        goals = warm_ratio >= 0.8 and 0 < peak < 32 * 1024
        print("goals (warm ratio >= 0.80, peak < 32 MiB): %s" % ("held" if goals else "NOT held"))
        return 0 if goals else 1
    except (RuntimeError, subprocess.CalledProcessError, OSError) as e:
        print("mount.py: %s" % e, file=sys.stderr)
        return 2
    finally:
        if mount:
            mount.close()
        shutil.rmtree(work, ignore_errors=True)


def write_set(image, first_member, cuts):
    """The set of image: a 304-byte header, then the image, cut at stream positions."""
    names = []
    with open(image, "rb") as source:
        stream_at, index = 0, 0
        for end in cuts + [304 + os.path.getsize(image)]:
            name = first_member + ("" if index == 0 else "%02d" % index)
            with open(name, "wb") as out:
                if index == 0:
                    out.write(b"bench set".ljust(304, b"\0"))
                    stream_at = 304
                while stream_at < end:
                    block = source.read(min(1 << 20, end - stream_at))
                    if not block:
                        break
                    out.write(block)
                    stream_at += len(block)
            names.append(name)
            index += 1
    return names


def master_disc(work, files, folders, big_mib):
    """A -R -J disc of files in folders (sizes 0 to 4 KiB) and, unless big_mib is 0, big.bin; its path,
    big.bin's size and the small files' paths."""
    src = os.path.join(work, "src")
    per_folder = files // folders
    small = []
    for f in range(folders):
        folder = "folder %03d" % f
        os.makedirs(os.path.join(src, folder))
        for k in range(per_folder):
            name = os.path.join(folder, "file %05d with a longer name.txt" % k)
            with open(os.path.join(src, name), "wb") as out:
                out.write(os.urandom((f * 7919 + k * 104729) % 4097))
            small.append(name)
    if big_mib:
        with open(os.path.join(src, "big.bin"), "wb") as out:
            for _ in range(big_mib):
                out.write(os.urandom(1 << 20))
    image = os.path.join(work, "disc.iso")
    subprocess.run(["genisoimage", "-quiet", "-R", "-J", "-joliet-long", "-o", image, src], check=True)
    shutil.rmtree(src)
    return image, big_mib << 20, small


def timed(words, cwd=None, limit=None):
    """Seconds the command took; limit (and no more) when it was stopped there."""
    start = time.perf_counter()
    with open(os.devnull, "wb") as null:
        try:
            subprocess.run(words, stdout=null, check=True, cwd=cwd, timeout=limit)
        except subprocess.TimeoutExpired:
            return limit
    return time.perf_counter() - start


def ready_time(words, mount_point):
    """Seconds from starting the program, page cache dropped, until its folder lists its entries."""
    if not drop_caches():
        raise RuntimeError("cannot drop the page cache (needs root)")
    start = time.perf_counter()
    mount = Mount(None, None, mount_point, words)
    try:
        os.listdir(mount_point)
        return time.perf_counter() - start
    finally:
        mount.close()


def timed_reads(paths, limit):
    """Seconds reading every file of paths in turn (stopped after limit seconds, then limit)."""
    start = time.perf_counter()
    for path in paths:
        fd = os.open(path, os.O_RDONLY)
        try:
            while os.read(fd, 1 << 20):
                pass
        finally:
            os.close(fd)
        if time.perf_counter() - start >= limit:
            return limit
    return time.perf_counter() - start


def round_figures(words, mount_point, disc, limit):
    """One round on fresh mounts, page cache dropped: find -ls, du -s, a cold and a warm read of
    big.bin, then on a mount of its own the small files in random order; every command stopped
    after limit seconds. Also the largest peak memory of the two mounts."""
    once, peak = {}, -1
    drop_caches()
    mount = Mount(None, None, mount_point, words)
    try:
        once["find -ls"] = timed(["find", ".", "-ls"], cwd=mount_point, limit=limit)
        once["du -s"] = timed(["du", "-s", "."], cwd=mount_point, limit=limit)
        if disc["big"]:
            big = os.path.join(mount_point, "big.bin")
            drop_caches()
            once["cold read"] = timed(["cat", big], limit=limit)
            once["warm read"] = timed(["cat", big], limit=limit)
        peak = mount.peak_kib()
    finally:
        mount.close()
    if disc["random"]:
        drop_caches()
        mount = Mount(None, None, mount_point, words)
        try:
            once[disc["random name"]] = timed_reads([os.path.join(mount_point, p) for p in disc["random"]], limit)
            peak = max(peak, mount.peak_kib())
        finally:
            mount.close()
    return once, peak


def disc_figures(programs, mount_point, disc, runs, limit):
    """Every program's figures on one disc, best of runs rounds; in each round every program in
    turn, each round in another order, so that no program always follows the same one. The time
    until ready is the best of at least five mounts, as it is short and noisy."""
    names = [n for n, _ in programs]
    figures = {n: {} for n in names}
    peaks = {n: -1 for n in names}
    for k in range(max(5, runs)):
        for name, words in programs[k % len(programs):] + programs[:k % len(programs)]:
            t = ready_time(words, mount_point)
            figures[name]["ready"] = min(figures[name].get("ready", t), t)
    for k in range(runs):
        for name, words in programs[k % len(programs):] + programs[:k % len(programs)]:
            once, peak = round_figures(words, mount_point, disc, limit)
            for f, v in once.items():
                figures[name][f] = min(figures[name].get(f, v), v)
            peaks[name] = max(peaks[name], peak)
    return figures, peaks


def peers_part(args):
    program = os.path.join(args.build, "mount", "quarnex-mount")
    for tool in ("genisoimage", "fuseiso", "archivemount"):
        if not shutil.which(tool):
            print("mount.py: %s is not installed (scripts/setup.sh)" % tool, file=sys.stderr)
            return 2
    # files, folders, big.bin's MiB, small files read in random order
    discs = [(2000, 20, 64, 200)] if args.small else [(20000, 200, 1024, 0), (100000, 1000, 0, 2000)]
    os.makedirs(args.dir, exist_ok=True)
    status = 0
    for files, folders, big_mib, reads in discs:
        work = tempfile.mkdtemp(prefix="bench-peers.", dir=args.dir)
        try:
            image, big_size, small = master_disc(work, files, folders, big_mib)
            size = os.path.getsize(image)
            members = write_set(image, os.path.join(work, "disc.pdi"),
                                [304 + 16 * 2048 + 161, size // 3 | 1, size // 3 * 2 + 777])
            mount_point = os.path.join(work, "mnt")
            os.mkdir(mount_point)
            programs = [
                ("quarnex-mount", [program, "-f", members[0], mount_point]),
                ("fuseiso", ["fuseiso", "-n", image, mount_point, "-f"]),
                ("archivemount", ["archivemount", "-f", "-o", "ro", image, mount_point]),
            ]
            random_name = "%d random" % reads
            disc = {"big": big_mib, "random": random.Random(files).sample(small, reads) if reads else [],
                    "random name": random_name}
            results, peaks = disc_figures(programs, mount_point, disc, args.peer_runs, args.limit)
            print("disc: %d files in %d folders%s, %d MiB image; quarnex-mount reads the set (%d members),"
                  % (files, folders, " and a %d MiB file" % big_mib if big_mib else "", size >> 20, len(members)))
            print("the peers the unsplit .iso; best of %d round(s) of fresh mounts, page cache dropped; "
                  "ratio = peer's time / quarnex-mount's" % args.peer_runs)
            if reads:
                print("%s: %d of the small files read whole, one after another, in random order" % (random_name, reads))
            names = [n for n, _ in programs]
            print("%-12s" % "figure" + "".join("%15s" % n for n in names)
                  + "".join("%15s" % ("ratio " + n[:8]) for n in names[1:]))
            ahead = True
            ours = results["quarnex-mount"]
            shown = ["ready", "find -ls", "du -s"] + ([random_name] if reads else []) + (
                ["cold read", "warm read"] if big_mib else [])
            for figure in shown:
                # ">": stopped at the limit, so the time and the ratio are at least that.
                mark = lambda n: ">" if results[n][figure] >= args.limit else " "
                row = "%-12s" % figure + "".join("%s%13.3fs" % (mark(n), results[n][figure]) for n in names)
                for n in names[1:]:
                    ratio = results[n][figure] / ours[figure]
                    ahead = ahead and ratio > 1 and mark("quarnex-mount") == " "
                    row += "%s%14.2f" % (mark(n), ratio)
                print(row)
            print("%-12s" % "peak MiB" + "".join("%14.1f " % (peaks[n] / 1024.0) for n in names)
                  + "".join("%15.2f" % (peaks[n] / float(peaks["quarnex-mount"])) for n in names[1:]))
            if big_mib:
                print("quarnex-mount warm read: %.0f MiB/s" % (big_size / ours["warm read"] / 2**20))
            peak = peaks["quarnex-mount"]
            goals = ahead and 0 < peak < 32 * 1024
            print("goals (ahead of both peers on every figure, quarnex-mount's peak memory (VmHWM) < 32 MiB): %s\n"
                  % ("held" if goals else "NOT held"))
            status = max(status, 0 if goals else 1)
        except (RuntimeError, subprocess.CalledProcessError, OSError) as e:
            print("mount.py: %s" % e, file=sys.stderr)
            return 2
        finally:
            shutil.rmtree(work, ignore_errors=True)
    return status


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--small", action="store_true", help="small sets and discs, 1 run: checks the script works")
    parser.add_argument("--build", default=os.path.join(ROOT, "build", "native"))
    parser.add_argument("--dir", default=os.path.join(ROOT, "build"))
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--mib", type=int, default=1024, help="size of the set in MiB (default 1024)")
    parser.add_argument("--peer-runs", type=int, default=1, help="fresh mounts per peer (default 1)")
    parser.add_argument("--part", choices=("set", "peers", "both"), default="both")
    parser.add_argument("--limit", type=float, default=120.0,
                        help="seconds after which a peer's command is stopped (default 120)")
    args = parser.parse_args()
    statuses = []
    if args.part in ("set", "both"):
        statuses.append(set_part(args))
    if args.part in ("peers", "both"):
        statuses.append(peers_part(args))
    return max(statuses)


if __name__ == "__main__":
    sys.exit(main())
