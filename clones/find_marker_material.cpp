#include <algorithm>
#include <string_view>

#include "clones/clone_name.h"
#include "clones/clones.h"
#include "host/host_calls.h"

namespace vintrax {

int FindMarkerMaterial(DocumentHandle document) {
    constexpr int kNameBufferSize = 256;
    const int count = host::MQDoc_GetMaterialCount(document);
    for (int index = 0; index < count; ++index) {
        const MaterialHandle material = host::MQDoc_GetMaterial(document, index);
        if (material == nullptr) continue;
        char buffer[kNameBufferSize] = {};
        host::MQMat_GetName(material, buffer, kNameBufferSize);
        // Bounded even when a host forgets the terminating NUL.
        const std::string_view name(buffer, std::find(buffer, buffer + kNameBufferSize, '\0') - buffer);
        if (EqualsIgnoringAsciiCase(name, kMarkerMaterialName)) return index;
    }
    return -1;
}

}  // namespace vintrax
