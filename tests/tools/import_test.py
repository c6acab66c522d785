#!/usr/bin/env python3
"""kovral-import leaves out the lines whose entry checks ask a question unless
--yes confirms them, and imports the others.

    import_test.py --gen kovral-gen --import kovral-import

On a small generated ledger, a CSV statement for the busiest external account
holds one payment dated on its reconciled balance (altering it asks a
question) and two after it.  Without --yes the two go in and the one is
listed as needing confirmation; run again with --yes, the one goes in.
Standard library only.
"""

import argparse
import os
import shutil
import sqlite3
import subprocess
import sys
import tempfile


def setup(data):
    db = sqlite3.connect(os.path.join(data, "OBJ.DB"))
    db.execute("ATTACH DATABASE ? AS p", (os.path.join(data, "PSTG.DB"),))
    db.execute("ATTACH DATABASE ? AS c", (os.path.join(data, "cptypot.db"),))
    acc, name = db.execute("SELECT o.Id, o.Name FROM p.pstg s JOIN obj o ON o.Id = s.Objid WHERE o.Type = 1"
                           " GROUP BY o.Id ORDER BY count(*) DESC LIMIT 1").fetchone()
    last = db.execute("SELECT max(Pstgdate) FROM p.pstg").fetchone()[0]
    db.execute("UPDATE obj SET Reconciled = ? WHERE Id = ?", (last, acc))
    db.commit()
    # Payees with a purchase category that provide no external account.
    payees = [r[0] for r in db.execute(
        "SELECT DISTINCT o.Name FROM c.cptypot k JOIN obj o ON o.Id = k.Cptyid WHERE k.Purchsale = 'P'"
        " AND o.CloseDate = 99999999 AND NOT EXISTS (SELECT 1 FROM obj e WHERE e.Type = 1 AND e.AccWith = o.Id)"
        " ORDER BY o.Id LIMIT 2")]
    db.close()
    y, m, d = (int(x) for x in last.split("-"))
    later = ["%04d-%02d-%02d" % (y + 1, 1, 2), "%04d-%02d-%02d" % (y + 1, 1, 3)]
    return acc, name, last, later, payees


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--gen", required=True)
    ap.add_argument("--import", dest="imp", required=True)
    args = ap.parse_args()
    work = tempfile.mkdtemp(prefix="kovral-import-")
    problems = []
    try:
        data = os.path.join(work, "DATA")
        r = subprocess.run([args.gen, "--quiet", "--today", "2025-03-15", "--folder", data, "--years", "1",
                            "--txns-per-year", "300", "--seed", "7"], capture_output=True, text=True)
        if r.returncode != 0:
            raise SystemExit("kovral-gen exit %d: %s" % (r.returncode, r.stderr.strip()))
        acc, name, last, later, payees = setup(data)
        if len(payees) < 2:
            raise SystemExit("no payees in the generated ledger")
        csv = os.path.join(work, "stmt.csv")
        with open(csv, "w", encoding="utf-8") as f:
            f.write("Date,Description,Amount\n")
            f.write("%s,%s X1,-12.37\n" % (last, payees[0]))
            f.write("%s,%s X2,-23.41\n" % (later[0], payees[1]))
            f.write("%s,%s X3,-34.53\n" % (later[1], payees[0]))
        question = 'Reconciled balance for account "%s" will be altered!' % name
        run = lambda *extra: subprocess.run([args.imp, data, str(acc), csv] + list(extra),
                                            capture_output=True, text=True)
        r = run()
        if r.returncode != 0:
            problems.append("without --yes: exit %d: %s" % (r.returncode, r.stderr.strip()))
        if "needs confirming: " + question not in r.stdout:
            problems.append("the preview does not show the question:\n" + r.stdout)
        if "imported: 2 entered" not in r.stdout or "1 needing confirmation" not in r.stdout:
            problems.append("without --yes, not the two others imported:\n" + r.stdout)
        r = run("--yes")
        if r.returncode != 0 or "imported: 1 entered" not in r.stdout:
            problems.append("with --yes: exit %d, not the one line imported:\n%s%s" % (r.returncode, r.stdout, r.stderr))
    finally:
        shutil.rmtree(work, ignore_errors=True)
    for p in problems:
        print("FAIL " + p)
    print("%d problems" % len(problems))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
