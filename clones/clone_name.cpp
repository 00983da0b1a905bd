#include "clones/clone_name.h"

#include <cassert>

namespace vintrax {
namespace {

constexpr unsigned char FoldAscii(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}

std::string_view UpToNul(std::string_view s) { return s.substr(0, s.find('\0')); }

}  // namespace

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (FoldAscii(static_cast<unsigned char>(a[i])) != FoldAscii(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

bool HasClonePrefix(std::string_view name) {
    name = UpToNul(name);
    return name.size() >= kClonePrefix.size() &&
           EqualsIgnoringAsciiCase(name.substr(0, kClonePrefix.size()), kClonePrefix);
}

bool ParseCloneName(std::string_view name, std::string* sourceName) {
    assert(sourceName != nullptr);
    name = UpToNul(name);
    if (!HasClonePrefix(name)) return false;
    const std::string_view rest = name.substr(kClonePrefix.size());
    const std::size_t end = rest.find(kSourceNameEnd);
    if (end == std::string_view::npos || end == 0) return false;
    sourceName->assign(rest.substr(0, end));
    return true;
}

}  // namespace vintrax
