// make_icons: draws the eight bitmap icons of the Resources directory.
//
//   make_icons [outputDir]      (default "Resources")
//
// Writes 24-bit uncompressed BMP files (BITMAPINFOHEADER, bottom-up rows padded
// to 4 bytes), dark shapes on a white ground:
//   lock_s.bmp, unlock_s.bmp                   32x32  operator lock icons of the view
//   brush_s.bmp, unionSet_s.bmp, delete_s.bmp  64x64  tool bar of the graph window
//   arrow_tail_ss.bmp, arrow_mid_ss.bmp,
//   arrow_head_ss.bmp                          32x32  pieces of a right-pointing arrow
//
// How the program uses them: the lock icons and the arrow pieces get their
// opacity from the red channel (alpha = 255 - red), so black is opaque and
// white transparent; the tool icons are shown as they are. Both windows reverse
// the pixel order before uploading and map the texture upright, so the lock and
// tool icons appear mirrored left-right: their pictures read the same either
// way. The arrow pieces are laid along the link with the image's left column
// at the parent node and the right column at the child, so they point right.
// The middle piece is stretched along the link, so its shaft spans the full
// width with nothing but the band in it. All sizes are powers of two because
// the arrow textures go through mipmap building.
//
// It also draws the application icon, app_icon_<size>.png for sizes 48, 128
// and 256 (RGBA): the installed desktop entry's icon and the main window's.
//
// Drawing: each shape is an inside/outside test in pixel coordinates (x right,
// y down, pixel (i, j) covers [i, i+1] x [j, j+1]), painted with its coverage
// from 8x8 samples per pixel, which gives anti-aliased edges. The application
// icon is drawn in units of its side (0 to 1) so that every size is the same
// picture.

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdint>
#include <fstream>
#include <functional>
#include <iostream>
#include <string>
#include <utility>
#include <vector>

#include <png.h>

namespace {

using Shape = std::function<bool(double x, double y)>;

constexpr int kSamplesPerAxis = 8; // coverage samples per pixel and axis

// Grey levels: 0 black, 1 white.
constexpr float kInk = 0.0f;       // outlines and solid shapes (fully opaque where alpha comes from red)
constexpr float kMidGrey = 0.45f;  // secondary parts (brush ferrule)
constexpr float kFillGrey = 0.72f; // area fills (set union)
constexpr float kPaper = 1.0f;     // background and cut-outs

class Canvas {
public:
    Canvas(int widthPx, int heightPx) : width(widthPx), height(heightPx), grey(size_t(widthPx) * heightPx, kPaper) {}

    // Blends `level` over every pixel by the share of the pixel inside `shape`.
    void paint(const Shape& shape, float level) {
        for (int j = 0; j < height; ++j) {
            for (int i = 0; i < width; ++i) {
                int inside = 0;
                for (int sj = 0; sj < kSamplesPerAxis; ++sj) {
                    for (int si = 0; si < kSamplesPerAxis; ++si) {
                        const double x = i + (si + 0.5) / kSamplesPerAxis;
                        const double y = j + (sj + 0.5) / kSamplesPerAxis;
                        inside += shape(x, y) ? 1 : 0;
                    }
                }
                const float cover = float(inside) / (kSamplesPerAxis * kSamplesPerAxis);
                float& pixel = grey[size_t(j) * width + i];
                pixel = pixel * (1.0f - cover) + level * cover;
            }
        }
    }

