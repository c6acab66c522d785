"""What must be on disk after a KOVRAL process died: the checks shared by the
kill test, the kill-at-every-write sweep and the disk-full tests.

The driver (tools/driver.cpp) writes, for every command, the rows of TXN.DB
that the command changes twice: as WILL lines before its commit and as ACK
lines after the commit returned.  From that log the expected ledger is known
exactly, except for a command killed between WILL-END and its first ACK, whose
commit may or may not have reached the disk: then the ledger must be wholly as
before it or wholly as after it.

Only the Python standard library is used.
"""

import os
import shutil
import sqlite3
import urllib.parse
import subprocess

TABLE_FILES = [("OBJ.DB", "obj"), ("TXN.DB", "txn"), ("PSTG.DB", "pstg"), ("movts.DB", "movts"),
               ("rptr.DB", "rptr"), ("cptypot.db", "cptypot"), ("MTHLY.DB", "mthly"), ("REMDR.DB", "remdr"),
               ("channel.db", "channel")]
INI = "KOVRALDB.INI"


class Expected:
    """The ledger as the acknowledgements say it is: txn id -> row tuple
    (type, amt, txndate, date2, cancelled), and the BalAt last written."""

    def __init__(self):
        self.rows = {}
        self.balat = None
        self.opened = False   # a driver opened the folder (so the settings file exists)

    @staticmethod
    def parse_row(fields):
        # kind id type amt txndate date2 cancelled
        return int(fields[1]), (fields[2], int(fields[3]), fields[4], fields[5], int(fields[6]))

    def apply(self, changes):
        for ch in changes:
            if ch[0] == "del":
                self.rows.pop(ch[1], None)
            elif ch[0] == "row":
                self.rows[ch[1]] = ch[2]
            elif ch[0] == "balat":
                self.balat = ch[1]

    def candidate(self, changes):
        e = Expected()
        e.rows = dict(self.rows)
        e.balat = self.balat
        e.opened = self.opened
        e.apply(changes)
        return e


def parse_change(fields):
    if fields[0] == "del":
        return ("del", int(fields[1]))
    if fields[0] == "set":
        return ("balat", fields[2])
    rid, row = Expected.parse_row(fields)
    return ("row", rid, row)


def replay(expected, lines):
    """Applies a driver's output to expected.  Returns the changes of a
    command whose commit may or may not have landed (None when none)."""
    pending = None       # changes listed by WILL lines of the open command
    will_end = False
    acked = False
    for line in lines:
        parts = line.split(" ")
        tag = parts[0]
        if tag == "OPENED":
            expected.opened = True
        elif tag == "BEGIN":
            pending, will_end, acked = [], False, False
        elif tag == "WILL" and pending is not None:
            pending.append(parse_change(parts[1:]))
        elif tag == "WILL-END":
            will_end = True
        elif tag == "ACK":
            if pending is None:          # lines of --make-v12: acknowledged without WILL lines
                expected.apply([parse_change(parts[1:])])
            elif not acked:
                expected.apply(pending)  # the commit returned: the whole command is in
                acked = True
        elif tag in ("ACK-END", "ROLLBACK"):
            pending, will_end, acked = None, False, False
    if pending is not None and will_end and not acked:
        return pending
    return None


def read_ledger(folder):
    """Opens the folder's tables as the program does (OBJ.DB with the others
    attached) and returns (integrity problems, txn rows)."""
    problems = []
    rows = {}
    # Never create a file the program has not made yet: a folder killed before
    # its first file exists must stay new for the next start.  Read-write (not
    # read-only) so that SQLite can roll back a hot journal.
    missing = [f for f, _ in TABLE_FILES if not os.path.exists(os.path.join(folder, f))]
    if missing:
        return ["no such table: %s (file missing)" % ", ".join(missing)], rows

    def uri(f):
        return "file:%s?mode=rw" % urllib.parse.quote(os.path.join(folder, f))

    con = sqlite3.connect(uri("OBJ.DB"), timeout=5, isolation_level=None, uri=True)
    try:
        for f, name in TABLE_FILES[1:]:
            con.execute("ATTACH DATABASE ? AS %s" % name, (uri(f),))
        for f, name in TABLE_FILES:
            schema = "main" if name == "obj" else name
            res = [r[0] for r in con.execute("PRAGMA %s.integrity_check" % schema)]
            if res != ["ok"]:
                problems.append("%s: integrity_check %s" % (f, "; ".join(res[:5])))
        for r in con.execute("SELECT Id, Type, Amt, Txndate, Date2, Cancelled FROM txn"):
            rows[r[0]] = (r[1] or "-", r[2] or 0, r[3] or "-", r[4] or "-", r[5] or 0)
    except sqlite3.DatabaseError as e:
        problems.append("sqlite: %s" % e)
    finally:
        con.close()
    return problems, rows


