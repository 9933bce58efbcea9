// Color4's six-sextant HSV conversions in both directions (tie rules, hue 6
// for red, out-of-range hues) and reverse colours.
#include "TestSupport.h"

namespace {

// Hue, saturation and value of an RGB colour.
std::vector<float> hsvOf(float r, float g, float b) {
    std::vector<float> hsv(3, -1.0f);
    const Color4 c(r, g, b, 0.3f);
    Color4::RGB_TO_HSV_Color(&hsv[0], &hsv[1], &hsv[2], &c);
    return hsv;
}

TEST(Color4Test, RgbToHsvTiesAndGreys) {
    EXPECT_EQ(hsvOf(1, 0, 0), (std::vector<float>{6, 1, 1}));  // green and blue tie: green rule, h 6 not 0
    EXPECT_EQ(hsvOf(0, 0, 1)[0], 4.0f);                        // red ties green: red rule
    for (float grey : {0.0f, 0.5f, 1.0f}) EXPECT_EQ(hsvOf(grey, grey, grey), (std::vector<float>{0, 0, grey}));
}

TEST(Color4Test, HsvToRgbRowsAndRoundTrips) {
    // {h, s, v, r, g, b}. Hue 6 is red; no saturation gives grey whatever the
    // hue; hues below 0 and from 7 on take the last row (v, n, m), f from their
    // own floor (-1 odd, 8 even); a huge hue never overflows an int.
    const float rows[][6] = {{0, 1, 1, 1, 0, 0},          {6, 1, 1, 1, 0, 0},          {5.5f, 0.5f, 1, 1, 0.5f, 0.75f},
                             {-2, 0, 0.4f, 0.4f, 0.4f, 0.4f}, {7.5f, 1, 1, 1, 0.5f, 0},    {-0.25f, 1, 1, 1, 0.25f, 0},
                             {8.25f, 1, 1, 1, 0.25f, 0},  {1e30f, 1, 1, 1, 0, 0}};
    for (const auto& r : rows) {
        EXPECT_TRUE(colourIs(Color4::HSVtoRGB(r[0], r[1], r[2]), Color4(r[3], r[4], r[5], 1.0f))) << r[0];
    }

    const float levels[] = {0.0f, 0.2f, 0.5f, 0.75f, 1.0f};
    for (int k = 0; k < 125; ++k) {
        const Color4 rgb(levels[k / 25], levels[k / 5 % 5], levels[k % 5], 1.0f);
        const std::vector<float> hsv = hsvOf(rgb.r, rgb.g, rgb.b);
        EXPECT_TRUE(hsv[0] >= 0.0f && hsv[0] <= 6.0f) << hsv[0];
        EXPECT_TRUE(colourIs(Color4::HSVtoRGB(hsv[0], hsv[1], hsv[2]), rgb)) << k;
    }
}

TEST(Color4Test, ReverseColoursAreOpaqueComplements) {
    EXPECT_TRUE(colourIs(Color4::reverseOf(Color4(1, 0, 0, 1)), Color4(0, 1, 1, 1)));                 // red -> cyan
    EXPECT_TRUE(colourIs(Color4::reverseOf(Color4(0.25f, 0, 0.5f, 1)), Color4(0.25f, 0.5f, 0, 1)));  // 4.5 -> 1.5
    // Grey maps to itself; alpha is ignored and the result is opaque.
    EXPECT_TRUE(colourIs(Color4::reverseOf(Color4(0.2f, 0.2f, 0.2f, 0.3f)), Color4(0.2f, 0.2f, 0.2f, 1)));
    const Color4 teal(0.1f, 0.6f, 0.5f, 0.0f);
    EXPECT_TRUE(colourIs(Color4::reverseOf(Color4::reverseOf(teal)), Color4(0.1f, 0.6f, 0.5f, 1)));
}

}  // namespace
