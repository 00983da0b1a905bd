// Prints, as float32 bit patterns, every position of every object of a fixed
// set of scenes after "Update Clones" has run on each through the built
// plug-in. scene_bits.expected holds the listing; the native library and the
// 32-bit Windows DLL (under Wine) must both print it byte for byte.
//
// The scenes only ever let one NaN payload meet another, and never make a NaN
// from non-NaN operands (inf - inf, 0 * inf), so the listing holds on any IEEE
// float32 machine, not only on those that pick the same default NaN.
//
// Lines of the listing checked by hand against float32 arithmetic done apart
// from this code (each operation rounded to float32 on its own):
//   marker 1:vintrax[Gear] v0: marker centroid of the source (1.5, 0.5, 0)
//     over vertices 0,1,2,4 = ((0+1+1+4)/4, (0+0+1+1)/4, 0) and of the clone
//     (11.5, 0.25, 2); (0 - 1.5) + 11.5 = 10 (0x41200000), (0 - 0.5) + 0.25 =
//     -0.25 (0xbe800000), z = 2 (0x40000000).
//   box 1:vintrax[Panel] v0: box centres (1, 0.5, 0) and (0.1 + 0.3) * 0.5 =
//     0x3e4ccccd for x of the clone; (0 - 1) + 0x3e4ccccd = 0xbf4ccccd.
//   huge 1:vintrax[Far] v1: source box centre x = (3.2e38 + 3e38) * 0.5 =
//     inf in float32; 3.2e38 - inf = -inf, -inf + 1 = -inf (0xff800000).
//   tiny 1:vintrax[Dust] v0: (1 + 2 + 4 ulps of 2^-149) / 3 rounds the 7 ulps of
//     the denormal sum to 2 (0x00000002); placed at x: (1 - 2) + 6 ulps = 5 ulps
//     (0x00000005) with the clone's centroid 6 ulps.
//   many 3:vintrax[Post]#3 v0: y = (0 - 1.5) + (3e-6 + 1e-6) * 0.5 = 0xbfbfffef.
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <memory>
#include <string>

#include "hostsim/document.h"
#include "hostsim/plugin_host.h"
#include "tests/support/scenes.h"

