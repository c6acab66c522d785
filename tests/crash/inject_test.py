#!/usr/bin/env python3
"""Kill at every write, disk full and a read-only folder.

    inject_test.py --driver kovral-driver --check kovral-check [--points N] [--only NAMES] [--workdir DIR]

Sweep: for each scenario (making a new data folder, adding one transaction, writing the settings file,
a repair, an archive, the schema upgrade from version 12 and from 17) the
command is run once under strace to count its write, pwrite64, fsync,
fdatasync, rename and unlink calls; then, from a fresh copy of the prepared
folder each time, it is run again with strace killing it (SIGKILL) at the N-th
call of one of them.  After every kill the folder is checked as the kill test
does, and then opened again (and the interrupted work finished) to check that
it still passes the health check.  --points limits the kill points per
syscall (spread over the whole run); 0 means every one.

Disk full: the same commands in a small tmpfs whose space is used up, and
with ENOSPC injected into SQLite's writes: each must report the store's
message, acknowledge nothing and leave the tables and the settings file as
they were.  Read-only: the folder on a tmpfs remounted read-only opens with
the read-only message and changes no file.  Both need mount (root); without it
they are skipped with a note.

The last line is "<points> passed, <failures> failed".  The exit status is 1
when anything failed, 77 (CTest's skip code) when nothing failed but a part
asked for could not run here, 0 otherwise.
"""

import argparse
import glob
import hashlib
import os
import re
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import crashlib  # noqa: E402

SYSCALLS = ["write", "pwrite64", "fsync", "fdatasync", "rename", "unlink"]
FAILS = []
PASSES = [0]


def run(cmd, **kw):
    return subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=300, **kw)


def lines_of(r):
    return r.stdout.decode("utf-8", "replace").splitlines()


def fail(name, what):
    FAILS.append((name, what))
    print("FAIL %s: %s" % (name, what), flush=True)


class Scenario:
    """A prepared folder (template), the command to interrupt, and the checks."""

    def __init__(self, name, work):
        self.name = name
        self.work = os.path.join(work, name)
        self.tpl = os.path.join(self.work, "template")
        os.makedirs(self.tpl, exist_ok=True)

    def fresh(self):
        """A fresh copy of the template as program folder; returns its DATA/."""
        prog = os.path.join(self.work, "run")
        shutil.rmtree(prog, ignore_errors=True)
        shutil.copytree(self.tpl, prog, symlinks=True)
        return prog, os.path.join(prog, "DATA") + "/"


def template_rows(folder):
    problems, rows = crashlib.read_ledger(folder)
    assert not problems, problems
    return rows


def count_calls(cmd):
    with tempfile.NamedTemporaryFile() as out:
        run(["strace", "-f", "-c", "-o", out.name, "-e", "trace=" + ",".join(SYSCALLS)] + cmd)
        text = open(out.name).read()
    counts = {}
    for line in text.splitlines():
        parts = line.split()
        if len(parts) >= 5 and parts[-1] in SYSCALLS:
            counts[parts[-1]] = int(parts[3])
    return counts


def points(count, limit):
    if limit <= 0 or count <= limit:
        return list(range(1, count + 1))
    step = count / float(limit)
    return sorted({max(1, min(count, int(round(1 + i * step)))) for i in range(limit)})


def sweep(sc, cmd_of, check, limit):
    prog, data = sc.fresh()
    counts = count_calls(cmd_of(prog, data))
    total = 0
    for sysc in SYSCALLS:
        for n in points(counts.get(sysc, 0), limit):
            prog, data = sc.fresh()
            r = run(["strace", "-f", "-qq", "-o", "/dev/null", "-e", "trace=" + sysc,
                     "-e", "inject=%s:signal=SIGKILL:when=%d" % (sysc, n)] + cmd_of(prog, data))
            problems = check(prog, data, lines_of(r))
            total += 1
            if problems:
                fail("%s %s#%d" % (sc.name, sysc, n), "; ".join(problems[:4]))
            else:
                PASSES[0] += 1
    print("%s: %d kill points (%s)" % (sc.name, total, ", ".join("%s %d" % kv for kv in sorted(counts.items()))),
          flush=True)


