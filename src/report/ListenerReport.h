#pragma once

#include "ResultsFileAnalysis.h"

#include <QPageSize>
#include <QString>

// The per-listener report as a PDF, through Qt's own PDF writer: a first page with the
// subject, dates, program version, calibration factor, device and a summary table, then a page
// per condition and ear with the runs' curves and the combined curve, both tips, Q10, slopes,
// shift, flags and the condition's parameters.
//
// Writes `pdfPath` whole or not at all; returns an empty text, or what went wrong with the
// file named. Needs a QGuiApplication (the fonts).
QString WriteListenerReport(const ResultsFileAnalysis& results, const QString& pdfPath,
                            QPageSize::PageSizeId paper = QPageSize::A4);
