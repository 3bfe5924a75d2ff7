#include "video/blue_from_yuv.h"

#include "system/processor.h"

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixdesc.h>
}

#include <algorithm>
#include <cmath>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace {

// Fractional bits of the factors: the largest number that keeps every factor
// within a signed 16-bit word, which the vectorised kernel multiplies by.
constexpr int fractionBits = 13;

// Rows ahead of the one computed whose samples are fetched into the cache.
constexpr int prefetchDistance = 2;
constexpr int cacheLine = 64;

// What the factors add to luma * factors.luma + Cb * factors.chroma: the
// offsets of luma and chroma, and half for rounding.
[[gnu::always_inline]] inline int constantTerm(BlueFactors factors)
{
    return -factors.luma * factors.lumaOffset - factors.chroma * 128 + (1 << (fractionBits - 1));
}

[[gnu::always_inline]] inline std::uint8_t blueOf(int luma, int chroma, BlueFactors factors, int constant)
{
    const int value = (factors.luma * luma + factors.chroma * chroma + constant) >> fractionBits;
    return std::uint8_t(std::clamp(value, 0, 255));
}

// Pixels `from` to `width` of a row: luma samples `LumaStep` bytes apart,
// chroma samples `ChromaStep` bytes apart, one per pixel or, with `Pairs`,
// one per pair of pixels.
template <int LumaStep, int ChromaStep, bool Pairs>
void blueRow(const std::uint8_t* y, const std::uint8_t* cb, std::uint8_t* blue, int from, int width,
             BlueFactors factors)
{
    const int constant = constantTerm(factors);
    for (int j = from; j < width; ++j)
        blue[j] = blueOf(y[j * LumaStep], cb[(Pairs ? j / 2 : j) * ChromaStep], factors, constant);
}

#if defined(__x86_64__)

// 16 pixels' luma and blue-difference chroma, one byte each, in order.
struct Samples16 {
    __m128i luma;
    __m128i chroma;
};

template <int LumaStep, int ChromaStep, bool Pairs>
[[gnu::target("avx2"), gnu::always_inline]] inline Samples16 load16(const std::uint8_t* y, const std::uint8_t* cb)
{
    const auto at = [](const std::uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); };
    if constexpr (LumaStep == 1 && ChromaStep == 1 && !Pairs)
        return {at(y), at(cb)};
    if constexpr (LumaStep == 1 && ChromaStep == 1) {
        const __m128i eight = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(cb));
        return {at(y), _mm_unpacklo_epi8(eight, eight)};
    }
    if constexpr (LumaStep == 1 && ChromaStep == 2)
        return {at(y), _mm_shuffle_epi8(at(cb), _mm_setr_epi8(0, 0, 2, 2, 4, 4, 6, 6, 8, 8, 10, 10, 12, 12, 14, 14))};
    // Packed 4:2:2: luma every other byte, chroma every fourth.
    const __m128i lowBytes = _mm_set1_epi16(0x00FF);
    const __m128i luma = _mm_packus_epi16(_mm_and_si128(at(y), lowBytes), _mm_and_si128(at(y + 16), lowBytes));
    const __m128i first = _mm_setr_epi8(0, 0, 4, 4, 8, 8, 12, 12, -1, -1, -1, -1, -1, -1, -1, -1);
    const __m128i second = _mm_setr_epi8(-1, -1, -1, -1, -1, -1, -1, -1, 0, 0, 4, 4, 8, 8, 12, 12);
    return {luma, _mm_or_si128(_mm_shuffle_epi8(at(cb), first), _mm_shuffle_epi8(at(cb + 16), second))};
}

