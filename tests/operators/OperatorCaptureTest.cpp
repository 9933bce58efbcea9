// The capture test decides by the window's end slopes where a segment is
// clearly inside or outside, and by its arc tangent only near an end: every
// decision must be the arc tangent's, for windows of every width and
// direction (ends beyond and near a right angle too) and for segments on,
// next to and far from the window's ends.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <random>
#include <vector>

#include "operators/OperatorCapture.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

// The test as it reads without the slopes: the arc tangent every time.
bool takesByArcTangent(const OperatorCapture& capture, const float* rowNorm) {
    const OperatorCapture::Segment s = capture.segment(rowNorm);
    if (!(s.distance < capture.radius)) return false;
    const double turn = std::atan(s.dy / s.dx) - capture.angle;
    return -capture.halfWindow < turn && turn < capture.halfWindow;
}

// One capture set up again for every window, as a caller may: nothing of
// an earlier window's slopes may stay behind.
OperatorCapture window(double angle, double halfWindow) {
    static OperatorCapture capture;
    capture.axis = 0;
    capture.xa = 0.4;
    capture.xb = 0.65;
    capture.centreX = 0.52;
    capture.centreY = 0.5;
    capture.radius = 10;  // every segment near enough: the angle decides
    capture.angle = angle;
    capture.halfWindow = halfWindow;
    capture.setSlopeWindow();
    return capture;
}

// Rows whose segment has the given slope from left value `left`, and rows a
// few float steps to either side of it.
void addRowsAtSlope(const OperatorCapture& capture, float left, double slope, std::vector<std::array<float, 2>>* rows) {
    const double dx = capture.xb - capture.xa;
    const float right = capture.region.toNorm(static_cast<float>(capture.region.toView(left) + slope * dx));
    float below = right, above = right;
    rows->push_back({left, right});
    for (int step = 0; step < 3; ++step) {
        below = std::nextafter(below, -1e30f);
        above = std::nextafter(above, 1e30f);
        rows->push_back({left, below});
        rows->push_back({left, above});
    }
}

TEST(OperatorCaptureTest, EverySegmentIsDecidedAsItsArcTangentDecidesIt) {
    std::mt19937 random(11);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::vector<OperatorCapture> windows;
    for (int k = 0; k < 300; ++k) {
        // Directions across (-pi/2, pi/2) and widths as the view allows them (pi/2 * [0.05, pi/2]).
        windows.push_back(window((unit(random) - 0.5) * kPi, kPi / 2 * (0.05 + unit(random) * (kPi / 2 - 0.05))));
    }
    // Ends on, just within and just beyond a right angle, and windows wholly outside.
    for (double end : {kPi / 2, kPi / 2 - 1e-7, kPi / 2 + 1e-7, kPi / 2 - 1e-5, kPi / 2 + 1e-5}) {
        windows.push_back(window(end - 0.3, 0.3));
        windows.push_back(window(-end + 0.3, 0.3));
        windows.push_back(window(0, end));
    }
    windows.push_back(window(2.5, 0.4));
    windows.push_back(window(-2.5, 0.4));
    // Windows whose end is exactly the arc tangent of a row's slope: there
    // the tangent of the end and the slope differ by roundings only.
    std::vector<std::array<float, 2>> endRows;
    for (int k = 0; k < 200; ++k) {
        const std::array<float, 2> row = {static_cast<float>(unit(random)), static_cast<float>(unit(random))};
        const OperatorCapture::Segment s = window(0, 1).segment(row.data());
        const double end = std::atan(s.dy / s.dx);
        const double halfWindow = 0.05 + unit(random);
        const OperatorCapture low = window(end + halfWindow, halfWindow), high = window(end - halfWindow, halfWindow);
        ASSERT_EQ(low.takes(row.data()), takesByArcTangent(low, row.data())) << "low end at row " << k;
        ASSERT_EQ(high.takes(row.data()), takesByArcTangent(high, row.data())) << "high end at row " << k;
    }

    int decided = 0, taken = 0, usable = 0;
    for (const OperatorCapture& capture : windows) {
        usable += capture.slopes.usable;
        std::vector<std::array<float, 2>> rows;
        for (int k = 0; k < 200; ++k) rows.push_back({static_cast<float>(unit(random)), static_cast<float>(unit(random))});
        for (const float left : {0.1f, 0.5f, 0.93f}) {
            for (const double end : {capture.angle - capture.halfWindow, capture.angle + capture.halfWindow}) {
                if (std::fabs(end) < kPi / 2) addRowsAtSlope(capture, left, std::tan(end), &rows);
            }
            rows.push_back({left, left});  // level
        }
        for (const auto& row : rows) {
            const bool expected = takesByArcTangent(capture, row.data());
            ASSERT_EQ(capture.takes(row.data()), expected)
                << "angle " << capture.angle << ", half window " << capture.halfWindow << ", row " << row[0] << " "
                << row[1];
            ++decided;
            taken += expected;
        }
    }
    EXPECT_GT(taken, decided / 10) << "the windows take many of the rows";
    EXPECT_LT(taken, decided * 9 / 10) << "and leave many";
    EXPECT_GT(usable, 250) << "most windows decide by their slopes";
}

}  // namespace
