// Clone-name parsing on arbitrary bytes: never reads past the name, and a source
// name it gives is always a non-empty run without ']' or NUL right after the prefix.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "clones/clone_name.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view name(reinterpret_cast<const char*>(data), size);
    std::string source;
    if (!vintrax::ParseCloneName(name, &source)) return 0;
    const std::string_view visible = name.substr(0, name.find('\0'));
    if (source.empty() || source.find(']') != std::string::npos || source.find('\0') != std::string::npos ||
        !vintrax::HasClonePrefix(visible) ||
        visible.substr(vintrax::kClonePrefix.size(), source.size() + 1) != source + "]") {
        std::abort();
    }
    return 0;
}
