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

constexpr int widest = 80;  // five blocks of the vectorised kernel
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

// BT.709 in limited range, in real numbers.
double blueOf(int luma, int chroma)
{
    const double blue = 255.0 / 219 * (luma - 16) + (2 - 2 * 0.0722) * 255.0 / 224 * (chroma - 128);
    return std::clamp(blue, 0.0, 255.0);
}

}  // namespace

// Every layout the kernel takes, cut to every width from 1 to 80: the
// vectorised blocks and the last pixels, done one by one, must give each
// pixel the same blue whatever the width, and that blue is the colour
// equation's, rounded. Rows are computed into buffers of their exact width,
// so that a store past the end fails in the sanitized build.
TEST(BlueFromYuv, EveryLayoutGivesTheEquationsBlueAtEveryWidth)
{
    for (AVPixelFormat format : {AV_PIX_FMT_YUV444P, AV_PIX_FMT_YUV422P, AV_PIX_FMT_YUV420P, AV_PIX_FMT_YUV440P,
                                 AV_PIX_FMT_NV12, AV_PIX_FMT_NV21, AV_PIX_FMT_YUYV422, AV_PIX_FMT_UYVY422,
                                 AV_PIX_FMT_YVYU422}) {
        const AVPixFmtDescriptor& descriptor = *av_pix_fmt_desc_get(format);
        ASSERT_TRUE(hasBlueKernel(descriptor)) << descriptor.name;
        RandomPicture random(format);
        AVFrame* picture = random.frame.get();
        std::vector<std::vector<std::uint8_t>> widestRows;
        for (int width = widest; width >= 1; --width) {
            picture->width = width;
            const YuvBlue blue(*picture, descriptor, blueFactors(AVCOL_SPC_BT709, false));
            for (int r = 0; r < rows; ++r) {
                std::vector<std::uint8_t> scratch(std::size_t(width), 0);
                const BlueRow row = blue.row(r, scratch.data());
                const std::vector<std::uint8_t> bytes(row.bytes, row.bytes + width);
                if (width == widest)
                    widestRows.push_back(bytes);
                ASSERT_TRUE(std::equal(bytes.begin(), bytes.end(), widestRows[std::size_t(r)].begin()))
                    << descriptor.name << " width " << width << " row " << r;
                const int top = rows - 1 - r;
                for (int x = 0; x < width; ++x)
                    ASSERT_NEAR(bytes[std::size_t(x)],
                                blueOf(sample(*picture, descriptor, 0, top, x), sample(*picture, descriptor, 1, top, x)),
                                0.52)
                        << descriptor.name << " width " << width << " row " << r << " column " << x;
            }
        }
    }
}
