#include "geometry/Color4.h"

#include <algorithm>
#include <cmath>

Color4::Color4() : r(0.0f), g(0.0f), b(0.0f), a(0.0f) {}

Color4::Color4(float red, float green, float blue, float alpha) : r(red), g(green), b(blue), a(alpha) {}

void Color4::setColor(float red, float green, float blue, float alpha)
{
    r = red;
    g = green;
    b = blue;
    a = alpha;
}

void Color4::setColor(Color4 c) { *this = c; }

void Color4::RGB_TO_HSV_Color(float* h, float* s, float* v, const Color4* c)
{
    const float red = c->r;
    const float green = c->g;
    const float blue = c->b;
    const float minC = std::min(red, std::min(green, blue));
    const float maxC = std::max(red, std::max(green, blue));

    *v = maxC;
    if (minC == maxC) {
        // Grey: hue and saturation are undefined; report 0 (and avoid 0/0 on black).
        *h = 0.0f;
        *s = 0.0f;
        return;
    }

    // The minimum component picks the sextant pair. The order of the tests
    // settles ties: red before green before blue, so a colour with green and
    // blue both at the minimum (pure red) lands on h = 6, not 0.
    float diff;
    float base;
    if (red == minC) {
        diff = green - blue;
        base = 3.0f;
    } else if (green == minC) {
        diff = blue - red;
        base = 5.0f;
    } else {
        diff = red - green;
        base = 1.0f;
    }
    const float range = maxC - minC;
    *h = base - diff / range;
    *s = range / maxC;
}

Color4 Color4::HSVtoRGB(float h, float s, float v)
{
    // Sextant index and position within it. Kept in float so that a hue far
    // out of range (or NaN) never reaches an out-of-range integer conversion;
    // such hues take the fallback row below.
    const float sextant = std::floor(h);
    float f = h - sextant;
    if (std::fmod(sextant, 2.0f) == 0.0f)
        f = 1.0f - f; // even sextants fall, odd ones rise
    const float m = v * (1.0f - s);
    const float n = v * (1.0f - s * f);

    const int i = (sextant >= 0.0f && sextant <= 6.0f) ? static_cast<int>(sextant) : -1;
    switch (i) {
    case 1: return Color4(n, v, m, 1.0f);
    case 2: return Color4(m, v, n, 1.0f);
    case 3: return Color4(m, n, v, 1.0f);
    case 4: return Color4(n, m, v, 1.0f);
    case 5: return Color4(v, m, n, 1.0f);
    default: return Color4(v, n, m, 1.0f); // 0, 6 (red) and every out-of-range hue
    }
}

std::unique_ptr<Color4> Color4::HSV_TO_RGBColor(float h, float s, float v)
{
    return std::make_unique<Color4>(HSVtoRGB(h, s, v));
}

std::unique_ptr<Color4> Color4::getReverseColor(float r, float g, float b)
{
    return std::make_unique<Color4>(reverseOf(Color4(r, g, b, 1.0f)));
}

Color4 Color4::reverseOf(Color4 c)
{
    const Color4 rgb(c.r, c.g, c.b, 1.0f);
    float h, s, v;
    RGB_TO_HSV_Color(&h, &s, &v, &rgb);
    h += 3.0f;
    if (h < 0.0f)
        h += 6.0f;
    if (h > 6.0f)
        h -= 6.0f; // exactly 6 stays 6 (red)
    return HSVtoRGB(h, s, v);
}

std::unique_ptr<Color4> Color4::getReverseColor(Color4 c) { return getReverseColor(c.r, c.g, c.b); }
