// Reading and writing speed of the OBJ tool's reader and writer, in bytes of
// OBJ text per second. The scene is generated: objects shaped like typical
// exporter output (v, vt, vn blocks, then usemtl, s and v/vt/vn faces), with
// coordinates of 6-8 significant digits.
#include <benchmark/benchmark.h>

#include <charconv>
#include <cstdint>
#include <random>
#include <string>

#include "tools/vintrax-update/obj_reader.h"
#include "tools/vintrax-update/obj_writer.h"

namespace {

using namespace vintrax::objtool;

// About 100 MB: large enough that caches do not flatter the numbers.
constexpr int kObjects = 40;
constexpr int kGrid = 200;  // kGrid x kGrid vertices per object

void AppendFloat(std::string& out, float value) {
    char digits[32];
    out.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
}

const std::string& SceneText() {
    static const std::string text = [] {
        std::mt19937 random(7);
        std::uniform_real_distribution<float> jitter(-0.01f, 0.01f);
        std::string out = "# generated\nmtllib scene.mtl\n";
        long long base = 0;
        for (int o = 0; o < kObjects; ++o) {
            out += (o % 4 == 0 ? "o vintrax[part] " : "o part ") + std::to_string(o) + "\n";
            for (int i = 0; i < kGrid; ++i) {
                for (int j = 0; j < kGrid; ++j) {
                    out += "v ";
                    AppendFloat(out, static_cast<float>(i) * 0.0137f + jitter(random));
                    out += ' ';
                    AppendFloat(out, static_cast<float>(j) * 0.0291f + jitter(random));
                    out += ' ';
                    AppendFloat(out, static_cast<float>(o) + jitter(random));
                    out += '\n';
                }
            }
            for (int i = 0; i < kGrid; ++i) out += "vt " + std::to_string(i) + ".5 0.25\n";
            out += "vn 0 0 1\nusemtl m" + std::to_string(o % 3) + "\ns 1\n";
            for (int i = 0; i + 1 < kGrid; ++i) {
                for (int j = 0; j + 1 < kGrid; ++j) {
                    const long long a = base + static_cast<long long>(i) * kGrid + j + 1;
                    const long long corners[] = {a, a + 1, a + kGrid + 1, a + kGrid};
                    out += 'f';
                    for (const long long c : corners) {
                        out += ' ' + std::to_string(c) + '/' + std::to_string(o * kGrid + i + 1) + "/" + std::to_string(o + 1);
                    }
                    out += '\n';
                }
            }
            base += static_cast<long long>(kGrid) * kGrid;
        }
        return out;
    }();
    return text;
}

// Copies into memory it keeps between runs: the writer's cost plus one copy of
// each byte, as a write into the page cache would cost, without the disk.
class MemorySink final : public ByteSink {
public:
    void Write(std::string_view bytes) override { text.append(bytes); }
    std::string text;
};

void BM_Read(benchmark::State& state) {
    const std::string& text = SceneText();
    for (auto _ : state) {
        state.PauseTiming();
        std::string copy = text;
        state.ResumeTiming();
        ObjScene scene = ReadObj(std::move(copy), "bench.obj");
        benchmark::DoNotOptimize(scene.document.get());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(text.size()));
}

// Nothing rebuilt: every section copied from the input.
void BM_WriteUnchanged(benchmark::State& state) {
    const ObjScene scene = ReadObj(SceneText(), "bench.obj");
    MemorySink sink;
    for (auto _ : state) {
        sink.text.clear();
        WriteObj(scene, {}, sink);
        benchmark::DoNotOptimize(sink.text.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(SceneText().size()));
}

// The first object rebuilt with one more vertex: every later face line is renumbered.
void BM_WriteRenumbered(benchmark::State& state) {
    ObjScene scene = ReadObj(SceneText(), "bench.obj");
    scene.document->GetObject(0)->AddVertex({0, 0, 0});
    std::vector<bool> fromDocument(scene.document->ObjectCount(), false);
    fromDocument[0] = true;
    MemorySink sink;
    for (auto _ : state) {
        sink.text.clear();
        WriteObj(scene, fromDocument, sink);
    }
    const std::size_t written = sink.text.size();
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(written));
}

// Every object written from the document: float formatting and face lines.
void BM_WriteFromDocument(benchmark::State& state) {
    const ObjScene scene = ReadObj(SceneText(), "bench.obj");
    const std::vector<bool> fromDocument(scene.document->ObjectCount(), true);
    MemorySink sink;
    for (auto _ : state) {
        sink.text.clear();
        WriteObj(scene, fromDocument, sink);
    }
    const std::size_t written = sink.text.size();
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(written));
}

BENCHMARK(BM_Read)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_WriteUnchanged)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_WriteRenumbered)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_WriteFromDocument)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