    // 24-bit BMP, rows stored bottom-up, each padded to a multiple of 4 bytes.
    bool writeBmp(const std::string& path) const {
        const uint32_t rowBytes = (uint32_t(width) * 3 + 3) & ~3u;
        const uint32_t imageBytes = rowBytes * uint32_t(height);
        const uint32_t headerBytes = 14 + 40;

        std::vector<uint8_t> file;
        auto put16 = [&file](uint32_t v) {
            file.push_back(uint8_t(v));
            file.push_back(uint8_t(v >> 8));
        };
        auto put32 = [&file](uint32_t v) {
            for (int b = 0; b < 4; ++b)
                file.push_back(uint8_t(v >> (8 * b)));
        };
        // BITMAPFILEHEADER
        file.push_back('B');
        file.push_back('M');
        put32(headerBytes + imageBytes); // file size
        put32(0);                        // reserved
        put32(headerBytes);              // offset of the pixel data
        // BITMAPINFOHEADER
        put32(40);             // header size
        put32(uint32_t(width));
        put32(uint32_t(height)); // positive: bottom-up
        put16(1);              // planes
        put16(24);             // bits per pixel
        put32(0);              // BI_RGB, no compression
        put32(imageBytes);
        put32(2835);           // 72 dpi, in pixels per metre
        put32(2835);
        put32(0);              // palette colours
        put32(0);              // important colours

        for (int j = height - 1; j >= 0; --j) {
            for (int i = 0; i < width; ++i) {
                const float level = std::clamp(grey[size_t(j) * width + i], 0.0f, 1.0f);
                const uint8_t v = uint8_t(std::lround(level * 255.0f));
                file.push_back(v); // blue
                file.push_back(v); // green
                file.push_back(v); // red
            }
            for (uint32_t pad = uint32_t(width) * 3; pad < rowBytes; ++pad)
                file.push_back(0);
        }

        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
        return bool(out);
    }

private:
    int width;
    int height;
    std::vector<float> grey; // row-major, top row first
};

// Straight alpha RGBA canvas, transparent to start with. Shapes are given in
// units of the canvas side: (0, 0) top left, (1, 1) bottom right.
class ColourCanvas {
public:
    explicit ColourCanvas(int sidePx) : side(sidePx), rgba(size_t(sidePx) * sidePx * 4, 0.0f) {}

    // Paints `shape` in colour (r, g, b, a), each 0 to 1, over what is there.
    void paint(const Shape& shape, float r, float g, float b, float a) {
        for (int j = 0; j < side; ++j) {
            for (int i = 0; i < side; ++i) {
                int inside = 0;
                for (int sj = 0; sj < kSamplesPerAxis; ++sj) {
                    for (int si = 0; si < kSamplesPerAxis; ++si) {
                        const double x = (i + (si + 0.5) / kSamplesPerAxis) / side;
                        const double y = (j + (sj + 0.5) / kSamplesPerAxis) / side;
                        inside += shape(x, y) ? 1 : 0;
                    }
                }
                const float cover = a * float(inside) / (kSamplesPerAxis * kSamplesPerAxis);
                if (cover <= 0.0f) continue;
                float* pixel = &rgba[(size_t(j) * side + i) * 4];
                const float alpha = cover + pixel[3] * (1.0f - cover);  // "over"
                const float colour[3] = {r, g, b};
                for (int c = 0; c < 3; ++c)
                    pixel[c] = (colour[c] * cover + pixel[c] * pixel[3] * (1.0f - cover)) / alpha;
                pixel[3] = alpha;
            }
        }
    }

