#include <algorithm>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "clones/clone_name.h"
#include "clones/clones.h"
#include "host/host_calls.h"

namespace vintrax {
namespace {

struct CloneEntry {
    int cloneIndex;
    std::string sourceName;
};

}  // namespace

int UpdateClones(DocumentHandle document) noexcept {
    constexpr int kNameBufferSize = 64;
    const int count = host::MQDoc_GetObjectCount(document);
    if (count <= 0) return 0;

    int result = 0;
    try {
        // Exact byte order (std::string compares as unsigned bytes), so letter case
        // counts; a later visible object with the same name wins.
        std::map<std::string, int> objectNameIndex;
        std::vector<CloneEntry> clones;
        std::string sourceName;
        for (int index = 0; index < count; ++index) {
            const ObjectHandle object = host::MQDoc_GetObject(document, index);
            if (object == nullptr || host::MQObj_GetVisible(object) == 0) continue;
            char buffer[kNameBufferSize] = {};
            host::MQObj_GetName(object, buffer, kNameBufferSize);
            const std::string_view name(buffer, std::find(buffer, buffer + kNameBufferSize, '\0') - buffer);
            objectNameIndex.insert_or_assign(std::string(name), index);
            if (ParseCloneName(name, &sourceName)) clones.push_back({index, sourceName});
        }

        const int markerIndex = FindMarkerMaterial(document);

        for (const CloneEntry& entry : clones) {
            const auto found = objectNameIndex.find(entry.sourceName);
            if (found == objectNameIndex.end()) continue;
            const ObjectHandle source = host::MQDoc_GetObject(document, found->second);
            const ObjectHandle clone = host::MQDoc_GetObject(document, entry.cloneIndex);
            if (RebuildClone(source, clone, markerIndex)) result = 1;
        }
    } catch (...) {
        // Only working memory can run out here. Unwinding has released the run's
        // containers; the clones rebuilt so far stay rebuilt, and the host is told so.
    }
    return result;
}

}  // namespace vintrax
