// Pictures in the pixel formats decoders hand over, at awkward sizes and with
// the colours a stream signals: the bitmap's blue must be what the colour
// equations give for the planes the test wrote, computed here in double
// precision.
#include "average/average_video.h"
#include "samples/clip_writer.h"
#include "tests/support/pictures.h"

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
}

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>

namespace {

// The planes of one picture, each component's samples row by row at its
// own (subsampled) size, at the format's bit depth.
struct Planes {
    int width;
    int height;
    std::vector<std::vector<std::uint16_t>> components;  // Y, Cb, Cr or R, G, B or palette indices
    std::vector<std::uint32_t> palette = {};              // 0xAARRGGBB, for pal8
};

std::uint32_t nextRandom(std::uint32_t& state)
{
    state = state * 1664525u + 1013904223u;
    return state >> 8;
}

int chromaWidth(const AVPixFmtDescriptor& format, int width) { return -((-width) >> format.log2_chroma_w); }
int chromaHeight(const AVPixFmtDescriptor& format, int height) { return -((-height) >> format.log2_chroma_h); }

// 0 to 127 and back, one step a column, for chroma at any width.
int ramp(int x) { return x % 256 < 128 ? x % 256 : 255 - x % 256; }

// Luma (or red, green, blue, or a palette index) is noise; chroma changes
// from column to column, slowly, and not from row to row, so that every way
// of upsampling it lands within a level or two of the equations.
Planes makePlanes(const AVPixFmtDescriptor& format, int width, int height, std::uint32_t seed)
{
    Planes planes{width, height, {}};
    const bool yuv = !(format.flags & (AV_PIX_FMT_FLAG_RGB | AV_PIX_FMT_FLAG_PAL));
    for (int c = 0; c < format.nb_components; ++c) {
        const int depth = format.comp[c].depth;
        const bool chroma = yuv && c > 0;
        const int w = chroma ? chromaWidth(format, width) : width;
        const int h = chroma ? chromaHeight(format, height) : height;
        std::vector<std::uint16_t>& samples = planes.components.emplace_back(std::size_t(w) * h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                int value = int(nextRandom(seed) % (1u << depth));
                if (yuv && !chroma)
                    value = (40 + int(nextRandom(seed) % 141)) << (depth - 8);
                else if (chroma)
                    value = (c == 1 ? 64 + ramp(x) : 192 - ramp(x)) << (depth - 8);
                samples[std::size_t(y) * w + x] = std::uint16_t(value);
            }
    }
    if (format.flags & AV_PIX_FMT_FLAG_PAL)
        for (int i = 0; i < 256; ++i)
            planes.palette.push_back(0xFF000000u | (nextRandom(seed) & 0xFFFFFFu));
    return planes;
}

void fill(const AVPixFmtDescriptor& format, const Planes& planes, std::uint8_t* const* data, const int* strides)
{
    std::uint8_t* pointers[4] = {data[0], data[1], data[2], data[3]};
    const bool yuv = !(format.flags & (AV_PIX_FMT_FLAG_RGB | AV_PIX_FMT_FLAG_PAL));
    // av_write_image_line2 adds bits to what is there.
    for (int plane = 0; plane < 4 && data[plane] && !(plane == 1 && (format.flags & AV_PIX_FMT_FLAG_PAL)); ++plane)
        for (int y = 0; y < (plane > 0 ? chromaHeight(format, planes.height) : planes.height); ++y)
            std::fill_n(data[plane] + std::ptrdiff_t(y) * strides[plane], strides[plane], 0);
    for (int c = 0; c < format.nb_components; ++c) {
        const bool chroma = yuv && c > 0;
        const int w = chroma ? chromaWidth(format, planes.width) : planes.width;
        const int h = chroma ? chromaHeight(format, planes.height) : planes.height;
        for (int y = 0; y < h; ++y)
            av_write_image_line2(&planes.components[c][std::size_t(y) * w], pointers, strides, &format, 0, y, c, w, 2);
    }
    if (!planes.palette.empty())
        std::copy(planes.palette.begin(), planes.palette.end(), reinterpret_cast<std::uint32_t*>(data[1]));
}

// Kb of a matrix: blue = Y + (2 - 2 Kb) Pb.
double kb(const std::string& matrix)
{
    if (matrix == "bt709")
        return 0.0722;
    if (matrix == "bt2020nc")
        return 0.0593;
    if (matrix == "smpte240m")
        return 0.087;
    if (matrix == "fcc")
        return 0.11;
    return 0.114;  // BT.601, also when nothing is signalled
}

// The blue of each pixel, top row first.
std::vector<double> blueOf(const AVPixFmtDescriptor& format, const Planes& planes, const std::string& matrix,
                           bool fullRange)
{
    std::vector<double> blue(std::size_t(planes.width) * planes.height);
    const bool yuv = !(format.flags & (AV_PIX_FMT_FLAG_RGB | AV_PIX_FMT_FLAG_PAL));
    const int depth = format.comp[0].depth;
    const double scale = std::ldexp(1.0, 8 - depth);  // to 8-bit levels
    const int cw = chromaWidth(format, planes.width);
    for (int y = 0; y < planes.height; ++y)
        for (int x = 0; x < planes.width; ++x) {
            const std::size_t at = std::size_t(y) * planes.width + x;
            double value;
            if (format.flags & AV_PIX_FMT_FLAG_PAL) {
                value = planes.palette[planes.components[0][at]] & 0xFF;
            } else if (!yuv) {
                // Fewer than 8 bits are widened by repeating the top bits.
                const int stored = planes.components[2][at];
                const int bits = format.comp[2].depth;
                value = bits == 8 ? stored : (stored << (8 - bits)) | (stored >> (2 * bits - 8));
            } else {
                const double luma = planes.components[0][at] * scale;
                const double cb = format.nb_components > 1
                                      ? planes.components[1][std::size_t(y >> format.log2_chroma_h) * cw +
                                                             (x >> format.log2_chroma_w)] * scale
                                      : 128;
                // Greyscale pictures are their own grey levels.
                const bool full = fullRange || format.nb_components == 1;
                const double y8 = full ? luma : (luma - 16) * 255 / 219;
                const double pb = full ? cb - 128 : (cb - 128) * 255 / 224;
                value = y8 + (2 - 2 * kb(matrix)) * pb;
            }
            blue[at] = std::clamp(value, 0.0, 255.0);
        }
    return blue;
}

struct GridCase {
    ClipFormat format;
    int tolerance;
};

// Writes two pictures of the case, averages them on one worker and on 16
// (which must agree byte for byte), and returns the largest distance from
// the expected blue: with two frames each pixel's result is the smaller of
// its two values.
int largestError(const std::filesystem::path& file, const GridCase& grid, int width, int height, bool fullRange)
{
    const AVPixFmtDescriptor& format = *av_pix_fmt_desc_get(av_get_pix_fmt(grid.format.pixelFormat.c_str()));
    std::vector<std::vector<double>> blues;
    {
        ClipWriter writer(file.string(), width, height, grid.format);
        for (std::uint32_t seed : {1u, 2u}) {
            const Planes planes = makePlanes(format, width, height, seed * 7919 + std::uint32_t(width));
            writer.writePlanes([&](std::uint8_t* const* data, const int* strides) { fill(format, planes, data, strides); });
            blues.push_back(blueOf(format, planes, grid.format.colorspace, fullRange));
        }
        writer.finish();
    }
    const GreyImage image = averageVideo(file.string(), {.workers = 1});
    EXPECT_EQ(averageVideo(file.string(), {.workers = 16}).pixels, image.pixels);
    EXPECT_EQ(image.width, width);
    EXPECT_EQ(image.height, height);
    if (image.width != width || image.height != height)
        return 256;
    int largest = 0;
    for (std::size_t at = 0; at < image.pixels.size(); ++at) {
        const double expected = std::min(blues[0][at], blues[1][at]);
        largest = std::max(largest, int(std::ceil(std::abs(image.pixels[at] - expected) - 0.5)));
    }
    return largest;
}

bool isFullRange(const ClipFormat& format)
{
    return format.colorRange == "pc" || format.pixelFormat.starts_with("yuvj");
}

}  // namespace

