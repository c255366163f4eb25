// LZHUF speed on 2 MB of what skins hold (text, pictures, runs, noise), in MB/s of
// unpacked bytes: build/bench/bench_lzhuf
#include "Lzhuf.h"
#include "LzhufSamples.h"

#include <benchmark/benchmark.h>

namespace {
const LzhufSamples::Bytes &plain()
{
    static const LzhufSamples::Bytes bytes = LzhufSamples::Mixed(2 << 20);
    return bytes;
}

void decode(benchmark::State &state)
{
    const Lzhuf::Bytes packed = Lzhuf::Encode(plain());
    for (auto _ : state)
        benchmark::DoNotOptimize(Lzhuf::Decode(packed, plain().size()));
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(plain().size()));
    state.counters["packed"] = double(packed.size()) / double(plain().size());
}

void encode(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(Lzhuf::Encode(plain()));
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(plain().size()));
}
}  // namespace

BENCHMARK(decode)->Unit(benchmark::kMillisecond);
BENCHMARK(encode)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
