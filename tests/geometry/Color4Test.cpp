// Tests of Color4's six-sextant HSV conversions in both directions (tie rules,
// hue 6 for red, out-of-range hues) and of reverse colours.
#include <gtest/gtest.h>

#include <cmath>

#include "geometry/Color4.h"

namespace {

::testing::AssertionResult rgbaNear(const Color4& c, float r, float g, float b, float a)
{
    const float tolerance = 1e-6f;
    if (std::abs(c.r - r) <= tolerance && std::abs(c.g - g) <= tolerance &&
        std::abs(c.b - b) <= tolerance && std::abs(c.a - a) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "got (" << c.r << ", " << c.g << ", " << c.b << ", "
                                         << c.a << ")";
}

} // namespace

TEST(Color4Test, RgbToHsvTiesAndGreys)
{
    float h = -1, s = -1, v = -1;
    Color4 c(1, 0, 0, 0); // green and blue tie for the minimum: green rule, h = 6 not 0
    Color4::RGB_TO_HSV_Color(&h, &s, &v, &c);
    EXPECT_FLOAT_EQ(h, 6.0f);
    EXPECT_FLOAT_EQ(s, 1.0f);
    EXPECT_FLOAT_EQ(v, 1.0f);
    c = Color4(0, 0, 1, 0); // red ties green: red rule
    Color4::RGB_TO_HSV_Color(&h, &s, &v, &c);
    EXPECT_FLOAT_EQ(h, 4.0f);
    for (float grey : {0.0f, 0.5f, 1.0f}) { // black must not divide by zero
        c = Color4(grey, grey, grey, 0.3f);
        Color4::RGB_TO_HSV_Color(&h, &s, &v, &c);
        EXPECT_EQ(h, 0.0f);
        EXPECT_EQ(s, 0.0f);
        EXPECT_EQ(v, grey);
    }
}

TEST(Color4Test, HsvToRgbRows)
{
    EXPECT_TRUE(rgbaNear(*Color4::HSV_TO_RGBColor(0.0f, 1.0f, 1.0f), 1, 0, 0, 1));
    EXPECT_TRUE(rgbaNear(*Color4::HSV_TO_RGBColor(6.0f, 1.0f, 1.0f), 1, 0, 0, 1));
    EXPECT_TRUE(rgbaNear(*Color4::HSV_TO_RGBColor(3.0f, 1.0f, 1.0f), 0, 1, 1, 1));
    EXPECT_TRUE(rgbaNear(Color4::HSVtoRGB(5.5f, 0.5f, 1.0f), 1.0f, 0.5f, 0.75f, 1.0f));
    for (float hue : {1.3f, 4.7f, 7.5f, -2.0f}) // no saturation: grey whatever the hue
        EXPECT_TRUE(rgbaNear(Color4::HSVtoRGB(hue, 0.0f, 0.4f), 0.4f, 0.4f, 0.4f, 1.0f)) << hue;

    // Hues below 0 and from 7 on take the last row (v, n, m), f from their own floor.
    EXPECT_TRUE(rgbaNear(*Color4::HSV_TO_RGBColor(7.5f, 1.0f, 1.0f), 1.0f, 0.5f, 0.0f, 1.0f));
    EXPECT_TRUE(rgbaNear(Color4::HSVtoRGB(-0.25f, 1.0f, 1.0f), 1.0f, 0.25f, 0.0f, 1.0f)); // -1 odd
    EXPECT_TRUE(rgbaNear(Color4::HSVtoRGB(8.25f, 1.0f, 1.0f), 1.0f, 0.25f, 0.0f, 1.0f));  // 8 even
    EXPECT_TRUE(rgbaNear(Color4::HSVtoRGB(1e30f, 1.0f, 1.0f), 1.0f, 0.0f, 0.0f, 1.0f)); // no int overflow
}

TEST(Color4Test, RoundTripThroughHsv)
{
    const float levels[] = {0.0f, 0.2f, 0.5f, 0.75f, 1.0f};
    for (float r : levels)
        for (float g : levels)
            for (float b : levels) {
                float h, s, v;
                const Color4 c(r, g, b, 0.5f);
                Color4::RGB_TO_HSV_Color(&h, &s, &v, &c);
                EXPECT_TRUE(h >= 0.0f && h <= 6.0f) << h;
                EXPECT_TRUE(rgbaNear(*Color4::HSV_TO_RGBColor(h, s, v), r, g, b, 1.0f))
                    << "from " << r << ", " << g << ", " << b;
            }
}

TEST(Color4Test, ReverseColours)
{
    EXPECT_TRUE(rgbaNear(*Color4::getReverseColor(1.0f, 0.0f, 0.0f), 0, 1, 1, 1)); // red -> cyan
    EXPECT_TRUE(rgbaNear(*Color4::getReverseColor(1.0f, 1.0f, 0.0f), 0, 0, 1, 1)); // yellow -> blue
    EXPECT_TRUE(rgbaNear(*Color4::getReverseColor(0.25f, 0.0f, 0.5f), 0.25f, 0.5f, 0.0f, 1.0f)); // 4.5 -> 1.5
    // Grey maps to itself, opaque; the Color4 form ignores alpha.
    EXPECT_TRUE(rgbaNear(*Color4::getReverseColor(Color4(0.2f, 0.2f, 0.2f, 0.3f)), 0.2f, 0.2f, 0.2f, 1.0f));
    const Color4 teal(0.1f, 0.6f, 0.5f, 0.0f);
    EXPECT_TRUE(rgbaNear(*Color4::getReverseColor(*Color4::getReverseColor(teal)), 0.1f, 0.6f, 0.5f, 1.0f));
}
