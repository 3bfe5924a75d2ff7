// The per-frame work on a 1920 x 1080 frame, beside a memcpy of the same
// bytes: taking the blue bytes out of a 24-bit frame, and adding a frame to
// the sums and maxima.

#include "blue_bytes.h"
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

void memcpyOf(benchmark::State& state, std::size_t size)
{
    const std::vector<std::uint8_t> source = someBytes(size);
    std::vector<std::uint8_t> target(size);
    for (auto _ : state) {
        std::memcpy(target.data(), source.data(), size);
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations() * size));
}

void MemcpyFrame24(benchmark::State& state) { memcpyOf(state, 3 * pixels); }

void TakeBlueBytes(benchmark::State& state)
{
    const std::vector<std::uint8_t> bgr = someBytes(3 * pixels);
    std::vector<std::uint8_t> blue(pixels);
    for (auto _ : state) {
        takeBlueBytes(bgr.data(), blue.data(), pixels);
        benchmark::DoNotOptimize(blue.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations() * 3 * pixels));
}

void MemcpyFrame8(benchmark::State& state) { memcpyOf(state, pixels); }

void Accumulate(benchmark::State& state)
{
    const std::vector<std::uint8_t> frame = someBytes(pixels);
    PixelAccumulator accumulator(pixels);
    for (auto _ : state) {
        accumulator.add(frame.data(), 1);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations() * pixels));
}

}  // namespace

BENCHMARK(MemcpyFrame24)->UseRealTime();
BENCHMARK(TakeBlueBytes)->UseRealTime();
BENCHMARK(MemcpyFrame8)->UseRealTime();
BENCHMARK(Accumulate)->UseRealTime();
BENCHMARK_MAIN();