# ---- the scenarios ---------------------------------------------------------

def finish_and_check(args, prog, data):
    """Opens the folder again as the program would (finishing an upgrade) and
    runs the health check."""
    for _ in range(2):
        r = run([args.driver_copy, data, "--seed", "99", "--ops", "0"])
        if "OPENED" not in r.stdout.decode():
            return ["reopening failed: %s" % " / ".join(lines_of(r)[-3:])]
    return crashlib.run_checker(args.check_copy, data, prog)


def scenario_add(args, work, kind="add", do_sweep=True):
    sc = Scenario(kind, work)
    run([args.driver_copy, os.path.join(sc.tpl, "DATA"), "--seed", "11", "--ops", "40"])
    base = crashlib.Expected()
    base.rows = template_rows(os.path.join(sc.tpl, "DATA"))
    _, main = crashlib.read_settings(os.path.join(sc.tpl, "DATA"))
    base.balat = main.get("balat")
    base.opened = True

    def cmd(prog, data):
        return [args.driver_copy, data, "--seed", "12", "--ops", "2", "--op", kind]

    def check(prog, data, lines):
        exp = base.candidate([])
        pending = crashlib.replay(exp, lines)
        problems = crashlib.check_folder(data, exp, pending, None, prog)
        return problems or finish_and_check(args, prog, data)

    if do_sweep:
        sweep(sc, cmd, check, args.points)
    return sc, base


def scenario_new_folder(args, work):
    """The first start on a new data folder, killed while it makes it."""
    sc = Scenario("newfolder", work)

    def cmd(prog, data):
        return [args.driver_copy, data, "--seed", "71", "--ops", "0"]

    def check(prog, data, lines):
        r = run([args.driver_copy, data, "--seed", "72", "--ops", "3", "--op", "add"])
        if "CLOSED" not in lines_of(r):
            return ["the folder does not open after the kill: %s" % " / ".join(lines_of(r)[-3:])]
        return crashlib.run_checker(args.check_copy, data, prog)

    sweep(sc, cmd, check, args.points)


def damage(folder):
    import sqlite3
    con = sqlite3.connect(os.path.join(folder, "OBJ.DB"), isolation_level=None)
    con.execute("ATTACH ? AS pstg", (os.path.join(folder, "PSTG.DB"),))
    ids = [r[0] for r in con.execute("SELECT DISTINCT Txnid FROM pstg WHERE Txnid > 0 ORDER BY Txnid LIMIT 4")]
    con.execute("DELETE FROM pstg WHERE Txnid IN (?, ?)", ids[:2])
    con.execute("UPDATE pstg SET Amt = Amt + 1 WHERE Txnid = ? AND Amt <> 0", (ids[2],))
    con.close()


def scenario_repair(args, work):
    sc = Scenario("repair", work)
    data0 = os.path.join(sc.tpl, "DATA")
    run([args.driver_copy, data0, "--seed", "21", "--ops", "30"])
    damage(data0)
    rows = template_rows(data0)

    def cmd(prog, data):
        return [os.path.join(prog, "kovral-check"), data, "--repair"]

    def check(prog, data, lines):
        problems, got = crashlib.read_ledger(data)
        problems += crashlib.diff_rows(rows, got)
        if problems:
            return problems
        r = run([os.path.join(prog, "kovral-check"), data, "--repair"])
        if r.returncode not in (0, 1):
            return ["repair after the kill could not run: %s" % r.stderr.decode()[-200:]]
        return crashlib.run_checker(os.path.join(prog, "kovral-check"), data, prog)

    shutil.copy2(args.check, os.path.join(sc.tpl, "kovral-check"))
    sweep(sc, cmd, check, args.points)


