"""Reads quorvex-sim analyze --csv's table with pandas.read_csv without options and joins it
with the session record and the trial log by run id.
usage: analysis_pandas.py TABLE.csv RESULTS_NAME
prints: one line per row: direction, run, the number of record rows and trial rows of the run
(for a combined row: of its runs), the fitted tip frequency and the flag columns' sum."""
import sys

import pandas as pd

a = pd.read_csv(sys.argv[1])
d = pd.read_csv(sys.argv[2] + ".csv")
t = pd.read_csv(sys.argv[2] + ".trials.csv")
for column in ("tip_freq", "fit_tip_freq", "Q10", "low_slope", "high_slope", "tip_shift_pct"):
    assert a[column].dtype.kind in "fi", column + " is not read as numbers"
flags = [c for c in a.columns if c.startswith("flag_") and c != "flag_reasons"]
for _, row in a.iterrows():
    runs = row.runs.split(";")
    print(row.direction, row.run if isinstance(row.run, str) else "-",
          int(d.run.isin(runs).sum()), int(t.run.isin(runs).sum()),
          repr(float(row.fit_tip_freq)), int(row[flags].sum()), sep="\t")