// The row 16 pixels at a time: the luma and chroma words interleaved, each
// pair multiplied by the two factors and summed (pmaddwd), shifted, and
// packed to bytes with saturation, which is the clamp to 0..255. The same
// integers as blueOf, so that the last pixels, done one by one, match.
template <int LumaStep, int ChromaStep, bool Pairs>
[[gnu::target("avx2")]] void blueRowAvx2(const std::uint8_t* y, const std::uint8_t* cb, std::uint8_t* blue, int width,
                                         BlueFactors factors)
{
    // Loads reach this many bytes past the last sample they use.
    constexpr int overreach = LumaStep == 2 ? 2 : ChromaStep == 2 ? 1 : 0;
    const __m256i multipliers = _mm256_set1_epi32(int(std::uint32_t(factors.chroma) << 16 |
                                                      std::uint16_t(factors.luma)));
    const __m256i constant = _mm256_set1_epi32(constantTerm(factors));
    int j = 0;
    for (; j + 16 + overreach <= width; j += 16) {
        const Samples16 samples = load16<LumaStep, ChromaStep, Pairs>(y + j * LumaStep,
                                                                      cb + (Pairs ? j / 2 : j) * ChromaStep);
        const __m256i luma = _mm256_cvtepu8_epi16(samples.luma);
        const __m256i chroma = _mm256_cvtepu8_epi16(samples.chroma);
        // Pixels 0-3 and 8-11, then 4-7 and 12-15 (AVX2 works in 128-bit lanes).
        __m256i low = _mm256_madd_epi16(_mm256_unpacklo_epi16(luma, chroma), multipliers);
        __m256i high = _mm256_madd_epi16(_mm256_unpackhi_epi16(luma, chroma), multipliers);
        low = _mm256_srai_epi32(_mm256_add_epi32(low, constant), fractionBits);
        high = _mm256_srai_epi32(_mm256_add_epi32(high, constant), fractionBits);
        const __m256i words = _mm256_packs_epi32(low, high);  // 0-7 | 8-15
        const __m128i bytes = _mm_packus_epi16(_mm256_castsi256_si128(words), _mm256_extracti128_si256(words, 1));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(blue + j), bytes);
    }
    blueRow<LumaStep, ChromaStep, Pairs>(y, cb, blue, j, width, factors);
}

#endif

// The row pixel by pixel, for processors without AVX2.
template <int LumaStep, int ChromaStep, bool Pairs>
void wholeRow(const std::uint8_t* y, const std::uint8_t* cb, std::uint8_t* blue, int width, BlueFactors factors)
{
    blueRow<LumaStep, ChromaStep, Pairs>(y, cb, blue, 0, width, factors);
}

using RowFunction = YuvBlue::RowFunction;

// The layout's row function, vectorised where the processor has AVX2.
template <int LumaStep, int ChromaStep, bool Pairs>
RowFunction rowFor()
{
#if defined(__x86_64__)
    constexpr RowFunction avx2 = blueRowAvx2<LumaStep, ChromaStep, Pairs>;
#else
    constexpr RowFunction avx2 = nullptr;
#endif
    return kernelFor(wholeRow<LumaStep, ChromaStep, Pairs>, avx2);
}

RowFunction rowFunction(const AVPixFmtDescriptor& format)
{
    const int lumaStep = format.comp[0].step;
    const int chromaStep = format.comp[1].step;
    const bool pairs = format.log2_chroma_w == 1;
    if (lumaStep == 1 && chromaStep == 1)
        return pairs ? rowFor<1, 1, true>() : rowFor<1, 1, false>();
    if (lumaStep == 1 && chromaStep == 2 && pairs)
        return rowFor<1, 2, true>();
    if (lumaStep == 2 && chromaStep == 4 && pairs)
        return rowFor<2, 4, true>();
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
        return 0.0593;
    default:
        return 0.114;  // BT.601 (BT.470BG, SMPTE 170M), and what signals none
    }
}

}  // namespace

BlueFactors blueFactors(int colorspace, bool fullRange)
{
    const double chromaScale = fullRange ? 1.0 : 255.0 / 224;
    const auto fixed = [](double factor) { return std::int32_t(std::lround(factor * (1 << fractionBits))); };
    BlueFactors factors{fixed(fullRange ? 1.0 : 255.0 / 219), fullRange ? 0 : 16, 0, 0, 0};
    switch (colorspace) {
    case AVCOL_SPC_YCGCO:
        factors.chroma = factors.chromaAbove = factors.redChroma = fixed(-chromaScale);
        break;
    case AVCOL_SPC_BT2020_CL:
        factors.chroma = fixed(1.9404 * chromaScale);
        factors.chromaAbove = fixed(1.5816 * chromaScale);
        break;
    default:
        factors.chroma = factors.chromaAbove = fixed((2 - 2 * blueWeight(colorspace)) * chromaScale);
    }
    return factors;
}

