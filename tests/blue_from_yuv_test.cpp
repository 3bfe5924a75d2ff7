#include "video/blue_from_yuv.h"
#include "video/ffmpeg_raii.h"

extern "C" {
#include <libavutil/common.h>
#include <libavutil/frame.h>
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
}

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace {

constexpr int widest = 130;  // eight blocks of the vectorised kernel, and two pixels
constexpr int rows = 4;

// A picture of random samples, each plane in a buffer exactly as large as
// its rows, so that a read past the last sample fails in the sanitized build.
struct RandomPicture {
    explicit RandomPicture(AVPixelFormat format) : frame(av_frame_alloc())
    {
        const AVPixFmtDescriptor& descriptor = *av_pix_fmt_desc_get(format);
        frame->format = format;
        frame->width = widest;
        frame->height = rows;
        av_image_fill_linesizes(frame->linesize, format, widest);
        std::mt19937 random(format);
        for (int plane = 0; plane < av_pix_fmt_count_planes(format); ++plane) {
            const int planeRows = plane == 0 ? rows : AV_CEIL_RSHIFT(rows, descriptor.log2_chroma_h);
            std::vector<std::uint8_t>& bytes = planes.emplace_back(std::size_t(frame->linesize[plane] * planeRows));
            std::generate(bytes.begin(), bytes.end(), [&] { return std::uint8_t(random()); });
            frame->data[plane] = bytes.data();
        }
    }

    FramePtr frame;
    std::vector<std::vector<std::uint8_t>> planes;
};

// A component's sample of the pixel in row `top` (from the top), column x.
int sample(const AVFrame& picture, const AVPixFmtDescriptor& format, int component, int top, int x)
{
    const AVComponentDescriptor& samples = format.comp[component];
    const int row = component == 0 ? top : top >> format.log2_chroma_h;
    const int column = component == 0 ? x : x >> format.log2_chroma_w;
    return picture.data[samples.plane][row * picture.linesize[samples.plane] + column * samples.step + samples.offset];
}

// The colour equations, in real numbers; BT.709 for the matrices not named.
double blueOf(int colorspace, bool fullRange, int y, int cb, int cr)
{
    const double luma = fullRange ? y : 255.0 / 219 * (y - 16);
    const double blueDifference = (fullRange ? 1.0 : 255.0 / 224) * (cb - 128);
    const double redDifference = (fullRange ? 1.0 : 255.0 / 224) * (cr - 128);
    double blue = luma + (2 - 2 * 0.0722) * blueDifference;
    if (colorspace == AVCOL_SPC_YCGCO)
        blue = luma - blueDifference - redDifference;
    if (colorspace == AVCOL_SPC_BT2020_CL)
        blue = luma + (blueDifference > 0 ? 1.5816 : 1.9404) * blueDifference;
    return std::clamp(blue, 0.0, 255.0);
}

// Each pixel's blue from column `left` on against the equation's, rounded.
void expectTheEquationsBlue(const AVFrame& picture, const AVPixFmtDescriptor& format, int colorspace, bool fullRange,
                            const std::vector<std::uint8_t>& blue, int top, int left = 0)
{
    for (int x = left; x < left + int(blue.size()); ++x) {
        const double expected = blueOf(colorspace, fullRange, sample(picture, format, 0, top, x),
                                       sample(picture, format, 1, top, x), sample(picture, format, 2, top, x));
        ASSERT_NEAR(blue[std::size_t(x - left)], expected, 0.52)
            << format.name << " matrix " << colorspace << " width " << blue.size() << " row " << top << " column " << x;
    }
}

}  // namespace

// Every layout the kernel takes, cut to every width from 1 to 130 (from
// columns 0 to 3, as a stream's crop may cut it), in limited and full
// range: the vectorised blocks and the last pixels, done one by one, must
// give each pixel the same blue whatever the width, and that blue is the
// colour equation's, rounded. Rows are computed into buffers of their
// exact width, so that a store past the end fails in the sanitized build.
TEST(BlueFromYuv, EveryLayoutGivesTheEquationsBlueAtEveryWidth)
{
    for (AVPixelFormat format : {AV_PIX_FMT_YUV444P, AV_PIX_FMT_YUV422P, AV_PIX_FMT_YUV420P, AV_PIX_FMT_YUV440P,
                                 AV_PIX_FMT_NV12, AV_PIX_FMT_NV21, AV_PIX_FMT_YUYV422, AV_PIX_FMT_UYVY422,
                                 AV_PIX_FMT_YVYU422}) {
        const AVPixFmtDescriptor& descriptor = *av_pix_fmt_desc_get(format);
        ASSERT_TRUE(hasBlueKernel(descriptor)) << descriptor.name;
        RandomPicture random(format);
        AVFrame* picture = random.frame.get();
        for (bool fullRange : {false, true}) {
            std::vector<std::vector<std::uint8_t>> widestRows;
            for (int width = widest; width >= 1; --width) {
                const int left = (widest - width) % 4;
                const int top = left % 2;
                const YuvBlue blue(*picture, descriptor, blueFactors(AVCOL_SPC_BT709, fullRange),
                                   {left, top, width, rows - top});
                for (int r = 0; r < rows - top; ++r) {
                    std::vector<std::uint8_t> scratch(std::size_t(width), 0);
                    const BlueRow row = blue.row(r, scratch.data());
                    const std::vector<std::uint8_t> bytes(row.bytes, row.bytes + width);
                    if (width == widest)
                        widestRows.push_back(bytes);
                    ASSERT_TRUE(
                        std::equal(bytes.begin(), bytes.end(), widestRows[std::size_t(top + r)].begin() + left))
                        << descriptor.name << " full range " << fullRange << " width " << width << " row " << r;
                    expectTheEquationsBlue(*picture, descriptor, AVCOL_SPC_BT709, fullRange, bytes, top + r, left);
                }
            }
        }
    }
}

// YCgCo's blue needs both chroma samples, and BT.2020's constant-luminance
// matrix scales Cb by a different factor on each side of zero; from an odd
// column and row.
TEST(BlueFromYuv, MatricesThatNeedMoreThanCbsOneFactor)
{
    for (AVPixelFormat format : {AV_PIX_FMT_YUV444P, AV_PIX_FMT_YUV420P, AV_PIX_FMT_NV21, AV_PIX_FMT_YVYU422}) {
        const AVPixFmtDescriptor& descriptor = *av_pix_fmt_desc_get(format);
        RandomPicture random(format);
        for (int colorspace : {AVCOL_SPC_YCGCO, AVCOL_SPC_BT2020_CL})
            for (bool fullRange : {false, true}) {
                const YuvBlue blue(*random.frame, descriptor, blueFactors(colorspace, fullRange),
                                   {1, 1, widest - 1, rows - 1});
                for (int r = 0; r < rows - 1; ++r) {
                    std::vector<std::uint8_t> scratch(widest - 1, 0);
                    const BlueRow row = blue.row(r, scratch.data());
                    expectTheEquationsBlue(*random.frame, descriptor, colorspace, fullRange,
                                           {row.bytes, row.bytes + widest - 1}, r + 1, 1);
                }
            }
    }
}
