#include "PolylineClip.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

const QRectF Area(10, 20, 100, 50);  // x 10..110, y 20..70

void ExpectLine(const QLineF& actual, const QLineF& expected)
{
    EXPECT_NEAR(actual.x1(), expected.x1(), 1e-9);
    EXPECT_NEAR(actual.y1(), expected.y1(), 1e-9);
    EXPECT_NEAR(actual.x2(), expected.x2(), 1e-9);
    EXPECT_NEAR(actual.y2(), expected.y2(), 1e-9);
}

TEST(ClipPolyline, InsideUnchanged)
{
    const auto pieces = ClipPolyline({{20, 30}, {50, 60}, {100, 25}}, Area);
    ASSERT_EQ(pieces.size(), 2u);
    ExpectLine(pieces[0], QLineF(20, 30, 50, 60));
    ExpectLine(pieces[1], QLineF(50, 60, 100, 25));
}

TEST(ClipPolyline, CutAtTheEdgesItCrosses)
{
    // Leaves through the top, comes back, leaves through the right, crosses the corner region.
    const auto pieces = ClipPolyline({{50, 40}, {50, 0}, {90, 40}, {130, 40}, {0, 80}}, Area);
    ASSERT_EQ(pieces.size(), 4u);
    ExpectLine(pieces[0], QLineF(50, 40, 50, 20));
    ExpectLine(pieces[1], QLineF(70, 20, 90, 40));
    ExpectLine(pieces[2], QLineF(90, 40, 110, 40));
    // From (130,40) to (0,80): enters at x=110 (y=46.15...), leaves at y=70 (x=32.5).
    ExpectLine(pieces[3], QLineF(110, 40 + 40.0 * 20 / 130, 32.5, 70));
}

TEST(ClipPolyline, OutsideSegmentsAndNonFiniteEndsDropped)
{
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_TRUE(ClipPolyline({{0, 0}, {200, 0}, {200, 100}}, Area).empty());
    EXPECT_TRUE(ClipPolyline({{-inf, 30}, {50, 30}, {nan, 40}}, Area).empty());
    EXPECT_TRUE(ClipPolyline({{50, 30}}, Area).empty());
    EXPECT_TRUE(ClipPolyline({}, Area).empty());
}

TEST(ClipPolyline, EdgesBelongToTheArea)
{
    const auto pieces = ClipPolyline({{10, 0}, {10, 100}, {10, 100}}, Area);
    ASSERT_EQ(pieces.size(), 1u);
    ExpectLine(pieces[0], QLineF(10, 20, 10, 70));
}

} // namespace