namespace {

using vintrax::hostsim::Document;
using vintrax::hostsim::Object;
using vintrax::hostsim::PluginHost;
using vintrax::testing::AddMesh;
using vintrax::testing::Bits;
using vintrax::testing::FromBits;

const float kNaN = FromBits(0x7FC00000u);
const float kInf = std::numeric_limits<float>::infinity();
// Denormals counted in units of the smallest one, 2^-149.
float Ulps(std::uint32_t n) { return FromBits(n); }

// Marker centroids: two marker faces sharing vertices (each counted once,
// summed in ascending index), an unmarked face that must not count, and a
// second clone whose name only matches with letter case folded.
void MarkerScene(Document& document) {
    document.AddMaterial("Paint");
    const int marker = document.AddMaterial("VintraxMarker");
    AddMesh(document, "Gear", {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {7, 7, 7}, {4, 1, 0}},
            {{{0, 1, 2}, marker}, {{1, 4, 2}, marker}, {{0, 3, 1}, 0}});
    AddMesh(document, "vintrax[Gear]", {{11, 0, 2}, {12, 0.5f, 2}, {11.5f, 0.25f, 2}},
            {{{0, 1, 2}, marker}});
    AddMesh(document, "VINTRAX[Gear] copy", {{-3, -3, -3}, {-2.5f, -3, -3}, {-3, -2.5f, -3.25f}},
            {{{2, 1, 0}, marker}});
}

// Bounding boxes of referenced vertices only: the source's stray vertex at 100
// neither widens its box nor moves with the copy. The marker material exists
// but the clone has no marker face, so both sides fall back to boxes.
void BoxScene(Document& document) {
    document.AddMaterial("vintraxmarker");
    AddMesh(document, "Panel", {{0, 0, 0}, {2, 0, 0}, {100, 100, 100}, {2, 1, 0}}, {{{0, 1, 3}, 0}});
    AddMesh(document, "vintrax[Panel]", {{0.1f, 5, -1}, {0.3f, 5, -1}, {0.2f, 6, -1}}, {{{0, 1, 2}}});
}

// Signed zeros: an equal coordinate replaces a bound, so the last of +0.0 and
// -0.0 decides the centre's sign (x: -0.0, y: +0.0). Placed, -0.0 - (-0.0) is
// +0.0 while -0.0 - (+0.0) + (-0.0) stays -0.0.
void SignedZeroScene(Document& document) {
    AddMesh(document, "Plane", {{0.0f, -0.0f, 1}, {-0.0f, -0.0f, 1}, {-0.0f, 0.0f, 2}}, {{{0, 1, 2}}});
    AddMesh(document, "vintrax[Plane]", {{-0.0f, -0.0f, -0.0f}, {-0.0f, -0.0f, -0.0f}, {-0.0f, -0.0f, -0.0f}},
            {{{0, 1, 2}}});
}

// A NaN coordinate: last on x (a NaN replaces a bound and stays), first on y
// (the next vertex replaces it again).
void NaNScene(Document& document) {
    AddMesh(document, "Broken", {{1, kNaN, 0}, {2, 1, 0}, {kNaN, 2, 1}}, {{{0, 1, 2}}});
    AddMesh(document, "vintrax[Broken]", {{10, 10, 10}, {12, 14, 10}, {11, 12, 12}}, {{{0, 1, 2}}});
}

// Denormal coordinates, through a marker centroid and a box centre.
void TinyScene(Document& document) {
    const int marker = document.AddMaterial("vintraxMarker");
    AddMesh(document, "Dust", {{Ulps(1), 1e-38f, 0}, {Ulps(2), 2e-38f, 0}, {Ulps(4), 0, 1e-40f}},
            {{{0, 1, 2}, marker}});
    AddMesh(document, "vintrax[Dust]", {{Ulps(5), -1e-38f, 0}, {Ulps(6), 0, 0}, {Ulps(7), 0, -1e-40f}},
            {{{0, 1, 2}, marker}});
    AddMesh(document, "Mote", {{Ulps(3), 0, 0}, {Ulps(8), 1e-39f, 0}, {Ulps(1), 0, 1e-39f}}, {{{0, 1, 2}}});
    AddMesh(document, "vintrax[Mote]", {{-Ulps(9), 0, 0}, {Ulps(9), 0, 0}, {0, 0, Ulps(1)}}, {{{0, 1, 2}}});
}

// Huge values: a box whose max + min overflows to infinity (finite with x87's
// wider range), a clone with an infinite coordinate, and a centroid whose sum
// overflows. An infinite coordinate in a source would meet its own infinite
// anchor (inf - inf), so there is none.
void HugeScene(Document& document) {
    AddMesh(document, "Far", {{3e38f, 0, 0}, {3.2e38f, 1, 0}, {3e38f, 0, 1}}, {{{0, 1, 2}}});
    AddMesh(document, "vintrax[Far]", {{0, 0, 0}, {2, 2, 2}, {1, 1, 1}}, {{{0, 1, 2}}});
    AddMesh(document, "Edge", {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}, {{{0, 1, 2}}});
    AddMesh(document, "vintrax[Edge]", {{5, 5, 5}, {-kInf, 5, 5}, {6, 6, 5}}, {{{0, 1, 2}}});
    const int marker = document.AddMaterial("vintraxMarker");
    AddMesh(document, "Sum", {{3e38f, -3e38f, 0}, {3e38f, -3e38f, 0}, {3e38f, 1, 0}}, {{{0, 1, 2}, marker}});
    AddMesh(document, "vintrax[Sum]", {{1, 1, 1}, {2, 2, 2}, {4, 4, 4}}, {{{0, 1, 2}, marker}});
}

// Several clones of one source in different places; a placeholder clone with
// no geometry yet (no anchor: the copy lands untranslated); a hidden clone and
// a clone of a missing source, both left alone.
void ManyClonesScene(Document& document) {
    AddMesh(document, "Post", {{0, 0, 0}, {1, 0, 0}, {0, 3, 0}, {0, 0, 1}}, {{{0, 1, 2}}, {{0, 2, 3}}});
    AddMesh(document, "vintrax[Post]", {{10, 0, 0}, {11, 0, 0}, {10, 3, 1}}, {{{0, 1, 2}}});
    AddMesh(document, "vintrax[Post]", {{-5.5f, 0.25f, 7}, {-4.5f, 0.25f, 7}, {-5.5f, 3.25f, 8}}, {{{0, 1, 2}}});
    AddMesh(document, "vintrax[Post]#3", {{1e6f, 1e-6f, -1e6f}, {1.000001e6f, 1e-6f, -1e6f}, {1e6f, 3e-6f, -1e6f}},
            {{{0, 1, 2}}});
    document.AddObject("vintrax[Post] placeholder");
    Object& hidden = AddMesh(document, "vintrax[Post]", {{9, 9, 9}, {8, 8, 8}, {7, 7, 7}}, {{{0, 1, 2}}});
    hidden.visible = false;
    AddMesh(document, "vintrax[Nobody]", {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}}, {{{0, 1, 2}}});
}

struct Scene {
    const char* name;
    void (*build)(Document&);
};

constexpr Scene kScenes[] = {
    {"marker", MarkerScene},   {"box", BoxScene},   {"zero", SignedZeroScene},         {"nan", NaNScene},
    {"tiny", TinyScene},       {"huge", HugeScene}, {"many", ManyClonesScene},
};

void Print(const char* scene, const Document& document) {
    for (int index = 0; index < document.ObjectCount(); ++index) {
        const Object* object = document.GetObject(index);
        if (object == nullptr) continue;
        for (int vertex = 0; vertex < object->VertexCount(); ++vertex) {
            if (object->VertexDeleted(vertex)) continue;
            const Point3 p = object->Vertex(vertex);
            std::printf("%s %d:%s v%d %08" PRIx32 " %08" PRIx32 " %08" PRIx32 "\n", scene, index,
                        object->name.c_str(), vertex, Bits(p.x), Bits(p.y), Bits(p.z));
        }
    }
}

}  // namespace

int main() {
    std::string error;
    const std::unique_ptr<PluginHost> host = PluginHost::Open(VINTRAX_PLUGIN_PATH, &error);
    if (host == nullptr) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    for (const Scene& scene : kScenes) {
        Document document;
        scene.build(document);
        std::printf("%s result %d\n", scene.name, host->Run(0, document));
        Print(scene.name, document);
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}
