// The per-frame work on a 1920 x 1080 frame, beside a memcpy of the same
// bytes: adding the blue bytes of a 24-bit frame to the sums and maxima, once
// and as a run of repeated frames; computing the blue of a 4:2:0 picture
// from its luma and chroma, beside a memcpy of its luma plane; and both, a
// 4:2:0 picture's blue computed row by row into the sums.

#include "average/pixel_accumulator.h"
#include "video/blue_from_yuv.h"
#include "video/ffmpeg_raii.h"

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixdesc.h>
}

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

namespace {

constexpr std::size_t pixels = 1920 * 1080;

std::vector<std::uint8_t> someBytes(std::size_t size)
{
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = std::uint8_t(i * 7919 >> 3);
    return bytes;
}

// A memcpy of a frame of the given bytes a pixel: 3 for 24-bit, 1 for a
// luma plane.
void Memcpy(benchmark::State& state)
{
    const std::vector<std::uint8_t> source = someBytes(std::size_t(state.range(0)) * pixels);
    std::vector<std::uint8_t> target(source.size());
    for (auto _ : state) {
        std::memcpy(target.data(), source.data(), target.size());
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations() * target.size()));
}

void AccumulateFrame(benchmark::State& state)
{
    const std::uint64_t repeats = std::uint64_t(state.range(0));
    const std::vector<std::uint8_t> frame = someBytes(3 * pixels);
    PixelAccumulator accumulator(1080, 1920);
    for (auto _ : state) {
        accumulator.add(BluePlane{frame.data(), 3, 3 * 1920, 1080, 1920}, repeats);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations() * frame.size()));
}

// A 1920 x 1080 4:2:0 picture of varied bytes; none if it cannot be made.
FramePtr yuv420Picture()
{
    FramePtr picture(av_frame_alloc());
    picture->format = AV_PIX_FMT_YUV420P;
    picture->width = 1920;
    picture->height = 1080;
    if (av_frame_get_buffer(picture.get(), 0) < 0)
        return nullptr;
    for (int plane = 0; plane < 3; ++plane) {
        const std::vector<std::uint8_t> bytes = someBytes(std::size_t(picture->linesize[plane]) * 1080);
        std::memcpy(picture->data[plane], bytes.data(), bytes.size() >> (plane > 0 ? 1 : 0));
    }
    return picture;
}

void BlueFromYuv420(benchmark::State& state)
{
    const FramePtr picture = yuv420Picture();
    if (!picture)
        return state.SkipWithError("no picture");
    std::vector<std::uint8_t> blue(pixels);
    const YuvBlue rows(*picture, *av_pix_fmt_desc_get(AV_PIX_FMT_YUV420P), blueFactors(AVCOL_SPC_BT709, false),
                       {0, 0, 1920, 1080});
    for (auto _ : state) {
        for (std::int32_t r = 0; r < 1080; ++r)
            rows.row(r, blue.data() + std::ptrdiff_t(r) * 1920);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations() * blue.size()));
}

// A decoded 4:2:0 picture's blue computed and added, a row at a time, as
// the reader hands pictures to the sums.
void AddYuv420Picture(benchmark::State& state)
{
    const FramePtr picture = yuv420Picture();
    if (!picture)
        return state.SkipWithError("no picture");
    const YuvBlue blue(*picture, *av_pix_fmt_desc_get(AV_PIX_FMT_YUV420P), blueFactors(AVCOL_SPC_BT709, false),
                       {0, 0, 1920, 1080});
    PixelAccumulator accumulator(1080, 1920);
    for (auto _ : state) {
        accumulator.add(blue, 1);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations() * pixels));
}

}  // namespace

BENCHMARK(Memcpy)->Arg(3)->Arg(1)->UseRealTime();
BENCHMARK(BlueFromYuv420)->UseRealTime();
BENCHMARK(AccumulateFrame)->Arg(1)->Arg(3)->UseRealTime();
BENCHMARK(AddYuv420Picture)->UseRealTime();
BENCHMARK_MAIN();
