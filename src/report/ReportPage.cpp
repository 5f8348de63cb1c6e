#include "ReportPage.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>

ReportPage::ReportPage(QPdfWriter& writer, QPainter& painter)
    : writer_(writer), painter_(painter), area_(QPointF(0, 0), writer.pageLayout().paintRect(QPageLayout::Point).size())
{
}

void ReportPage::NewPage()
{
    writer_.newPage();
    y_ = 0;
}

void ReportPage::Ensure(double height)
{
    if (y_ > 0 && y_ + height > area_.height()) {
        NewPage();
    }
}

void ReportPage::Paragraph(const QString& text, double pointSize, bool bold, double indent)
{
    QFont font = painter_.font();
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    painter_.setFont(font);
    const QRectF width(indent, 0, area_.width() - indent, 10000);
    const QRectF needed = painter_.boundingRect(width, Qt::TextWordWrap, text);
    Ensure(needed.height());
    painter_.setPen(Qt::black);
    painter_.drawText(QRectF(indent, y_, area_.width() - indent, needed.height()), Qt::TextWordWrap, text);
    y_ += needed.height();
}

void ReportPage::Table(const std::vector<QStringList>& rows, const std::vector<double>& shares, double pointSize)
{
    QFont font = painter_.font();
    font.setPointSizeF(pointSize);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        font.setBold(r == 0);
        painter_.setFont(font);
        double height = 0;
        double x = 0;
        for (int c = 0; c < rows[r].size(); ++c) {
            const double w = area_.width() * shares[static_cast<std::size_t>(c)];
            height = std::max(height, painter_.boundingRect(QRectF(x, 0, w - 3, 1000), Qt::TextWordWrap, rows[r][c]).height());
            x += w;
        }
        Ensure(height + 3);
        x = 0;
        for (int c = 0; c < rows[r].size(); ++c) {
            const double w = area_.width() * shares[static_cast<std::size_t>(c)];
            painter_.drawText(QRectF(x, y_, w - 3, height), Qt::TextWordWrap, rows[r][c]);
            x += w;
        }
        y_ += height + 2;
        painter_.setPen(QPen(QColor(160, 160, 160), 0.4));
        painter_.drawLine(QPointF(0, y_ - 1), QPointF(area_.width(), y_ - 1));
        painter_.setPen(Qt::black);
    }
}

void ReportPage::Plot(const CurvePlot& plot, double height)
{
    Ensure(height);
    QFont font = painter_.font();
    font.setBold(false);
    painter_.setFont(font);
    DrawCurvePlot(painter_, QRectF(0, y_, area_.width(), height), plot);
    y_ += height;
}

void ReportPage::WritingBox(const QString& caption, double height)
{
    Paragraph(caption, 9, true);
    Ensure(height);
    painter_.setPen(QPen(Qt::black, 0.6));
    painter_.setBrush(Qt::NoBrush);
    painter_.drawRect(QRectF(0, y_ + 2, area_.width(), height - 4));
    y_ += height;
}

void ReportPage::SignatureLines(const QStringList& captions, const std::vector<double>& shares)
{
    QFont font = painter_.font();
    font.setPointSizeF(8);
    font.setBold(false);
    painter_.setFont(font);
    const double lineAt = 28.0;  // room to sign above the line
    const double height = lineAt + QFontMetricsF(font).height() + 2;
    Ensure(height);
    double x = 0;
    for (int c = 0; c < captions.size(); ++c) {
        const double w = area_.width() * shares[static_cast<std::size_t>(c)];
        painter_.setPen(QPen(Qt::black, 0.6));
        painter_.drawLine(QPointF(x, y_ + lineAt), QPointF(x + w - 18, y_ + lineAt));
        painter_.drawText(QRectF(x, y_ + lineAt + 2, w - 18, height - lineAt), Qt::AlignLeft, captions[c]);
        x += w;
    }
    y_ += height;
}
