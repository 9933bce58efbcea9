#include "gl/IconImage.h"

#include <FL/Fl_BMP_Image.H>

#include <algorithm>
#include <iostream>

IconImage IconImage::load(const char* path) {
    IconImage image;
    Fl_BMP_Image bmp(path);
    const int depth = bmp.d();
    if (bmp.w() <= 0 || bmp.h() <= 0 || bmp.data() == nullptr || depth < 1 || depth > 4) {
        // Drawn as a plain quad from here on: say which file is missing.
        std::cerr << "Cannot read icon file \"" << path << "\"" << std::endl;
        return image;
    }
    image.width = bmp.w();
    image.height = bmp.h();
    image.rgb.resize(static_cast<size_t>(image.width) * image.height * 3);
    const auto* bytes = reinterpret_cast<const unsigned char*>(bmp.data()[0]);
    const int rowBytes = bmp.ld() ? bmp.ld() : image.width * depth;
    for (int row = 0; row < image.height; ++row) {
        for (int col = 0; col < image.width; ++col) {
            const unsigned char* in = bytes + static_cast<size_t>(row) * rowBytes + static_cast<size_t>(col) * depth;
            unsigned char* out = &image.rgb[(static_cast<size_t>(row) * image.width + col) * 3];
            const bool grey = depth < 3;
            out[0] = in[0];
            out[1] = grey ? in[0] : in[1];
            out[2] = grey ? in[0] : in[2];
        }
    }
    return image;
}

void reverseIconPixels(unsigned char* dst, const unsigned char* src, int n) {
    for (int i = 0; i < n; ++i) {
        const unsigned char* in = src + static_cast<size_t>(n - 1 - i) * 3;
        std::copy(in, in + 3, dst + static_cast<size_t>(i) * 3);
    }
}

void reverseToAlphaIcon(unsigned char* dst, const unsigned char* src, int n) {
    for (int i = 0; i < n; ++i) {
        const unsigned char* in = src + static_cast<size_t>(n - 1 - i) * 3;
        unsigned char* out = dst + static_cast<size_t>(i) * 4;
        out[0] = in[0];
        out[1] = in[1];
        out[2] = in[2];
        out[3] = static_cast<unsigned char>(255 - in[0]);
    }
}
