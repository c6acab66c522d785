#!/usr/bin/env python3
"""kovral-export's journal must give every account the balance movts holds.

    export_test.py --gen kovral-gen --export kovral-export

A small generated ledger (groups, brought-forward balances, transfers,
cancelled transactions) and its demo companion are exported; the postings of
the journal dated up to the end of the balance period, brought-forward lines
included, are summed per account and compared with the --balances file, and
every entry's real postings must balance.  Standard library only.
"""

import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile
from decimal import Decimal

ENTRY = re.compile(r"^(\d{4}-\d\d-\d\d) ")
POSTING = re.compile(r"^    (\(?)(.+?)(\)?)  (-?\d+\.\d\d)$")


def check(export, data, work):
    journal = os.path.join(work, "j.journal")
    balances = os.path.join(work, "b.tsv")
    r = subprocess.run([export, data, "--out", journal, "--balances", balances], capture_output=True, text=True)
    if r.returncode != 0:
        return ["kovral-export exit %d: %s" % (r.returncode, r.stderr.strip())]
    balat = None
    for line in open(os.path.join(data, "KOVRALDB.INI"), encoding="utf-8"):
        if line.strip().startswith("BalAt="):
            d = line.strip()[6:]
            balat = "%s-%s-%s" % (d[0:4], d[4:6], d[6:8])
    problems = []
    sums = {}
    date, real, entry, entries = None, Decimal(0), "", 0
    for line in open(journal, encoding="utf-8").read().split("\n") + [""]:
        m = ENTRY.match(line)
        if m:
            date, real, entry = m.group(1), Decimal(0), line
            entries += 1
            continue
        p = POSTING.match(line)
        if p:
            virtual = p.group(1) == "("
            if virtual != (p.group(3) == ")"):
                problems.append("unbalanced parentheses: %r" % line)
            amount = Decimal(p.group(4))
            if not virtual:
                real += amount
            if date <= balat:
                sums[p.group(2)] = sums.get(p.group(2), Decimal(0)) + amount
        elif line == "" and entry:
            if real != 0:
                problems.append("real postings do not balance (%s): %s" % (real, entry))
            entry = ""
        elif line and not line.startswith(";"):
            problems.append("unreadable line: %r" % line)
    if entries == 0:
        problems.append("empty journal")
    accounts = 0
    for line in open(balances, encoding="utf-8"):
        name, amount = line.rstrip("\n").split("\t")
        accounts += 1
        if sums.pop(name, Decimal(0)) != Decimal(amount):
            problems.append("%s: movts %s, journal %s" % (name, amount, sums.get(name)))
    for name, amount in sums.items():
        if amount != 0:
            problems.append("%s in the journal (%s) but not in the balances" % (name, amount))
    if accounts < 10:
        problems.append("only %d accounts in the balances" % accounts)
    return problems


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--gen", required=True)
    ap.add_argument("--export", required=True)
    args = ap.parse_args()
    work = tempfile.mkdtemp(prefix="kovral-export-")
    problems = []
    try:
        for name, gen in (("small", ["--years", "2", "--txns-per-year", "400", "--group-depth", "2", "--seed", "5"]),
                          ("demo", ["--demo"])):
            data = os.path.join(work, name, "DATA")
            r = subprocess.run([args.gen, "--quiet", "--today", "2025-03-15", "--folder", data] + gen, capture_output=True, text=True)
            if r.returncode != 0:
                problems.append("%s: kovral-gen exit %d: %s" % (name, r.returncode, r.stderr.strip()))
                continue
            problems += ["%s: %s" % (name, p) for p in check(args.export, data, work)]
    finally:
        shutil.rmtree(work, ignore_errors=True)
    for p in problems[:20]:
        print("FAIL " + p)
    print("%d problems" % len(problems))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
