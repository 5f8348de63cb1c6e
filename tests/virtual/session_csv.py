"""Reads a session record and its trial log as an analysis script would, without options, and
prints one line per run and one per point, tab-separated:
  run <id> <subject> <ear> <ToneF> <ToneSPL> <points recorded by the trial log>
  point <masker_freq> <masker_spl>
Numbers go through float(), so a decimal comma or a stray quote fails here.
usage: session_csv.py RESULTS_NAME      (Python's csv module)"""
import csv
import sys

name = sys.argv[1]
with open(name + ".trials.csv", newline="", encoding="utf-8") as f:
    recorded = {}
    for row in csv.DictReader(f):
        recorded[row["run"]] = recorded.get(row["run"], 0) + int(row["recorded"])
        float(row["masker_freq"]), float(row["masker_spl"])

with open(name + ".csv", newline="", encoding="utf-8") as f:
    current = None
    for row in csv.DictReader(f):
        if row["run"] != current:
            current = row["run"]
            print("run", current, row["subject"], row["ear"], repr(float(row["ToneF"])),
                  repr(float(row["ToneSPL"])), recorded[current], sep="\t")
        print("point", repr(float(row["masker_freq"])), repr(float(row["masker_spl"])), sep="\t")
