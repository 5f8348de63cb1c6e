"""Checks the reference runs beside this script against the tracking procedure's rules, worked
out here from the conditions the runs record and from nothing the program computes: the start
frequency and level, the level step after every trial in the key's direction, the level limits
(CalibFactor, MaxSPL, -10 dB SPL) written back into the track, the key changes counted and the
fifth and later ones recorded, the sweep held until the fifth change (or until more than ten
trials at MaxSPL before the fourth) and moved by FStep after every trial from then on, and the
sweep's end after FreqPointCount frequencies, StartF to EndF inclusive. The points of each run's
trial log must be those of its results file (.dat) and its record (.csv).

It only reads. With --self-test it also spoils one rule at a time in a copy held in memory and
fails unless every spoiled copy is refused, so that a check that sees nothing cannot pass.

usage: check_rules.py REFERENCE_FOLDER [--self-test]"""
import copy
import csv
import glob
import os
import struct
import sys


def f32(x):
    """x rounded to a 32-bit float, as the run holds frequencies and levels."""
    return struct.unpack("f", struct.pack("f", x))[0]


def read_csv(path):
    with open(path, newline="", encoding="utf-8") as f:
        return list(csv.DictReader(f))


def read_dat_points(path):
    """The (frequency, level) lines of a results file, its comment lines left out."""
    points = []
    with open(path, encoding="latin-1") as f:
        for line in f:
            line = line.strip()
            if line and not line.startswith(";"):
                freq, level = line.split("\t")
                points.append((float(freq), float(level)))
    return points


def load(folder):
    """Every reference run: name -> {settings, trials, record points, results-file points}."""
    runs = {}
    for dat in sorted(glob.glob(os.path.join(folder, "run*.dat"))):
        name = os.path.basename(dat)[:-4]
        record = [row for row in read_csv(os.path.join(folder, name + ".csv")) if row["run"]]
        trials = read_csv(os.path.join(folder, name + ".trials.csv"))
        runs[name] = {
            "settings": record[0],
            "trials": trials,
            "record_points": [(float(r["masker_freq"]), float(r["masker_spl"])) for r in record if r["point"]],
            "run_points": {r["run_points"] for r in record},
            "dat_points": read_dat_points(dat),
        }
    return runs


def check_run(run):
    """The rules one run breaks, as readable lines; empty when it keeps them all."""
    s = run["settings"]
    num = {k: f32(float(s[k])) for k in ("StartF", "EndF", "FStep", "SPLstep", "MaxSPL", "MaskStartSPL", "CalibFactor")}
    up = s["direction"] == "up"
    if not up and s["direction"] != "down":
        return ["direction is neither up nor down: " + s["direction"]]
    calib, max_spl, step = num["CalibFactor"], num["MaxSPL"], num["SPLstep"]
    frequencies = int((num["EndF"] - num["StartF"]) / num["FStep"] + 1)

    problems = []
    freq = num["StartF"] if up else num["EndF"]
    relative = f32(num["MaskStartSPL"] - calib)
    direction = -1
    changes = 0
    max_level_trials = 0
    played = 1
    done = False
    points = []
    trials = run["trials"]
    if len({t["run"] for t in trials}) != 1:
        problems.append("the trial log holds more than one run")
    for n, t in enumerate(trials, start=1):
        where = "trial %d: " % n
        if done:
            problems.append(where + "played after the sweep's last frequency")
            break
        if int(t["trial"]) != n:
            problems.append(where + "numbered %s" % t["trial"])
        # The level limits, written back into the track.
        if relative > 0.0:
            relative = 0.0
        level = f32(calib + relative)
        if level > max_spl:
            level = max_spl
            relative = f32(level - calib)
        if not level >= -10.0:
            level = f32(-10.0)
            relative = f32(level - calib)
        if f32(float(t["masker_freq"])) != freq:
            problems.append(where + "masker at %s Hz, the rules give %r" % (t["masker_freq"], freq))
        if f32(float(t["masker_spl"])) != level:
            problems.append(where + "masker at %s dB SPL, the rules give %r" % (t["masker_spl"], level))
        if t["played"] != "1" or t["dropout"] != "0":
            problems.append(where + "not played whole")
        # The key: every change counted, the fifth and later ones recorded at this trial.
        key = t["key"]
        if key not in ("down", "up"):
            problems.append(where + "key " + key)
        now = int(t["key_changes"])
        made = now - changes
        if made < 0 or (made % 2 == 1) != ((1 if key == "down" else -1) != direction):
            problems.append(where + "%d key changes after %d, with the key %s" % (now, changes, key))
        recorded = sum(1 for k in range(changes + 1, now + 1) if k > 4)
        if int(t["recorded"]) != recorded:
            problems.append(where + "%s points recorded, the rules give %d" % (t["recorded"], recorded))
        points += [(freq, level)] * recorded
        changes = now
        direction = 1 if key == "down" else -1
        # The sweep: held until the fifth change, or more than ten trials at MaxSPL before the fourth.
        if changes < 4 and level == max_spl:
            max_level_trials += 1
        if changes > 4 or max_level_trials > 10:
            freq = f32(freq + num["FStep"] if up else freq - num["FStep"])
            done = played >= frequencies
            played += 1
        relative = f32(relative + direction * step)
    if not done:
        problems.append("the run ends before the sweep's last frequency (%d of %d played)" % (played - 1, frequencies))

    def same(a, b):
        return len(a) == len(b) and all(abs(x[0] - y[0]) <= 1e-3 and abs(x[1] - y[1]) <= 1e-3 for x, y in zip(a, b))

    if not same(points, run["dat_points"]):
        problems.append("the results file's points are not those the trial log records")
    if not same(points, run["record_points"]):
        problems.append("the record's points are not those the trial log records")
    if run["run_points"] != {str(len(points))}:
        problems.append("run_points %s, the trial log records %d" % (sorted(run["run_points"]), len(points)))
    return problems


