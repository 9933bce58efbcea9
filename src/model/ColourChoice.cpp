#include "model/ColourChoice.h"

#include <algorithm>

namespace {

constexpr float kHueSextants = 6.0f;  // hue at the top of the band

float inBand(float unit) { return unit > 0 ? std::min(unit, 1.0f) : 0.0f; }

}  // namespace

ColourChoice ColourChoice::within(float xBand, float yBand) { return {inBand(xBand), inBand(yBand)}; }

Color4 ColourChoice::colour() const {
    Color4 colour = Color4::HSVtoRGB(kHueSextants * yBand, 1, 1);
    colour.a = 1 - xBand;
    return colour;
}
