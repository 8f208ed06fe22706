#!/usr/bin/env python3
"""Sequential read of a mounted set's .iso, side by side with cat of its members.

Makes a DVD-like set (three members cut inside sectors), mounts it with
quarnex-mount -f and reads, each several times, keeping the best:

  cold   after dropping the page cache (echo 3 > /proc/sys/vm/drop_caches):
         cat of the members, then cat of the mounted .iso;
  warm   the members read once before: cat of the members, and cat of the
         mounted .iso read once before (served from the kernel's cache);
  daemon the members warm but the mount fresh: every byte through quarnex-mount.

Prints throughputs and ratios and the daemon's peak resident memory
(VmHWM). Goals: warm ratio at least 0.8, peak memory under 32 MiB; the exit
status is 0 when both hold, 1 when not, 2 when the run could not be made.

Usage: bench/mount.py [--small] [--build DIR] [--dir DIR] [--runs N] [--mib N]
"""
import argparse
import os
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
    def __init__(self, program, first_member, mount_point):
        self.mount_point = mount_point
        self.process = subprocess.Popen([program, "-f", first_member, mount_point])
        deadline = time.time() + 20
        while not is_mounted(mount_point):
            if self.process.poll() is not None or time.time() > deadline:
                raise RuntimeError("quarnex-mount did not mount")
            time.sleep(0.01)

    def peak_kib(self):
        with open("/proc/%d/status" % self.process.pid) as f:
            for line in f:
                if line.startswith("VmHWM:"):
                    return int(line.split()[1])
        return -1

    def close(self):
        subprocess.run(["fusermount3", "-u", self.mount_point], check=False)
        self.process.wait(timeout=20)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--small", action="store_true", help="a 64 MiB set, 1 run: checks the script works")
    parser.add_argument("--build", default=os.path.join(ROOT, "build", "native"))
    parser.add_argument("--dir", default=os.path.join(ROOT, "build"))
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--mib", type=int, default=1024, help="size of the set in MiB (default 1024)")
    args = parser.parse_args()
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


if __name__ == "__main__":
    sys.exit(main())
