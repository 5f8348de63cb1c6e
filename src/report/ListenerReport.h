#pragma once

#include "ListenerDetails.h"
#include "RecordAnalysis.h"

#include <QPageSize>
#include <QString>

// The per-listener report as a PDF, through Qt's own PDF writer: the first page a clinic files
// (ReportFirstPage.h), then a page per condition and ear with the runs' curves and the
// combined curve, both tips, Q10, slopes, shift, flags and the condition's parameters.
// A field of `given` that is not empty replaces the listener details the record has.
//
// Writes `pdfPath` whole or not at all; returns an empty text, or what went wrong with the
// file named. Needs a QGuiApplication (the fonts).
QString WriteListenerReport(const RecordAnalysis& results, const QString& pdfPath,
                            QPageSize::PageSizeId paper = QPageSize::A4, const ListenerDetails& given = {});
