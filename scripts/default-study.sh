#!/bin/bash
# Runs the study of docs/study/default-study.ini on every core (in a temporary copy) and writes
# its summary, docs/study/default-summary.csv, and the table of docs/study/default-study.md.
# Usage: scripts/default-study.sh [quorvex-sim] (default: build/src/sim/quorvex-sim of the clone)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
sim=${1:-$here/build/src/sim/quorvex-sim}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$here/docs/study/PTC.INI" "$here/docs/study/default-study.ini" "$work/"
"$sim" study run "$work/default-study.ini"
"$sim" study merge "$work/default-study.ini" -o "$here/docs/study/default-summary.csv"
awk -F, '
function cell() { return $2 " dB | " $3 " Hz | " $5 }
NR == 1 { next }
{ key = cell(); if (!(key in seen)) { seen[key] = 1; order[++n] = key; runs[key] = $8 } }
# A measure no run of the cell has (n = 0) is shown as a dash; one that only some runs of the
# cell gave states how many did.
function spread(format) {
    if ($10 == 0) return "–"
    return sprintf(format, $11, $12) ($10 < $8 ? " (n = " $10 ")" : "")
}
$9 == "tip_error_pct" { tip[key] = spread("%+.1f ± %.1f") }
$9 == "fitted_tip_error_pct" { fit[key] = spread("%+.1f ± %.1f") }
$9 == "q10_error_pct" { q10[key] = spread("%+.0f ± %.0f") }
$9 == "low_slope_error_db_per_octave" { low[key] = spread("%+.1f ± %.1f") }
$9 == "high_slope_error_db_per_octave" { high[key] = spread("%+.1f ± %.1f") }
$9 == "expected_low_slope_db_per_octave" && $10 > 0 { lowTrue[key] = sprintf("%.0f", $11) }
$9 == "expected_high_slope_db_per_octave" && $10 > 0 { highTrue[key] = sprintf("%.0f", $11) }
$9 == "flag_no_q10" { noq10[key] = sprintf("%.0f %%", 100 * $11) }
$9 == "duration_s" { dur[key] = sprintf("%.0f", $11) }
END {
    print "# The default condition: how the settings of the procedure bias the tip and Q10"
    print ""
    print "Virtual listener (roex filter at 1000 Hz, criterion -4 dB, internal noise 1 dB), the default"
    print "condition (tone 1000 Hz at 30 dB SPL, masker 200 Hz wide swept 500-2000 Hz, 600/400 ms"
    print "stimuli, software levels), " runs[order[1]] " runs per cell. Errors are against the filter of the listener"
    print "(tip 1000 Hz; Q10 and side slopes of its closed-form curve, the slopes fitted as the analysis"
    print "fits them), mean ± SD over the runs; (n = …) where only some runs of the cell gave the measure."
    print "Made by `bash scripts/default-study.sh` from `docs/study/default-study.ini`; every number is in"
    print "`docs/study/default-summary.csv` (with 5 % and 95 % percentiles). A dash: no run of the cell"
    print "has the measure; \"no Q10\" is the share of runs whose curve does not rise 10 dB above its tip"
    print "on both sides."
    print ""
    print "| SPLstep | FStep | direction | tip error (smoothed) % | tip error (fitted) % | Q10 error % | low slope error dB/oct (filter slope) | high slope error dB/oct (filter slope) | no Q10 | run (s) |"
    print "|---|---|---|---|---|---|---|---|---|---|"
    for (i = 1; i <= n; ++i) {
        k = order[i]
        lowText = low[k] (low[k] != "–" && k in lowTrue ? " (" lowTrue[k] ")" : "")
        highText = high[k] (high[k] != "–" && k in highTrue ? " (" highTrue[k] ")" : "")
        print "| " k " | " tip[k] " | " fit[k] " | " q10[k] " | " lowText " | " highText " | " noq10[k] " | " dur[k] " |"
    }
}' "$here/docs/study/default-summary.csv" > "$here/docs/study/default-study.md"
echo "wrote docs/study/default-summary.csv and docs/study/default-study.md"
