// The clone update on large meshes, through the bound host table exactly as the
// plug-in runs it. Each iteration rebuilds every clone from scratch.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "clones/clones.h"
#include "host/host_function_table.h"
#include "hostsim/document.h"

namespace {

using vintrax::hostsim::Document;
using vintrax::hostsim::Object;

// A side x side grid of quads; the middle row of quads uses `material`.
void AddGrid(Object& object, int side, float offset, int material, int markerMaterial) {
    for (int y = 0; y <= side; ++y) {
        for (int x = 0; x <= side; ++x) {
            object.AddVertex({static_cast<float>(x) * 0.25f + offset, static_cast<float>(y) * 0.5f, offset});
        }
    }
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            const int a = y * (side + 1) + x;
            const int quad[4] = {a, a + 1, a + side + 2, a + side + 1};
            object.AddFace(quad, y == side / 2 ? markerMaterial : material);
        }
    }
}

void BM_UpdateClones(benchmark::State& state) {
    if (vintrax::BindHostFunctions(vintrax::hostsim::HostModulePath().c_str()) != 1) {
        state.SkipWithError("cannot bind the stand-in host");
        return;
    }
    const int side = static_cast<int>(state.range(0));
    const int clones = static_cast<int>(state.range(1));
    const bool markers = state.range(2) != 0;

    Document document;
    const int plain = document.AddMaterial("plain");
    const int marker = markers ? document.AddMaterial("vintraxMarker") : plain;
    AddGrid(document.AddObject("Grid"), side, 0.0f, plain, marker);
    for (int i = 0; i < clones; ++i) AddGrid(document.AddObject("vintrax[Grid]"), side, 100.0f * static_cast<float>(i + 1), plain, marker);

    for (auto _ : state) benchmark::DoNotOptimize(vintrax::UpdateClones(document.handle()));
    const auto vertices = static_cast<std::int64_t>(side + 1) * (side + 1) * clones;
    state.SetItemsProcessed(state.iterations() * vertices);
    state.counters["vertices"] = static_cast<double>(vertices);
}

BENCHMARK(BM_UpdateClones)
    ->ArgNames({"side", "clones", "markers"})
    ->Args({10, 100, 0})
    ->Args({100, 10, 0})
    ->Args({1000, 1, 0})
    ->Args({1000, 1, 1})
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
