#pragma once

#include "Result.h"

#include <QByteArray>
#include <QImage>
#include <QRectF>
#include <QString>

class QChartView;
class QPainter;
class QPrinter;

// The chart as the operator sees it, at its on-screen size on a white background.
QImage ChartBitmap(QChartView& view);

// The chart as scalable vector graphics (SVG text), the same size as on screen.
QByteArray ChartSvg(QChartView& view, const QString& title);

// Draws the chart stretched over `page`: a printout fills the page rather than keeping the
// on-screen proportions.
void PaintChartOnPage(QChartView& view, QPainter& painter, const QRectF& page);

// Writes the chart as a one-page landscape A4 PDF file; fails with the reason when the file
// could not be written.
Result<> WriteChartPdf(QChartView& view, const QString& path);

// Saves the chart in the format its file name's suffix names: ".png" the bitmap, ".svg" the
// vector drawing, ".pdf" the one-page PDF (any other suffix is refused); fails with the
// reason when the file could not be written.
Result<> SaveChart(QChartView& view, const QString& path, const QString& title);

// Prints the chart in landscape on `printer`, whose orientation is put back afterwards; fails
// with the reason when printing failed.
Result<> PrintChart(QChartView& view, QPrinter& printer);