def read_settings(folder):
    """Parses KOVRALDB.INI: (problems, dict of section "main")."""
    path = os.path.join(folder, INI)
    if not os.path.exists(path):
        return ["settings file missing"], None
    problems, main, section = [], {}, None
    try:
        with open(path, "rb") as fh:
            text = fh.read().decode("utf-8")
    except (OSError, UnicodeDecodeError) as e:
        return ["settings file unreadable: %s" % e], None
    for n, line in enumerate(text.replace("\r", "").split("\n"), 1):
        s = line.strip()
        if not s or s.startswith(";"):
            continue
        if s.startswith("[") and s.endswith("]"):
            section = s[1:-1].strip().lower()
        elif "=" in s and section is not None:
            k, v = s.split("=", 1)
            if section == "main":
                main[k.strip().lower()] = v.strip()
        else:
            problems.append("settings line %d not key=value: %r" % (n, line))
    if "dbvn" not in main:
        problems.append("settings file has no [main] DBvn")
    return problems, main


def diff_rows(want, got, limit=5):
    out = []
    for rid, row in sorted(want.items()):
        if rid not in got:
            out.append("txn %d acknowledged %s is missing" % (rid, row))
        elif got[rid] != row:
            out.append("txn %d is %s, acknowledged %s" % (rid, got[rid], row))
    for rid in sorted(set(got) - set(want)):
        out.append("txn %d %s was never acknowledged (or was deleted)" % (rid, got[rid]))
    return out[:limit]


def check_folder(folder, expected, pending, checker=None, workdir=None):
    """All checks on a folder after a kill.  Resolves a pending command
    against what is on disk and updates expected.  Returns a list of
    problems (empty when the folder is sound)."""
    problems, rows = read_ledger(folder)
    if (not expected.opened and not os.path.exists(os.path.join(folder, INI))
            and problems and all("no such table" in p for p in problems)):
        # Killed while making the new folder, before its tables committed:
        # nothing was acknowledged; the next start must make it again.
        problems, rows = [], {}
    if pending is not None:
        row_changes = [c for c in pending if c[0] != "balat"]
        after = expected.candidate(row_changes)
        if not diff_rows(after.rows, rows):
            expected.apply(row_changes)
        elif diff_rows(expected.rows, rows):
            problems.append("command half-written: neither before nor after it")
    problems += diff_rows(expected.rows, rows)

    if expected.opened or os.path.exists(os.path.join(folder, INI)):
        sp, main = read_settings(folder)
        problems += sp
        if main is not None and expected.balat is not None:
            got = main.get("balat")
            cand = {expected.balat}
            if pending is not None:
                cand |= {c[1] for c in pending if c[0] == "balat"}
            if got not in cand:
                problems.append("settings BalAt %s, acknowledged %s" % (got, sorted(cand)))
            else:
                expected.balat = got
        if checker and main is not None and not problems:
            problems += run_checker(checker, folder, workdir)
    if problems:
        # Carry on from what is there, so that one fault is counted once.
        expected.rows = rows
    return problems


def run_checker(checker, folder, workdir):
    """kovral-check FOLDER must end with "All scans complete OK" (exit 0).
    Its backups go beside the checker binary; they are removed afterwards."""
    r = subprocess.run([checker, folder], stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=120)
    backups = os.path.join(os.path.dirname(checker), "Pre-healthcheck backups")
    shutil.rmtree(backups, ignore_errors=True)
    if r.returncode != 0:
        log = r.stdout.decode("utf-8", "replace").strip().splitlines()
        err = r.stderr.decode("utf-8", "replace").strip().splitlines()
        return ["kovral-check exit %d: %s | %s" % (r.returncode, " / ".join(log[-4:]), " / ".join(err[-3:]))]
    return []


def private_copy(binary, workdir):
    """A copy of a tool in workdir, so that what it writes beside itself
    (health-check backups, archives) stays in the test's own folder."""
    dst = os.path.join(workdir, os.path.basename(binary))
    shutil.copy2(binary, dst)
    return dst
