"""session_csv.py's lines, read with pandas.read_csv without options.
usage: session_pandas.py RESULTS_NAME"""
import sys

import pandas as pd

d = pd.read_csv(sys.argv[1] + ".csv")
t = pd.read_csv(sys.argv[1] + ".trials.csv")
for column in ("ToneF", "ToneSPL", "masker_freq", "masker_spl"):
    assert d[column].dtype.kind in "fi", column + " is not read as numbers"
recorded = t.groupby("run")["recorded"].sum()
for run, c in d.groupby("run", sort=False):
    print("run", run, c.subject.iloc[0], c.ear.iloc[0], repr(float(c.ToneF.iloc[0])),
          repr(float(c.ToneSPL.iloc[0])), recorded[run], sep="\t")
    for f, l in zip(c.masker_freq, c.masker_spl):
        print("point", repr(float(f)), repr(float(l)), sep="\t")
