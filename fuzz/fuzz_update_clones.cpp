// The whole command on documents decoded from arbitrary bytes: odd names, hidden
// objects, empty slots, mirror modifiers, NaN/infinite/denormal coordinates,
// repeated corners. Besides the sanitizers' checks: no object other than a visible
// clone ever changes, and no temporary copy outlives the run.
#include <bit>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "clones/clone_name.h"
#include "clones/clones.h"
#include "host/host_function_table.h"
#include "hostsim/document.h"

namespace {

class Bytes {
public:
    Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    float Float() {
        std::uint32_t bits = 0;
        for (int i = 0; i < 4; ++i) bits = bits << 8 | Byte();
        return std::bit_cast<float>(bits);
    }
    std::string Text(std::size_t length) {
        std::string s;
        for (std::size_t i = 0; i < length && pos_ < size_; ++i) s.push_back(static_cast<char>(Byte()));
        return s;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

const char* const kNames[] = {"Box", "box", "vintrax[Box]", "VINTRAX[Box]tail", "vintrax[box]", "vintrax[Box",
                              "vintrax[]", "vintrax[vintrax[Box]]", ""};
const char* const kMaterials[] = {"vintraxMarker", "VINTRAXMARKER", "plain", "vintraxMarker2"};

std::vector<std::uint32_t> Snapshot(const vintrax::hostsim::Object& object) {
    std::vector<std::uint32_t> out;
    for (int v = 0; v < object.VertexCount(); ++v) {
        const Point3 p = object.Vertex(v);
        out.insert(out.end(), {std::bit_cast<std::uint32_t>(p.x), std::bit_cast<std::uint32_t>(p.y),
                               std::bit_cast<std::uint32_t>(p.z)});
    }
    for (int f = 0; f < object.FaceCount(); ++f) {
        for (const int point : object.FacePoints(f)) out.push_back(static_cast<std::uint32_t>(point));
        out.push_back(0xFFFFFFFFu);
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool bound = vintrax::BindHostFunctions(vintrax::hostsim::HostModulePath().c_str()) == 1;
    if (!bound) std::abort();

    Bytes in(data, size);
    vintrax::hostsim::Document document;
    const int materials = in.Byte() % 5;
    for (int m = 0; m < materials; ++m) {
        const std::uint8_t pick = in.Byte();
        if (pick % 5 == 4) {
            document.AddEmptyMaterialSlot();
        } else {
            document.AddMaterial(kMaterials[pick % 5]);
        }
    }
    const int objects = in.Byte() % 7;
    for (int o = 0; o < objects; ++o) {
        const std::uint8_t pick = in.Byte();
        if (pick == 0xFF) {
            document.AddEmptyObjectSlot();
            continue;
        }
        // Mostly names from the table, sometimes raw bytes (longer than the host's
        // 63-byte name buffer included).
        const std::size_t table = sizeof(kNames) / sizeof(kNames[0]);
        std::string name = pick % 16 < table ? kNames[pick % 16] : in.Text(in.Byte() % 80);
        vintrax::hostsim::Object& object = document.AddObject(std::move(name));
        object.visible = (pick & 0x80) == 0;
        object.mirror = static_cast<vintrax::hostsim::MirrorAxis>(static_cast<int>(in.Byte() % 4) - 1);
        const int vertices = in.Byte() % 12;
        for (int v = 0; v < vertices; ++v) object.AddVertex({in.Float(), in.Float(), in.Float()});
        const int faces = vertices == 0 ? 0 : in.Byte() % 6;
        for (int f = 0; f < faces; ++f) {
            const int corners = in.Byte() % 5 + 1;
            std::vector<int> points;
            for (int c = 0; c < corners; ++c) points.push_back(in.Byte() % vertices);
            object.AddFace(points, static_cast<int>(in.Byte() % 6) - 1);
        }
    }

    std::vector<std::vector<std::uint32_t>> before;
    for (int i = 0; i < document.ObjectCount(); ++i) {
        const auto* object = document.GetObject(i);
        before.push_back(object ? Snapshot(*object) : std::vector<std::uint32_t>{});
    }

    const int result = vintrax::UpdateClones(document.handle());
    if (result != 0 && result != 1) std::abort();
    if (vintrax::hostsim::LiveFreeObjects() != 0) std::abort();

    std::string source;
    for (int i = 0; i < document.ObjectCount(); ++i) {
        const auto* object = document.GetObject(i);
        if (object == nullptr) continue;
        // The plug-in sees at most 63 bytes of a name.
        const bool clone = object->visible && vintrax::ParseCloneName(object->name.substr(0, 63), &source);
        if (!clone && Snapshot(*object) != before[static_cast<std::size_t>(i)]) std::abort();
    }
    return 0;
}
