#include "RunOverlay.h"

#include "GraphContent.h"
#include "ResultsFileBlocks.h"
#include "SessionFiles.h"
#include "WholeFile.h"

#include <algorithm>

RecordedOverlay OverlaidRuns(const std::vector<RecordedRun>& record, const std::string& subject, int condition,
                             const std::vector<ResultPoint>& latest)
{
    RecordedOverlay overlay;
    std::vector<const RecordedRun*> chosen;
    for (const RecordedRun& run : record) {
        if (run.Subject == subject && run.Condition == condition) {
            chosen.push_back(&run);
        }
    }
    const auto drawnFromMemory = std::find_if(chosen.rbegin(), chosen.rend(), [&latest](const RecordedRun* run) {
        return SamePoints(run->Points, latest);
    });
    if (!latest.empty() && drawnFromMemory != chosen.rend()) {
        overlay.LatestDate = (*drawnFromMemory)->Date;
        chosen.erase(std::next(drawnFromMemory).base());
    }
    if (chosen.size() > MostOverlaidRuns) {
        chosen.erase(chosen.begin(), chosen.end() - static_cast<std::ptrdiff_t>(MostOverlaidRuns));
    }

    for (const RecordedRun* run : chosen) {
        OverlaidRun overlaid;
        // The record's words as read; a word that is neither counts as the right ear, upwards.
        overlaid.Ear = EarFromName(run->Ear).value_or(EarSide::Right);
        overlaid.Direction = DirectionFromName(run->Direction).value_or(Sweep::Up);
        // The title has the latest run's day; a run of that day is named by its time alone.
        overlaid.Label = run->Ear + " ear, " + SweepDisplayName(overlaid.Direction) + ", "
                         + (run->Date == overlay.LatestDate ? std::string() : run->Date + " ") + run->Time;
        overlaid.Line = AscendingLine(run->Points, overlaid.Direction);
        overlay.Earlier.push_back(std::move(overlaid));
    }
    return overlay;
}

RecordedOverlay OverlaidRunsOf(const SharedState& state)
{
    const WholeFile record = ReadWholeFile(SessionRecordFileName(state.ResultsFileName));
    if (record.Error) {
        return {};
    }
    const auto& points = state.Results.Points();
    const auto count = std::clamp(state.Results.StoredResultCount, 0, static_cast<int>(points.size()));
    return OverlaidRuns(ReadSessionRecord(record.Text).Runs, state.SubjectName, state.CurrentCondition + 1,
                        std::vector<ResultPoint>(points.begin(), points.begin() + count));
}