def check(runs):
    problems = []
    if not runs:
        problems.append("no reference runs found")
    for name, run in runs.items():
        problems += ["%s: %s" % (name, p) for p in check_run(run)]
    return problems


def spoiled(runs):
    """Copies of the runs, each with one rule broken, and what was broken."""
    name = sorted(runs)[0]
    trials = runs[name]["trials"]
    change = next(n for n, t in enumerate(trials) if int(t["recorded"]) > 0)

    def with_trial(n, field, value):
        c = copy.deepcopy(runs)
        c[name]["trials"][n][field] = value
        return c

    def with_settings(field, value):
        c = copy.deepcopy(runs)
        c[name]["settings"][field] = value
        return c

    last = copy.deepcopy(runs)
    del last[name]["trials"][-1]
    extra = copy.deepcopy(runs)
    extra[name]["trials"].append(dict(extra[name]["trials"][-1], trial=str(len(trials) + 1)))
    dat = copy.deepcopy(runs)
    dat[name]["dat_points"][0] = (dat[name]["dat_points"][0][0], dat[name]["dat_points"][0][1] + 1)
    return [
        ("start level", with_trial(0, "masker_spl", str(float(trials[0]["masker_spl"]) + 1))),
        ("start frequency", with_trial(0, "masker_freq", str(float(trials[0]["masker_freq"]) + 1))),
        ("level step", with_trial(5, "masker_spl", str(float(trials[5]["masker_spl"]) - 1))),
        ("MaxSPL limit", with_settings("MaxSPL", str(float(runs[name]["settings"]["MaxSPL"]) + 5))),
        ("CalibFactor limit", with_settings("CalibFactor", str(float(runs[name]["settings"]["MaxSPL"]) - 5))),
        ("fifth key change", with_trial(change, "recorded", "0")),
        ("frequency step", with_settings("FStep", str(float(runs[name]["settings"]["FStep"]) * 2))),
        ("sweep's end", last),
        ("played past EndF", extra),
        ("results file", dat),
    ]


def main():
    if len(sys.argv) not in (2, 3) or (len(sys.argv) == 3 and sys.argv[2] != "--self-test"):
        print(__doc__, file=sys.stderr)
        return 2
    runs = load(sys.argv[1])
    problems = check(runs)
    for p in problems:
        print("check_rules: " + p)
    if sys.argv[2:] == ["--self-test"]:
        for rule, runs_spoiled in spoiled(runs):
            if not check(runs_spoiled):
                problems.append("a spoiled %s went unseen" % rule)
                print("check_rules: a reference run with a spoiled %s passed" % rule)
    if problems:
        return 1
    print("check_rules: %d reference runs keep the procedure's rules" % len(runs))
    return 0


if __name__ == "__main__":
    sys.exit(main())