    bool writePng(const std::string& path) const {
        FILE* file = std::fopen(path.c_str(), "wb");
        if (file == nullptr) return false;
        png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
        bool ok = info != nullptr;
        std::vector<png_byte> row(size_t(side) * 4);
        if (ok && setjmp(png_jmpbuf(png)) == 0) {
            png_init_io(png, file);
            png_set_IHDR(png, info, uint32_t(side), uint32_t(side), 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE,
                         PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
            png_write_info(png, info);
            for (int j = 0; j < side; ++j) {
                for (size_t k = 0; k < row.size(); ++k)
                    row[k] = png_byte(std::lround(std::clamp(rgba[size_t(j) * side * 4 + k], 0.0f, 1.0f) * 255.0f));
                png_write_row(png, row.data());
            }
            png_write_end(png, nullptr);
        } else {
            ok = false;
        }
        png_destroy_write_struct(&png, &info);
        return std::fclose(file) == 0 && ok;
    }

private:
    int side;                // pixels
    std::vector<float> rgba; // row-major, top row first, straight (not premultiplied) alpha
};

// ---- shapes --------------------------------------------------------------

Shape disc(double cx, double cy, double r) {
    return [=](double x, double y) { return std::hypot(x - cx, y - cy) <= r; };
}

Shape ring(double cx, double cy, double r, double thickness) {
    return [=](double x, double y) { return std::fabs(std::hypot(x - cx, y - cy) - r) <= thickness / 2; };
}

double distanceToSegment(double x, double y, double x0, double y0, double x1, double y1) {
    const double dx = x1 - x0, dy = y1 - y0;
    const double lengthSq = dx * dx + dy * dy;
    double t = lengthSq > 0 ? ((x - x0) * dx + (y - y0) * dy) / lengthSq : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(x - (x0 + t * dx), y - (y0 + t * dy));
}

// Stroke of the given thickness with round caps.
Shape segment(double x0, double y0, double x1, double y1, double thickness) {
    return [=](double x, double y) { return distanceToSegment(x, y, x0, y0, x1, y1) <= thickness / 2; };
}

Shape roundedRect(double left, double top, double right, double bottom, double radius) {
    return [=](double x, double y) {
        const double qx = std::max({left + radius - x, x - (right - radius), 0.0});
        const double qy = std::max({top + radius - y, y - (bottom - radius), 0.0});
        return x >= left && x <= right && y >= top && y <= bottom && std::hypot(qx, qy) <= radius;
    };
}

// Even-odd fill of a closed polygon.
Shape polygon(std::vector<std::pair<double, double>> corners) {
    return [corners = std::move(corners)](double x, double y) {
        bool inside = false;
        for (size_t a = 0, b = corners.size() - 1; a < corners.size(); b = a++) {
            const auto [xa, ya] = corners[a];
            const auto [xb, yb] = corners[b];
            if ((ya > y) != (yb > y) && x < xa + (y - ya) / (yb - ya) * (xb - xa))
                inside = !inside;
        }
        return inside;
    };
}

Shape unite(Shape a, Shape b) {
    return [=](double x, double y) { return a(x, y) || b(x, y); };
}

// Padlock shackle: a half ring above (cx, cy) whose legs run straight down to
// leftEndY and rightEndY (y grows downwards), drawn with round ends.
Shape shackle(double cx, double cy, double r, double thickness, double leftEndY, double rightEndY) {
    return [=](double x, double y) {
        double distance;
        if (y <= cy) {
            distance = std::fabs(std::hypot(x - cx, y - cy) - r);
        } else {
            distance = std::min(distanceToSegment(x, y, cx - r, cy, cx - r, leftEndY),
                                distanceToSegment(x, y, cx + r, cy, cx + r, rightEndY));
        }
        return distance <= thickness / 2;
    };
}

// Drop shape from a round end of radius r at (x0, y0) to a point at (x1, y1).
Shape teardrop(double x0, double y0, double x1, double y1, double r) {
    return [=](double x, double y) {
        const double dx = x1 - x0, dy = y1 - y0;
        const double length = std::hypot(dx, dy);
        const double along = ((x - x0) * dx + (y - y0) * dy) / length;
        const double across = std::fabs((x - x0) * dy - (y - y0) * dx) / length;
        if (along <= 0)
            return std::hypot(x - x0, y - y0) <= r;
        const double t = along / length;
        return t <= 1 && across <= r * std::sqrt(1 - t);
    };
}

// Horizontal wavy stroke from left to right around centreY, one and a half periods.
Shape wave(double left, double right, double centreY, double amplitude, double thickness) {
    return [=](double x, double y) {
        if (x < left || x > right)
            return false;
        const double phase = (x - left) / (right - left) * 3 * 3.14159265358979;
        return std::fabs(y - (centreY + amplitude * std::sin(phase))) <= thickness / 2;
    };
}

// ---- icons ---------------------------------------------------------------

// Padlock on a 32x32 grid: body with a keyhole cut out, shackle closed into the
// body or lifted with its right leg free.
Canvas makeLock(bool locked) {
    Canvas canvas(32, 32);
    constexpr double kShackleX = 16.0, kShackleR = 6.5, kShackleThickness = 3.6;
    constexpr double kBodyTop = 14.0;
    if (locked) {
        canvas.paint(shackle(kShackleX, 12.0, kShackleR, kShackleThickness, kBodyTop + 1, kBodyTop + 1), kInk);
    } else {
        canvas.paint(shackle(kShackleX, 7.5, kShackleR, kShackleThickness, kBodyTop + 1, 10.5), kInk);
    }
    canvas.paint(roundedRect(5.0, kBodyTop, 27.0, 30.0, 3.0), kInk);
    canvas.paint(unite(disc(16.0, 20.5, 2.4), polygon({{15.0, 21.0}, {17.0, 21.0}, {17.6, 26.0}, {14.4, 26.0}})),
                 kPaper);
    return canvas;
}

// Paint brush lying diagonally: handle top right, bristles ending in a point
// at the bottom left, with a short stroke of paint under the tip.
Canvas makeBrush() {
    Canvas canvas(64, 64);
    canvas.paint(segment(55.0, 9.0, 38.0, 26.0, 8.0), kInk);            // handle
    canvas.paint(segment(38.5, 25.5, 30.5, 33.5, 13.0), kMidGrey);      // metal ferrule
    canvas.paint(segment(30.0, 25.0, 39.0, 34.0, 1.6), kPaper);         // crimp line across it
    canvas.paint(teardrop(27.0, 36.5, 10.0, 53.5, 7.5), kInk);               // bristles
    canvas.paint(wave(8.0, 40.0, 58.5, 2.0, 3.2), kMidGrey);           // stroke of paint
    return canvas;
}

// Set union: two overlapping discs, their union shaded, both outlines drawn.
Canvas makeUnionSet() {
    Canvas canvas(64, 64);
    constexpr double kR = 15.5, kY = 32.0, kLeftX = 23.0, kRightX = 41.0, kOutline = 3.2;
    canvas.paint(unite(disc(kLeftX, kY, kR), disc(kRightX, kY, kR)), kFillGrey);
    canvas.paint(ring(kLeftX, kY, kR, kOutline), kInk);
    canvas.paint(ring(kRightX, kY, kR, kOutline), kInk);
    return canvas;
}

// Delete mark: a bold X with round ends.
Canvas makeDelete() {
    Canvas canvas(64, 64);
    constexpr double kLow = 15.0, kHigh = 49.0, kThickness = 9.0;
    canvas.paint(unite(segment(kLow, kLow, kHigh, kHigh, kThickness), segment(kHigh, kLow, kLow, kHigh, kThickness)),
                 kInk);
    return canvas;
}

// Arrow pieces on a 32x32 grid, shaft 8 pixels thick centred on y = 16 so that
// tail, middle and head join along the same band.
constexpr double kArrowSize = 32.0;
constexpr double kShaftTop = 12.0, kShaftBottom = 20.0;
constexpr double kShaftMidY = (kShaftTop + kShaftBottom) / 2;

Shape shaftBand(double left, double right) {
    return [=](double x, double y) { return x >= left && x <= right && y >= kShaftTop && y <= kShaftBottom; };
}

// Start of the arrow: the shaft begins with a round cap a little in from the left.
Canvas makeArrowTail() {
    Canvas canvas(32, 32);
    constexpr double kCapX = 6.0;
    canvas.paint(unite(segment(kCapX, kShaftMidY, kArrowSize, kShaftMidY, kShaftBottom - kShaftTop),
                       shaftBand(kCapX, kArrowSize)),
                 kInk);
    return canvas;
}

// Straight shaft across the whole width: stretches along any length of link.
Canvas makeArrowMid() {
    Canvas canvas(32, 32);
    canvas.paint(shaftBand(0.0, kArrowSize), kInk);
    return canvas;
}

// Arrowhead: the shaft comes in from the left and widens into a triangle whose
// tip touches the right edge, so the point lies on the child's rim.
Canvas makeArrowHead() {
    Canvas canvas(32, 32);
    constexpr double kBaseX = 3.0, kHalfWidth = 13.0, kTipX = 31.0;
    canvas.paint(unite(shaftBand(0.0, kBaseX + 1.0),
                       polygon({{kBaseX, kShaftMidY - kHalfWidth}, {kTipX, kShaftMidY}, {kBaseX, kShaftMidY + kHalfWidth}})),
                 kInk);
    return canvas;
}

// Stroke along a polyline, round caps and joins.
Shape polyline(std::vector<std::pair<double, double>> points, double thickness) {
    return [points = std::move(points), thickness](double x, double y) {
        for (size_t k = 1; k < points.size(); ++k) {
            if (distanceToSegment(x, y, points[k - 1].first, points[k - 1].second, points[k].first,
                                  points[k].second) <= thickness / 2)
                return true;
        }
        return false;
    };
}

// Application icon: a dark rounded tile with four light axes and five
// coloured strands crossing them; three of them gather into one cluster on
// the third axis, as an operator draws its lines together.
ColourCanvas makeAppIcon(int side) {
    ColourCanvas canvas(side);
    canvas.paint(roundedRect(0.04, 0.04, 0.96, 0.96, 0.18), 0.13f, 0.17f, 0.22f, 1.0f);
    const double axisX[4] = {0.2, 0.4, 0.6, 0.8};
    for (double x : axisX) canvas.paint(segment(x, 0.16, x, 0.84, 0.028), 0.82f, 0.85f, 0.88f, 1.0f);
    struct Strand {
        double y[4];  // where it crosses each axis, units of the side
        float r, g, b;
    };
    const Strand strands[] = {
        {{0.25, 0.36, 0.50, 0.30}, 0.98f, 0.55f, 0.14f},
        {{0.44, 0.60, 0.52, 0.40}, 0.98f, 0.55f, 0.14f},
        {{0.70, 0.30, 0.54, 0.62}, 0.98f, 0.55f, 0.14f},
        {{0.78, 0.74, 0.76, 0.74}, 0.20f, 0.78f, 0.80f},
        {{0.62, 0.26, 0.30, 0.78}, 0.90f, 0.32f, 0.62f},
    };
    const double thickness = std::max(0.036, 2.0 / side);
    for (const Strand& strand : strands) {
        std::vector<std::pair<double, double>> points;
        for (int k = 0; k < 4; ++k) points.push_back({axisX[k], strand.y[k]});
        canvas.paint(polyline(points, thickness), strand.r, strand.g, strand.b, 0.95f);
    }
    return canvas;
}

} // namespace

int main(int argc, char** argv) {
    const std::string dir = argc > 1 ? argv[1] : "Resources";
    const std::pair<const char*, Canvas> icons[] = {
        {"lock_s.bmp", makeLock(true)},
        {"unlock_s.bmp", makeLock(false)},
        {"brush_s.bmp", makeBrush()},
        {"unionSet_s.bmp", makeUnionSet()},
        {"delete_s.bmp", makeDelete()},
        {"arrow_tail_ss.bmp", makeArrowTail()},
        {"arrow_mid_ss.bmp", makeArrowMid()},
        {"arrow_head_ss.bmp", makeArrowHead()},
    };
    int failures = 0;
    for (const auto& [name, canvas] : icons) {
        const std::string path = dir + "/" + name;
        if (canvas.writeBmp(path)) {
            std::cout << "wrote " << path << std::endl;
        } else {
            std::cerr << "Can not write " << path << "!" << std::endl;
            ++failures;
        }
    }
    for (int side : {48, 128, 256}) {
        const std::string path = dir + "/app_icon_" + std::to_string(side) + ".png";
        if (makeAppIcon(side).writePng(path)) {
            std::cout << "wrote " << path << std::endl;
        } else {
            std::cerr << "Can not write " << path << "!" << std::endl;
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}
