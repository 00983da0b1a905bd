// How users mark clones and the marker material: by name alone.
#pragma once

#include <string>
#include <string_view>

namespace vintrax {

// Opens every clone name; compared with ASCII case folding.
inline constexpr std::string_view kClonePrefix = "vintrax[";
// Closes the source name inside a clone name.
inline constexpr char kSourceNameEnd = ']';
// The whole name of the marker material; compared with ASCII case folding.
inline constexpr std::string_view kMarkerMaterialName = "vintraxMarker";

// Equal byte for byte after folding A-Z to a-z on both sides. No locale takes
// part, and bytes 0x80-0xFF must match exactly: names are in the host's code page,
// whose multi-byte characters must never be folded.
bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b);

// True when `name` begins with kClonePrefix (letter case aside).
bool HasClonePrefix(std::string_view name);

// True when `name` is a clone name: kClonePrefix, then a non-empty source name
// running up to the first ']'. Writes the source name, in the letter case the
// name writes it, to *sourceName only then. Bytes after the first ']' are ignored.
// `name` ends at its first NUL, if it has one.
bool ParseCloneName(std::string_view name, std::string* sourceName);

}  // namespace vintrax
