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
    EXPECT_TRUE(colourIs(*Color4::HSV_TO_RGBColor(0.0f, 1.0f, 1.0f), Color4(1, 0, 0, 1)));
    EXPECT_TRUE(colourIs(*Color4::HSV_TO_RGBColor(6.0f, 1.0f, 1.0f), Color4(1, 0, 0, 1)));
    EXPECT_TRUE(colourIs(Color4::HSVtoRGB(5.5f, 0.5f, 1.0f), Color4(1.0f, 0.5f, 0.75f, 1.0f)));
    for (float hue : {1.3f, 7.5f, -2.0f}) {  // no saturation: grey whatever the hue
        EXPECT_TRUE(colourIs(Color4::HSVtoRGB(hue, 0.0f, 0.4f), Color4(0.4f, 0.4f, 0.4f, 1.0f))) << hue;
    }
    // Hues below 0 and from 7 on take the last row (v, n, m), f from their own floor.
    EXPECT_TRUE(colourIs(*Color4::HSV_TO_RGBColor(7.5f, 1.0f, 1.0f), Color4(1.0f, 0.5f, 0.0f, 1.0f)));
    EXPECT_TRUE(colourIs(Color4::HSVtoRGB(-0.25f, 1.0f, 1.0f), Color4(1.0f, 0.25f, 0.0f, 1.0f)));  // -1 odd
    EXPECT_TRUE(colourIs(Color4::HSVtoRGB(8.25f, 1.0f, 1.0f), Color4(1.0f, 0.25f, 0.0f, 1.0f)));   // 8 even
    EXPECT_TRUE(colourIs(Color4::HSVtoRGB(1e30f, 1.0f, 1.0f), Color4(1, 0, 0, 1)));  // no int overflow

    const float levels[] = {0.0f, 0.2f, 0.5f, 0.75f, 1.0f};
    for (float r : levels) {
        for (float g : levels) {
            for (float b : levels) {
                const std::vector<float> hsv = hsvOf(r, g, b);
                EXPECT_TRUE(hsv[0] >= 0.0f && hsv[0] <= 6.0f) << hsv[0];
                EXPECT_TRUE(colourIs(Color4::HSVtoRGB(hsv[0], hsv[1], hsv[2]), Color4(r, g, b, 1.0f)));
            }
        }
    }
}

TEST(Color4Test, ReverseColours) {
    EXPECT_TRUE(colourIs(*Color4::getReverseColor(1.0f, 0.0f, 0.0f), Color4(0, 1, 1, 1)));  // red -> cyan
    EXPECT_TRUE(colourIs(*Color4::getReverseColor(0.25f, 0.0f, 0.5f), Color4(0.25f, 0.5f, 0.0f, 1.0f)));  // 4.5 -> 1.5
    // Grey maps to itself, opaque; the Color4 forms ignore alpha.
    const Color4 grey(0.2f, 0.2f, 0.2f, 0.3f);
    EXPECT_TRUE(colourIs(*Color4::getReverseColor(grey), Color4(0.2f, 0.2f, 0.2f, 1.0f)));
    const Color4 teal(0.1f, 0.6f, 0.5f, 0.0f);
    EXPECT_TRUE(colourIs(Color4::reverseOf(Color4::reverseOf(teal)), Color4(0.1f, 0.6f, 0.5f, 1.0f)));
    EXPECT_TRUE(colourIs(Color4::reverseOf(teal), *Color4::getReverseColor(teal), 0.0f));
}

}  // namespace
