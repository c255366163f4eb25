// Reading a definition of the largest size a skin may hold (1 MiB): one of many sections,
// and one of one section with many keys, the known keys after them.
#include "SkinArchive.h"
#include "SkinDefinition.h"

#include <benchmark/benchmark.h>
#include <string>

namespace {
std::string filled(const std::string &line, const std::string &tail)
{
    std::string text;
    for (int i = 0; text.size() + tail.size() < SkinLimits::MaxDefinitionSize; ++i)
        text += line + std::to_string(i) + (line.starts_with('[') ? "]\n" : "=1\n");
    return text + tail;
}

void readDefinition(benchmark::State &state, const std::string &text)
{
    const TSkinReader noMembers;
    for (auto _ : state)
        benchmark::DoNotOptimize(ReadSkinDefinition(text, noMembers, TSystemColours()));
    state.SetBytesProcessed(qint64(state.iterations()) * qint64(text.size()));
}

const std::string tail = "[Personality]\nTopTopHeight=3\n[Colours]\nButtonFace=1 2 3\n";

void BM_ManySections(benchmark::State &state) { readDefinition(state, filled("[Section", tail)); }
void BM_ManyKeys(benchmark::State &state) { readDefinition(state, "[Personality]\n" + filled("Key", tail)); }
BENCHMARK(BM_ManySections)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ManyKeys)->Unit(benchmark::kMillisecond);
}  // namespace

BENCHMARK_MAIN();
