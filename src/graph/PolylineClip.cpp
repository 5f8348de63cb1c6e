#include "PolylineClip.h"

#include <cmath>
#include <cstddef>
#include <optional>

namespace {

bool Finite(const QPointF& p)
{
    return std::isfinite(p.x()) && std::isfinite(p.y());
}

// Liang-Barsky: the part of the segment a-b inside the rectangle, if any.
std::optional<QLineF> ClipSegment(const QPointF& a, const QPointF& b, const QRectF& area)
{
    const double dx = b.x() - a.x();
    const double dy = b.y() - a.y();
    double t0 = 0.0;
    double t1 = 1.0;
    // Each edge as p * t <= q for the part of the line inside it.
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {a.x() - area.left(), area.right() - a.x(), a.y() - area.top(), area.bottom() - a.y()};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0.0) {
            if (q[i] < 0.0)
                return std::nullopt;  // parallel to this edge and outside it
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0.0) {
            if (t > t1)
                return std::nullopt;
            if (t > t0)
                t0 = t;
        } else {
            if (t < t0)
                return std::nullopt;
            if (t < t1)
                t1 = t;
        }
    }
    return QLineF(a.x() + t0 * dx, a.y() + t0 * dy, a.x() + t1 * dx, a.y() + t1 * dy);
}

} // namespace

std::vector<QLineF> ClipPolyline(const std::vector<QPointF>& points, const QRectF& area)
{
    std::vector<QLineF> pieces;
    for (std::size_t i = 1; i < points.size(); ++i) {
        if (!Finite(points[i - 1]) || !Finite(points[i]))
            continue;
        if (auto piece = ClipSegment(points[i - 1], points[i], area))
            pieces.push_back(*piece);
    }
    return pieces;
}
