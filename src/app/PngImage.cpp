#include "app/PngImage.h"

#include <png.h>

#include <csetjmp>

#include "data/AtomicFile.h"

namespace {

void appendToString(png_structp png, png_bytep data, png_size_t length) {
    static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), length);
}

void noFlush(png_structp) {}

// Encodes into `out`; false when libpng reports an error.
bool encode(int widthPx, int heightPx, const std::vector<unsigned char>& rgb, std::string* out) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (png == nullptr) return false;
    png_infop info = png_create_info_struct(png);
    bool ok = false;
    if (info != nullptr && setjmp(png_jmpbuf(png)) == 0) {
        png_set_write_fn(png, out, appendToString, noFlush);
        png_set_IHDR(png, info, static_cast<png_uint_32>(widthPx), static_cast<png_uint_32>(heightPx), 8,
                     PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        for (int row = 0; row < heightPx; ++row) {
            png_write_row(png, const_cast<png_bytep>(rgb.data() + static_cast<size_t>(row) * widthPx * 3));
        }
        png_write_end(png, nullptr);
        ok = true;
    }
    png_destroy_write_struct(&png, info != nullptr ? &info : nullptr);
    return ok;
}

}  // namespace

bool writePngFile(const std::string& path, int widthPx, int heightPx, const std::vector<unsigned char>& rgb,
                  std::string* error, const std::vector<ReadFile>& inputs) {
    if (widthPx <= 0 || heightPx <= 0 || rgb.size() != static_cast<size_t>(widthPx) * heightPx * 3) {
        *error = "Cannot write \"" + path + "\": the picture is empty";
        return false;
    }
    std::string encoded;
    if (!encode(widthPx, heightPx, rgb, &encoded)) {
        *error = "Cannot write \"" + path + "\": the picture could not be encoded";
        return false;
    }
    return writeFileAtomically(path, encoded, error, inputs);
}
