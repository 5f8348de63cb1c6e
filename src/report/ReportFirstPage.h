#pragma once

#include "ListenerDetails.h"
#include "RecordAnalysis.h"

#include <QString>

class ReportPage;

// The report's first page, the one a clinic files: the tip's finding of every condition and
// ear with its criterion, the tone's level (in dB SPL, and in dB SL with the threshold it rests
// on) and the runs it rests on, the listener (name, ID, date of birth) and the examiner, how the
// runs were measured, the threshold runs with their estimates and flags, the combined curve with
// its runs, the summary of every condition and ear, the tuning curves with their status, and
// room for comments and a signature.
// A field of `given` that is not empty replaces what the session record says.
void WriteFirstPage(ReportPage& page, const RecordAnalysis& results, const ListenerDetails& given);

// The listener's name and details as the report states them: a field of `given` that is not
// empty, or the record's values of the analysed runs, joined; "not given" where neither has one.
struct ReportedListener {
    QString Name, Id, BirthDate, Examiner;
};
ReportedListener ReportListener(const ResultsAnalysis& analysis, const ListenerDetails& given);