bool hasBlueKernel(const AVPixFmtDescriptor& format)
{
    if (format.flags & (AV_PIX_FMT_FLAG_RGB | AV_PIX_FMT_FLAG_PAL | AV_PIX_FMT_FLAG_BITSTREAM | AV_PIX_FMT_FLAG_BE))
        return false;
    if (format.nb_components < 3 || format.log2_chroma_w > 1 || format.log2_chroma_h > 1)
        return false;
    for (int c = 0; c < 3; ++c)
        if (format.comp[c].depth != 8 || format.comp[c].shift != 0)
            return false;
    return rowFunction(format) != nullptr;
}

YuvBlue::YuvBlue(const AVFrame& picture, const AVPixFmtDescriptor& format, BlueFactors factors, PictureArea area)
    : BlueRows(area.height, area.width), picture_(picture), format_(format), area_(area),
      function_(factors.chromaAbove == factors.chroma && factors.redChroma == 0 ? rowFunction(format) : nullptr),
      factors_(factors)
{
}

// A component's sample for the pixel in row `row` (from the top of the
// picture as coded) and column `column`.
const std::uint8_t* YuvBlue::samples(int component, int row, int column) const
{
    const AVComponentDescriptor& samples = format_.comp[component];
    const int planeRow = component == 0 ? row : row >> format_.log2_chroma_h;
    const int planeColumn = component == 0 ? column : column >> format_.log2_chroma_w;
    return picture_.data[samples.plane] + std::ptrdiff_t(planeRow) * picture_.linesize[samples.plane] +
           std::ptrdiff_t(planeColumn) * samples.step + samples.offset;
}

BlueRow YuvBlue::row(std::int32_t r, std::uint8_t* scratch) const
{
    const int top = area_.top + r;
    // The picture was mostly written by a decoder thread on another core:
    // rows a little further on are asked for now, so that the kernel does not
    // wait for each cache line as it reaches it.
    if (const int ahead = r + prefetchDistance; ahead < height()) {
        const std::uint8_t* luma = samples(0, area_.top + ahead, area_.left);
        const std::uint8_t* chroma = samples(1, area_.top + ahead, area_.left);
        const int lumaBytes = width() * format_.comp[0].step;
        const int chromaBytes = ((width() + 1) >> format_.log2_chroma_w) * format_.comp[1].step;
        for (int offset = 0; offset < lumaBytes; offset += cacheLine)
            __builtin_prefetch(luma + offset);
        for (int offset = 0; offset < chromaBytes; offset += cacheLine)
            __builtin_prefetch(chroma + offset);
    }
    if (!function_) {
        anyMatrixRow(top, scratch);
        return {scratch, 1};
    }
    // An area that starts at an odd column of chroma shared by pairs of
    // pixels starts with the second pixel of a pair: that pixel is computed
    // on its own, the rest pair by pair.
    int first = 0;
    if ((area_.left & 1) && format_.log2_chroma_w == 1) {
        function_(samples(0, top, area_.left), samples(1, top, area_.left), scratch, 1, factors_);
        first = 1;
    }
    if (first < width())
        function_(samples(0, top, area_.left + first), samples(1, top, area_.left + first), scratch + first,
                  width() - first, factors_);
    return {scratch, 1};
}

// Pixel by pixel with all three samples, for the matrices the kernel does not
// serve (YCgCo, BT.2020 constant luminance), which are rare.
void YuvBlue::anyMatrixRow(int top, std::uint8_t* blue) const
{
    for (int x = 0; x < width(); ++x) {
        const int column = area_.left + x;
        const int blueDifference = *samples(1, top, column) - 128;
        const int redDifference = *samples(2, top, column) - 128;
        const int value = factors_.luma * (*samples(0, top, column) - factors_.lumaOffset) +
                          (blueDifference > 0 ? factors_.chromaAbove : factors_.chroma) * blueDifference +
                          factors_.redChroma * redDifference + (1 << (fractionBits - 1));
        blue[x] = std::uint8_t(std::clamp(value >> fractionBits, 0, 255));
    }
}
