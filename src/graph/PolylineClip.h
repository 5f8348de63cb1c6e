#pragma once

#include <QLineF>
#include <QPointF>
#include <QRectF>

#include <vector>

// The visible pieces of the polyline through `points` inside `area` (edges included), one
// segment per piece of each joining line that lies in it. Segments with a non-finite end are
// left out. Used where the drawing target cannot clip by itself (the SVG generator).
std::vector<QLineF> ClipPolyline(const std::vector<QPointF>& points, const QRectF& area);
