// Icon bitmaps of Resources/ as the windows turn them into textures.
#pragma once

#include <vector>

// The pixels of a BMP file as 3 bytes (red, green, blue) per pixel, rows in
// the order the toolkit's reader delivers them. Files with 1 (grey) or 4
// bytes per pixel are converted; a missing or unreadable file gives a 0 x 0
// image and a line on standard error naming it.
struct IconImage {
    int width = 0;   // pixels
    int height = 0;  // pixels
    std::vector<unsigned char> rgb;  // width x height x 3 bytes

    static IconImage load(const char* path);
    int pixelCount() const { return width * height; }
};

// Writes the n RGB pixels of `src` in reverse order into `dst` (pixel i takes
// source pixel n - 1 - i: a turn by 180 degrees). Nothing for n < 1.
void reverseIconPixels(unsigned char* dst, const unsigned char* src, int n);

// Writes the n RGB pixels of `src` in reverse order (pixel i takes source
// pixel n - 1 - i, a turn by 180 degrees) as RGBA into `dst`, with
// alpha = 255 - red: dark icon pixels become opaque, white ones transparent.
void reverseToAlphaIcon(unsigned char* dst, const unsigned char* src, int n);
