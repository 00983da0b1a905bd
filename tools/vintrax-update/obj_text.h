// Line-level helpers the reader and the writer share, so both agree on what a
// line's statement is.
#pragma once

#include <string_view>

namespace vintrax::objtool {

inline bool IsBlank(char c) { return c == ' ' || c == '\t'; }

inline std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

// The statement keyword of a line ("v", "f", "usemtl", ...); empty for blank and
// comment lines.
inline std::string_view Keyword(std::string_view line) {
    std::size_t i = 0;
    while (i < line.size() && IsBlank(line[i])) ++i;
    if (i == line.size() || line[i] == '#') return {};
    std::size_t k = i;
    while (k < line.size() && !IsBlank(line[k])) ++k;
    return line.substr(i, k - i);
}

}  // namespace vintrax::objtool
