#pragma once

#include "CurvePlot.h"

#include <QRectF>
#include <QStringList>

#include <vector>

class QPainter;
class QPdfWriter;

// Writes a report down its pages: paragraphs, tables, plots and ruled lines, each starting a
// new page when it would not fit on this one. Painter units are points.
class ReportPage {
public:
    ReportPage(QPdfWriter& writer, QPainter& painter);

    QRectF Area() const { return area_; }

    void NewPage();
    // Room for `height` more points on this page, or a new page.
    void Ensure(double height);
    void Skip(double height) { y_ += height; }

    // A paragraph, wrapped to the page's width (indented by `indent` points).
    void Paragraph(const QString& text, double pointSize, bool bold = false, double indent = 0.0);
    // A table: the first row a header, columns of the given shares of the width.
    void Table(const std::vector<QStringList>& rows, const std::vector<double>& shares, double pointSize);
    void Plot(const CurvePlot& plot, double height);
    // An empty framed box of `height` points under a caption, to be written in by hand.
    void WritingBox(const QString& caption, double height);
    // Lines to sign on: a caption under each, side by side, with the given shares of the width.
    void SignatureLines(const QStringList& captions, const std::vector<double>& shares);

private:
    QPdfWriter& writer_;
    QPainter& painter_;
    QRectF area_;
    double y_ = 0;
};
