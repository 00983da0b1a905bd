// The stand-in host's own operations that every rebuild leans on: emptying an
// object vertex by vertex and compacting it must grow linearly with its size,
// or large scenes would be dominated by the stand-in rather than the plug-in.
#include <benchmark/benchmark.h>

#include "hostsim/document.h"

namespace {

// A strip of quads: every inner vertex is shared by two faces.
void FillStrip(vintrax::hostsim::Object& object, int columns) {
    for (int i = 0; i < columns; ++i) {
        object.AddVertex({static_cast<float>(i), 0, 0});
        object.AddVertex({static_cast<float>(i), 1, 0});
    }
    for (int i = 0; i + 1 < columns; ++i) {
        const int quad[4] = {2 * i, 2 * i + 2, 2 * i + 3, 2 * i + 1};
        object.AddFace(quad);
    }
}

void BM_DeleteEveryVertexThenCompact(benchmark::State& state) {
    const int columns = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        vintrax::hostsim::Object object;
        FillStrip(object, columns);
        state.ResumeTiming();
        for (int v = 0; v < object.VertexCount(); ++v) object.DeleteVertex(v, true);
        object.Compact();
        benchmark::DoNotOptimize(object.VertexCount());
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_DeleteEveryVertexThenCompact)->RangeMultiplier(4)->Range(1 << 10, 1 << 18)->Complexity();

void BM_MergeThenCompact(benchmark::State& state) {
    const int columns = static_cast<int>(state.range(0));
    vintrax::hostsim::Object source;
    FillStrip(source, columns);
    for (auto _ : state) {
        vintrax::hostsim::Object destination;
        destination.Merge(source);
        destination.Compact();
        benchmark::DoNotOptimize(destination.VertexCount());
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_MergeThenCompact)->RangeMultiplier(4)->Range(1 << 10, 1 << 18)->Complexity();

}  // namespace

BENCHMARK_MAIN();
