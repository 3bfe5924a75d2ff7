#include "video/blue_from_yuv.h"

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixdesc.h>
}

#include <algorithm>
#include <cmath>

namespace {

constexpr int fractionBits = 16;

[[gnu::always_inline]] inline std::uint8_t blueOf(int luma, int chromaTerm, BlueFactors factors)
{
    const int value = (factors.luma * (luma - factors.lumaOffset) + chromaTerm) >> fractionBits;
    return std::uint8_t(std::clamp(value, 0, 255));
}

// One row: luma samples `LumaStep` bytes apart, chroma samples `ChromaStep`
// bytes apart, one per pixel or one per pair of pixels. The rounding half is
// folded into the chroma term.
template <int LumaStep, int ChromaStep, bool Pairs>
[[gnu::always_inline]] inline void blueRow(const std::uint8_t* y, const std::uint8_t* cb, std::uint8_t* blue, int width,
                                           BlueFactors factors)
{
    const int half = 1 << (fractionBits - 1);
    if (!Pairs) {
        for (int j = 0; j < width; ++j)
            blue[j] = blueOf(y[j * LumaStep], factors.chroma * (cb[j * ChromaStep] - 128) + half, factors);
        return;
    }
    for (int c = 0; c < width / 2; ++c) {
        const int chroma = factors.chroma * (cb[c * ChromaStep] - 128) + half;
        blue[2 * c] = blueOf(y[2 * c * LumaStep], chroma, factors);
        blue[2 * c + 1] = blueOf(y[(2 * c + 1) * LumaStep], chroma, factors);
    }
    if (width % 2)
        blue[width - 1] = blueOf(y[(width - 1) * LumaStep], factors.chroma * (cb[width / 2 * ChromaStep] - 128) + half,
                                 factors);
}

// The layouts, each built for AVX2 and for the baseline processor.
[[gnu::target_clones("avx2", "default")]] void planarRow(const std::uint8_t* y, const std::uint8_t* cb,
                                                         std::uint8_t* blue, int width, BlueFactors factors)
{
    blueRow<1, 1, false>(y, cb, blue, width, factors);
}

[[gnu::target_clones("avx2", "default")]] void halfPlanarRow(const std::uint8_t* y, const std::uint8_t* cb,
                                                             std::uint8_t* blue, int width, BlueFactors factors)
{
    blueRow<1, 1, true>(y, cb, blue, width, factors);
}

[[gnu::target_clones("avx2", "default")]] void semiPlanarRow(const std::uint8_t* y, const std::uint8_t* cb,
                                                             std::uint8_t* blue, int width, BlueFactors factors)
{
    blueRow<1, 2, true>(y, cb, blue, width, factors);
}

[[gnu::target_clones("avx2", "default")]] void packedRow(const std::uint8_t* y, const std::uint8_t* cb,
                                                         std::uint8_t* blue, int width, BlueFactors factors)
{
    blueRow<2, 4, true>(y, cb, blue, width, factors);
}

using RowFunction = void (*)(const std::uint8_t*, const std::uint8_t*, std::uint8_t*, int, BlueFactors);

RowFunction rowFunction(const AVPixFmtDescriptor& format)
{
    const int lumaStep = format.comp[0].step;
    const int chromaStep = format.comp[1].step;
    const bool pairs = format.log2_chroma_w == 1;
    if (lumaStep == 1 && chromaStep == 1)
        return pairs ? halfPlanarRow : planarRow;
    if (lumaStep == 1 && chromaStep == 2 && pairs)
        return semiPlanarRow;
    if (lumaStep == 2 && chromaStep == 4 && pairs)
        return packedRow;
    return nullptr;
}

// Kb of the matrices that define one, as AVColorSpace numbers them.
double blueWeight(int colorspace)
{
    switch (colorspace) {
    case AVCOL_SPC_BT709:
        return 0.0722;
    case AVCOL_SPC_FCC:
        return 0.11;
    case AVCOL_SPC_SMPTE240M:
        return 0.087;
    case AVCOL_SPC_BT2020_NCL:
    case AVCOL_SPC_BT2020_CL:
        return 0.0593;
    default:
        return 0.114;  // BT.601 (BT.470BG, SMPTE 170M), and what signals none
    }
}

}  // namespace

BlueFactors blueFactors(int colorspace, bool fullRange)
{
    const double one = 1 << fractionBits;
    const double chroma = (2 - 2 * blueWeight(colorspace)) * (fullRange ? 1.0 : 255.0 / 224);
    return {int(std::lround(one * (fullRange ? 1.0 : 255.0 / 219))), fullRange ? 0 : 16, int(std::lround(one * chroma))};
}

bool hasBlueKernel(const AVPixFmtDescriptor& format)
{
    if (format.flags & (AV_PIX_FMT_FLAG_RGB | AV_PIX_FMT_FLAG_PAL | AV_PIX_FMT_FLAG_BITSTREAM | AV_PIX_FMT_FLAG_BE))
        return false;
    if (format.nb_components < 3 || format.log2_chroma_w > 1 || format.log2_chroma_h > 1)
        return false;
    for (int c = 0; c < 2; ++c)
        if (format.comp[c].depth != 8 || format.comp[c].shift != 0)
            return false;
    return rowFunction(format) != nullptr;
}

void computeBlue(const AVFrame& picture, const AVPixFmtDescriptor& format, BlueFactors factors, std::uint8_t* blue,
                 std::ptrdiff_t stride)
{
    const RowFunction row = rowFunction(format);
    const AVComponentDescriptor& luma = format.comp[0];
    const AVComponentDescriptor& chroma = format.comp[1];
    for (int r = 0; r < picture.height; ++r) {
        const std::uint8_t* y = picture.data[luma.plane] + std::ptrdiff_t(r) * picture.linesize[luma.plane] + luma.offset;
        const std::uint8_t* cb = picture.data[chroma.plane] +
                                 std::ptrdiff_t(r >> format.log2_chroma_h) * picture.linesize[chroma.plane] +
                                 chroma.offset;
        row(y, cb, blue + r * stride, picture.width, factors);
    }
}
