// The per-frame work on a 1920 x 1080 frame, beside a memcpy of the same
// bytes: adding the blue bytes of a 24-bit frame to the sums and maxima, once
// and as a run of repeated frames.

#include "pixel_accumulator.h"

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

void MemcpyFrame(benchmark::State& state)
{
    const std::vector<std::uint8_t> source = someBytes(3 * pixels);
    std::vector<std::uint8_t> target(3 * pixels);
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
        accumulator.add(BluePlane{frame.data(), 3, 3 * 1920, 1920, 1080}, repeats);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations() * frame.size()));
}

}  // namespace

BENCHMARK(MemcpyFrame)->UseRealTime();
BENCHMARK(AccumulateFrame)->Arg(1)->Arg(3)->UseRealTime();
BENCHMARK_MAIN();
