// Color4: an RGBA colour of four single-precision floats, handed to OpenGL as
// is, plus the conversions between RGB and a six-sextant HSV model.
//
// HSV triples are passed as three floats and never stored in a Color4:
//   hue h in [0, 6]: 0 (or 6) red, 1 yellow, 2 green, 3 cyan, 4 blue, 5 magenta;
//   saturation s and value v in [0, 1].
// Components are meant to lie in [0, 1]; nothing clamps them.
#pragma once

#include <memory>

class Color4 {
public:
    // Transparent black (all four components 0).
    Color4();
    Color4(float r, float g, float b, float a);

    void setColor(float r, float g, float b, float a);
    void setColor(Color4 c); // alpha included

    // Writes the hue, saturation and value of c's red, green and blue (alpha
    // is ignored). Greys, black and white included, give h = 0 and s = 0; a
    // chromatic colour never gives h = 0 (pure red is h = 6).
    static void RGB_TO_HSV_Color(float* h, float* s, float* v, const Color4* c);

    // The opaque colour (alpha 1) of an HSV triple. Hues below 0 or from 7 on
    // are not wrapped; they fall back to the red-to-yellow sextant's formula.
    static Color4 HSVtoRGB(float h, float s, float v);
    // As HSVtoRGB, as a new object owned by the caller.
    static std::unique_ptr<Color4> HSV_TO_RGBColor(float h, float s, float v);

    // The complementary colour (hue turned half way round, same saturation
    // and value), opaque, as a new object owned by the caller. A grey maps to
    // itself. The Color4 form ignores c's alpha.
    static std::unique_ptr<Color4> getReverseColor(float r, float g, float b);
    static std::unique_ptr<Color4> getReverseColor(Color4 c);
    // The same by value, for drawing code that runs every frame.
    static Color4 reverseOf(Color4 c);

    float r; // red, [0, 1]
    float g; // green, [0, 1]
    float b; // blue, [0, 1]
    float a; // alpha (opacity), [0, 1]; 1 is opaque
};