// Every pixel format at every awkward width, odd and even heights: each
// column right, nothing written past a buffer (the converter's canary and
// the sanitizers would fail the file).
TEST(PictureFormats, EveryFormatAtEveryWidthGivesTheBlueOfItsPlanes)
{
    ScratchDirectory directory;
    // FFV1 version 1, which codes any size; from FFmpeg 8 the default is
    // version 3, whose slices refuse the narrowest pictures.
    const std::string ffv1 = "level=1";
    const GridCase cases[] = {
        {{.encoder = "rawvideo", .pixelFormat = "yuv420p"}, 3},
        {{.encoder = "rawvideo", .pixelFormat = "yuv422p"}, 3},
        {{.encoder = "ffv1", .pixelFormat = "yuv444p", .options = ffv1}, 3},
        {{.encoder = "rawvideo", .pixelFormat = "nv12"}, 3},
        {{.encoder = "rawvideo", .pixelFormat = "yuyv422"}, 3},
        {{.encoder = "rawvideo", .pixelFormat = "uyvy422"}, 3},
        {{.encoder = "rawvideo", .pixelFormat = "gray"}, 3},
        {{.encoder = "ffv1", .pixelFormat = "yuv420p10le", .options = ffv1}, 3},
        {{.encoder = "ljpeg", .pixelFormat = "yuvj420p"}, 3},
        {{.encoder = "ljpeg", .pixelFormat = "yuvj422p"}, 3},
        {{.encoder = "rawvideo", .pixelFormat = "bgr24"}, 0},
        {{.encoder = "ffv1", .pixelFormat = "bgr0", .options = ffv1}, 0},
        {{.encoder = "rawvideo", .pixelFormat = "rgb555le"}, 0},
        {{.encoder = "rawvideo", .pixelFormat = "pal8"}, 0},
    };
    int compared = 0;
    for (const GridCase& grid : cases)
        for (int width : {1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11,  12,  13,  14,  15,
                          16, 17, 31, 33, 66, 70, 72, 100, 130, 854, 1080})
            for (int height : {5, 6}) {
                GridCase avi = grid;
                avi.format.container = "avi";
                const int error = largestError(directory / "grid.avi", avi, width, height, isFullRange(grid.format));
                EXPECT_LE(error, grid.tolerance) << grid.format.pixelFormat << " " << width << "x" << height;
                ++compared;
            }
    EXPECT_EQ(compared, 14 * 26 * 2);
}

// The matrix and the range a stream signals, each where it differs from
// BT.601 limited range by more than the tolerance.
TEST(PictureFormats, SignalledMatrixAndRangeAreHonoured)
{
    if (!hasEncoder("libx264"))
        GTEST_SKIP() << "this FFmpeg has no libx264, the encoder that signals every matrix and range";
    ScratchDirectory directory;
    for (const char* matrix : {"bt470bg", "bt709", "bt2020nc", "smpte240m", "fcc"})
        for (const char* range : {"tv", "pc"}) {
            const GridCase grid{{.encoder = "libx264",
                                 .pixelFormat = "yuv420p",
                                 .options = "qp=0",
                                 .container = "avi",
                                 .colorspace = matrix,
                                 .colorRange = range},
                                3};
            for (int width : {66, 854})
                EXPECT_LE(largestError(directory / "signalled.avi", grid, width, 10, isFullRange(grid.format)), 3)
                    << matrix << " " << range << " " << width;
        }
}
