#!/usr/bin/env python3
"""Kill test: a driver works on one data folder and is killed (SIGKILL) at a
random moment, again and again; after every kill the folder must be whole.

    kill_test.py --driver kovral-driver --check kovral-check --kills N [--seed S] [--workdir DIR]

After each kill: every table file passes PRAGMA integrity_check, kovral-check
ends "All scans complete OK", every acknowledged transaction is there as
acknowledged and no acknowledged deletion is undone, a command killed between
its last WILL line and its first ACK is there wholly or not at all, and the
settings file parses and holds the last acknowledged BalAt.  The next driver
starts on the same folder with another seed, so kills land during opening,
start-up generation, commands, settings writes and closing.

The last line is "<kills> passed, <failures> failed"; the exit status is 1 when
anything failed.
"""

import argparse
import os
import random
import shutil
import signal
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import crashlib  # noqa: E402


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--driver", required=True)
    ap.add_argument("--check", required=True)
    ap.add_argument("--kills", type=int, default=300)
    ap.add_argument("--seed", type=int, default=int(time.time()))
    ap.add_argument("--workdir")
    ap.add_argument("--max-delay", type=float, default=0.35, help="longest run before the kill, seconds")
    ap.add_argument("--keep", type=int, default=3, help="failing folders kept for inspection")
    args = ap.parse_args()

    rnd = random.Random(args.seed)
    work = args.workdir or tempfile.mkdtemp(prefix="kovral-kill-")
    os.makedirs(work, exist_ok=True)
    driver = crashlib.private_copy(args.driver, work)
    checker = crashlib.private_copy(args.check, work)
    folder = os.path.join(work, "DATA") + "/"
    shutil.rmtree(folder, ignore_errors=True)
    print("kill test: seed %d, folder %s" % (args.seed, folder), flush=True)

    expected = crashlib.Expected()
    kills = passed = failed = kept = 0
    finished_runs = 0
    for k in range(args.kills):
        seed = rnd.randrange(1, 2**31)
        # Some kills land at once (opening, start-up generation), most later.
        delay = rnd.random() * (0.03 if rnd.random() < 0.2 else args.max_delay)
        with tempfile.TemporaryFile() as log:
            p = subprocess.Popen([driver, folder, "--seed", str(seed)], stdout=log, stderr=subprocess.DEVNULL)
            time.sleep(delay)
            p.send_signal(signal.SIGKILL)
            p.wait()
            log.seek(0)
            lines = log.read().decode("utf-8", "replace").splitlines()
        if p.returncode != -signal.SIGKILL:
            finished_runs += 1
        kills += 1
        pending = crashlib.replay(expected, lines)
        problems = crashlib.check_folder(folder, expected, pending, checker, work)
        if "OPEN-FAILED" in lines:
            problems.append("driver could not open the folder: " + " / ".join(l for l in lines if l.startswith("MSG"))[:300])
        if problems:
            failed += 1
            print("FAIL kill %d (driver seed %d, %.3fs, last lines %s):" % (k + 1, seed, delay, lines[-3:]))
            for pr in problems:
                print("    " + pr)
            if kept < args.keep:
                kept += 1
                dst = os.path.join(work, "failed-%d" % (k + 1))
                shutil.copytree(folder, dst, dirs_exist_ok=True)
                with open(os.path.join(dst, "driver-output.txt"), "w") as fh:
                    fh.write("\n".join(lines) + "\n")
            sys.stdout.flush()
        else:
            passed += 1
        if (k + 1) % 50 == 0:
            print("... %d kills, %d failed, ledger %d txns" % (k + 1, failed, len(expected.rows)), flush=True)

    if not args.workdir and failed == 0:
        shutil.rmtree(work, ignore_errors=True)
    if finished_runs:
        print("%d driver runs ended before their kill" % finished_runs)
    print("kills: %d" % kills)
    print("%d passed, %d failed" % (passed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