def scenario_archive(args, work):
    sc = Scenario("archive", work)
    data0 = os.path.join(sc.tpl, "DATA")
    run([args.driver_copy, data0, "--seed", "31", "--ops", "40", "--op", "add"])
    rows = template_rows(data0)
    dates = sorted(max(r[2], r[3] if r[3] not in ("-", "0000-00-00") else r[2]) for r in rows.values())
    archdate = dates[len(dates) // 2]
    # A transaction goes when both its dates lie before the archive date.
    gone = {i for i, r in rows.items()
            if r[2] < archdate and (r[3] if r[3] not in ("-", "0000-00-00") else r[2]) < archdate}
    shutil.copy2(args.driver, os.path.join(sc.tpl, "kovral-driver"))

    def cmd(prog, data):
        return [os.path.join(prog, "kovral-driver"), data, "--seed", "32", "--archive", archdate]

    def check(prog, data, lines):
        problems, got = crashlib.read_ledger(data)
        if problems:
            return problems
        copies = glob.glob(os.path.join(prog, "ARCHIVE", "*", "DATA", "TXN.DB"))
        archived = {}
        for c in copies:
            folder = os.path.dirname(c)
            if all(os.path.exists(os.path.join(folder, f)) for f, _ in crashlib.TABLE_FILES):
                pr, archived = crashlib.read_ledger(folder)
        lost = [i for i in rows if i not in got and i not in archived]
        if lost:
            return ["transactions in neither the database nor the archive: %s" % lost[:10]]
        if set(got) != set(rows) and set(got) != set(rows) - gone:
            return ["archive removal half done: %d of %d removed" % (len(set(rows) - set(got)), len(gone))]
        _, main = crashlib.read_settings(data)
        if main is not None and main.get("dbenddate", "0") != "0":
            problems.append("the current database is marked as an archive (DBEndDate %s)" % main["dbenddate"])
        return problems or finish_and_check(args, prog, data)

    sweep(sc, cmd, check, args.points)


def scenario_upgrade(args, work, from17=False):
    sc = Scenario("upgrade17" if from17 else "upgrade12", work)
    data0 = os.path.join(sc.tpl, "DATA")
    r = run([args.driver_copy, data0, "--seed", "41", "--make-v12"])
    exp = crashlib.Expected()
    crashlib.replay(exp, lines_of(r))
    if from17:
        run([args.driver_copy, data0, "--seed", "42", "--ops", "0"])
        _, main = crashlib.read_settings(data0)
        assert main["dbvn"] == "17", main

    def same(want, got):
        # The upgrade makes pot and cash transfers plain transfers.
        return got == want or (want[0] in ("G", "T") and got == ("C",) + want[1:])

    def cmd(prog, data):
        return [args.driver_copy, data, "--seed", "43", "--ops", "0"]

    def check_errors(prog, data):
        r = run([args.check_copy, data])
        shutil.rmtree(os.path.join(os.path.dirname(args.check_copy), "Pre-healthcheck backups"), ignore_errors=True)
        return sorted(l for l in lines_of(r) if l.startswith("Error")), r.returncode

    # The upgrade itself leaves findings for the health check (the links of
    # the category it brings are not made): an interrupted upgrade, once
    # finished, must end with the same findings as one that ran through.
    prog, data = sc.fresh()
    for _ in range(2):
        run(cmd(prog, data))
    baseline = check_errors(prog, data)

    def check(prog, data, lines):
        problems, got = crashlib.read_ledger(data)
        for i, row in exp.rows.items():
            if i not in got or not same(row, got[i]):
                problems.append("txn %d %s became %s" % (i, row, got.get(i)))
        sp, main = crashlib.read_settings(data)
        problems += sp
        if problems:
            return problems[:5]
        for _ in range(2):
            run([args.driver_copy, data, "--seed", "99", "--ops", "0"])
        got_errors = check_errors(prog, data)
        if got_errors != baseline:
            problems.append("health check after finishing: %s, uninterrupted: %s" % (got_errors, baseline))
        _, main = crashlib.read_settings(data)
        if main is None or main.get("dbvn") != "18":
            problems.append("not at version 18 after reopening: %s" % (main or {}).get("dbvn"))
        return problems

    sweep(sc, cmd, check, args.points)


# ---- disk full and read-only --------------------------------------------

def digest(folder):
    out = {}
    for f in sorted(os.listdir(folder)):
        p = os.path.join(folder, f)
        if os.path.isfile(p) and f != "KOVRAL.lock":
            out[f] = hashlib.sha1(open(p, "rb").read()).hexdigest()
    return out


def mount_tmpfs(path, size):
    os.makedirs(path, exist_ok=True)
    return subprocess.run(["mount", "-t", "tmpfs", "-o", "size=%s" % size, "tmpfs", path],
                          stderr=subprocess.DEVNULL).returncode == 0


def umount(path):
    subprocess.run(["umount", path], stderr=subprocess.DEVNULL)


def expect_refused(name, data, before, r, message, files=None, acked="ACK "):
    lines = lines_of(r)
    msgs = [l for l in lines if l.startswith("MSG ")]
    acks = [l for l in lines if l.startswith(acked) and not l.startswith("ACK-END")]
    problems = []
    if acks:
        problems.append("acknowledged on a full/read-only disk: %s" % acks[:2])
    if not any(re.search(message, m) for m in msgs):
        problems.append("no message matching %r (got %s)" % (message, msgs[:3]))
    after = digest(data)
    changed = [f for f in before if before[f] != after.get(f) and (files is None or f in files)]
    if changed:
        problems.append("files changed: %s" % changed)
    if problems:
        fail(name, "; ".join(problems))
    else:
        PASSES[0] += 1


SKIPPED = 77  # CTest's SKIP_RETURN_CODE for these tests
SKIPS = []


def skip(what):
    print(what + "; skipped")
    SKIPS.append(what)


def disk_full(args, work, add_sc):
    mnt = os.path.join(work, "full")
    if not mount_tmpfs(mnt, "4m"):
        skip("disk full: mount not available here")
        return
    try:
        shutil.copytree(os.path.join(add_sc.tpl, "DATA"), os.path.join(mnt, "DATA"))
        data = os.path.join(mnt, "DATA") + "/"
        # Use up the space: the filler grows until the disk refuses.
        with open(os.path.join(mnt, "filler"), "wb", buffering=0) as fh:
            try:
                while True:
                    fh.write(b"\0" * 4096)
            except OSError:
                pass
        # The tables: a space that a failed commit frees again may let the
        # settings be written at closing, so only the tables are compared.
        before = digest(data)
        r = run([args.driver_copy, data, "--seed", "51", "--ops", "2", "--op", "add"])
        expect_refused("disk full add", data, before, r, "database or disk is full|disk I/O error",
                       [f for f, _ in crashlib.TABLE_FILES])
    finally:
        umount(mnt)
    # The settings file: every write() fails (SQLite writes with pwrite64).
    for kind in ("period", "add"):
        prog, data = add_sc.fresh()
        before = digest(data)
        r = run(["strace", "-f", "-qq", "-o", "/dev/null", "-e", "trace=write", "-e", "inject=write:error=ENOSPC",
                 args.driver_copy, data, "--seed", "53", "--ops", "2", "--op", kind])
        if kind == "period":
            expect_refused("settings on a full disk (period)", data, before, r, "Unable to write to", [crashlib.INI],
                           "ACK set ")
        else:
            lines = lines_of(r)
            after = digest(data)
            problems = []
            if "ACK-END 2" not in lines:
                problems.append("adding failed although only the settings file was refused")
            if after.get(crashlib.INI) != before.get(crashlib.INI):
                problems.append("settings file changed")
            if not any(l.startswith("MSG Unable to write to") for l in lines):
                problems.append("closing did not report the failed settings write")
            if problems:
                fail("settings on a full disk (add)", "; ".join(problems))
            else:
                PASSES[0] += 1
    # ENOSPC at every pwrite64 of SQLite while adding (a disk that fills up
    # half way through a commit).
    sc = Scenario("enospc", work)
    shutil.rmtree(sc.tpl)
    shutil.copytree(add_sc.tpl, sc.tpl)
    prog, data = sc.fresh()
    n = count_calls([args.driver_copy, data, "--seed", "52", "--ops", "1", "--op", "add"]).get("pwrite64", 0)
    for k in points(n, args.points):
        prog, data = sc.fresh()
        before = crashlib.read_ledger(data)[1]
        r = run(["strace", "-f", "-qq", "-o", "/dev/null", "-e", "trace=pwrite64",
                 "-e", "inject=pwrite64:error=ENOSPC:when=%d+" % k,
                 args.driver_copy, data, "--seed", "52", "--ops", "1", "--op", "add"])
        lines = lines_of(r)
        exp = crashlib.Expected()
        exp.rows = before
        exp.opened = True
        pending = crashlib.replay(exp, lines)
        problems = crashlib.check_folder(data, exp, pending, args.check_copy, prog)
        if not any(l.startswith("MSG ") for l in lines) and "ACK-END 1" not in lines:
            problems.append("the failure was not reported")
        if problems:
            fail("ENOSPC pwrite64#%d" % k, "; ".join(problems[:3]))
        else:
            PASSES[0] += 1


def read_only(args, work, add_sc):
    mnt = os.path.join(work, "ro")
    if not mount_tmpfs(mnt, "8m"):
        skip("read-only: mount not available here")
        return
    try:
        shutil.copytree(os.path.join(add_sc.tpl, "DATA"), os.path.join(mnt, "DATA"))
        data = os.path.join(mnt, "DATA") + "/"
        before = digest(data)
        if subprocess.run(["mount", "-o", "remount,ro", mnt], stderr=subprocess.DEVNULL).returncode != 0:
            skip("read-only: remount not available here")
            return
        r = run([args.driver_copy, data, "--seed", "61", "--ops", "3", "--op", "add"])
        expect_refused("read-only open", data, before, r, "is read-only: it is open for reading")
        if "OPENED 18" not in lines_of(r):
            fail("read-only open", "the folder did not open for reading")
    finally:
        umount(mnt)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--driver", required=True)
    ap.add_argument("--check", required=True)
    ap.add_argument("--points", type=int, default=6, help="kill points per syscall; 0 = every one")
    ap.add_argument("--only", default="newfolder,add,period,repair,archive,upgrade12,upgrade17,full,readonly")
    ap.add_argument("--workdir")
    args = ap.parse_args()
    if shutil.which("strace") is None:
        print("strace not installed: skipped\n0 passed, 0 failed")
        return SKIPPED
    work = args.workdir or tempfile.mkdtemp(prefix="kovral-inject-")
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    args.driver_copy = crashlib.private_copy(args.driver, work)
    args.check_copy = crashlib.private_copy(args.check, work)
    only = set(args.only.split(","))

    add_sc = None
    if "newfolder" in only:
        scenario_new_folder(args, work)
    if only & {"add", "full", "readonly"}:
        add_sc, _ = scenario_add(args, work, do_sweep="add" in only)
    if "period" in only:
        scenario_add(args, work, "period")
    if "repair" in only:
        scenario_repair(args, work)
    if "archive" in only:
        scenario_archive(args, work)
    if "upgrade12" in only:
        scenario_upgrade(args, work)
    if "upgrade17" in only:
        scenario_upgrade(args, work, from17=True)
    if "full" in only:
        disk_full(args, work, add_sc)
    if "readonly" in only:
        read_only(args, work, add_sc)

    if not FAILS and not args.workdir:
        shutil.rmtree(work, ignore_errors=True)
    print("%d passed, %d failed" % (PASSES[0], len(FAILS)))
    if FAILS:
        return 1
    return SKIPPED if SKIPS else 0


if __name__ == "__main__":
    sys.exit(main())
