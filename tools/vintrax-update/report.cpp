#include "tools/vintrax-update/report.h"

#include <charconv>
#include <cmath>
#include <string_view>

#include "clones/clone_name.h"
#include "tools/vintrax-update/update_run.h"

namespace vintrax::objtool {
namespace {

std::string_view SeenName(const std::string& name) {
    return std::string_view(name).substr(0, kNameBytesSeen);
}

// The object the library takes as the source: the last visible one whose name,
// as the library sees it, is exactly `sourceName`.
int FindSource(const hostsim::Document& doc, std::string_view sourceName, bool ignoreCase) {
    int found = -1;
    for (int i = 0; i < doc.ObjectCount(); ++i) {
        const hostsim::Object* object = doc.GetObject(i);
        if (object == nullptr || !object->visible) continue;
        const std::string_view seen = SeenName(object->name);
        if (ignoreCase ? EqualsIgnoringAsciiCase(seen, sourceName) : seen == sourceName) found = i;
    }
    return found;
}

// After a rebuild the clone's vertices are the source's, in the source's order,
// moved by one translation (OBJ objects have no modifiers, so freezing adds
// none). Its first referenced vertex against the source's matching one gives it.
void MeasureRebuild(const hostsim::Object& clone, const hostsim::Object* source, CloneLine& line) {
    const std::vector<int> cloneLive = LiveVertices(clone);
    line.vertices = static_cast<int>(cloneLive.size());
    line.faces = 0;
    for (int f = 0; f < clone.FaceCount(); ++f) line.faces += clone.FaceDeleted(f) ? 0 : 1;
    if (source == nullptr) return;
    const std::vector<int> sourceLive = LiveVertices(*source);
    if (sourceLive.size() != cloneLive.size()) return;
    for (std::size_t i = 0; i < cloneLive.size(); ++i) {
        if (clone.VertexRefCount(cloneLive[i]) <= 0) continue;
        const Point3 to = clone.Vertex(cloneLive[i]);
        const Point3 from = source->Vertex(sourceLive[i]);
        line.translation = {to.x - from.x, to.y - from.y, to.z - from.z};
        line.hasTranslation = true;
        return;
    }
    line.hasTranslation = true;  // nothing referenced: merged where it was
}

std::string Number(float value) {
    char digits[32];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    return std::string(digits, result.ptr);
}

// A name for a terminal: quoted, with quotes, backslashes and control bytes escaped.
std::string TextQuoted(std::string_view s) {
    std::string out = "\"";
    for (const char c : s) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20 || byte == 0x7F) {
            static const char kHex[] = "0123456789ABCDEF";
            out += "\\x";
            out += kHex[byte >> 4];
            out += kHex[byte & 15];
        } else {
            out += c;
        }
    }
    out += '"';
    return out;
}

// Length of the valid UTF-8 sequence at s[i], or 0.
std::size_t Utf8Length(std::string_view s, std::size_t i) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    std::size_t length = 0;
    std::uint32_t min = 0;
    std::uint32_t code = 0;
    if (b0 >= 0xC2 && b0 <= 0xDF) { length = 2; code = b0 & 0x1F; min = 0x80; }
    else if (b0 >= 0xE0 && b0 <= 0xEF) { length = 3; code = b0 & 0x0F; min = 0x800; }
    else if (b0 >= 0xF0 && b0 <= 0xF4) { length = 4; code = b0 & 0x07; min = 0x10000; }
    else return 0;
    if (i + length > s.size()) return 0;
    for (std::size_t k = 1; k < length; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80) return 0;
        code = (code << 6) | (b & 0x3F);
    }
    if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    return length;
}

// JSON strings must be Unicode: bytes that are not UTF-8 (names in another code
// page) become U+FFFD; the object index still identifies the object.
std::string JsonString(std::string_view s) {
    std::string out = "\"";
    for (std::size_t i = 0; i < s.size();) {
        const auto byte = static_cast<unsigned char>(s[i]);
        if (byte < 0x80) {
            if (s[i] == '"' || s[i] == '\\') {
                out += '\\';
                out += s[i];
            } else if (byte < 0x20 || byte == 0x7F) {
                static const char kHex[] = "0123456789abcdef";
                out += "\\u00";
                out += kHex[byte >> 4];
                out += kHex[byte & 15];
            } else {
                out += s[i];
            }
            ++i;
            continue;
        }
        const std::size_t length = Utf8Length(s, i);
        if (length == 0) {
            out += "\\ufffd";
            ++i;
        } else {
            out.append(s.substr(i, length));
            i += length;
        }
    }
    out += '"';
    return out;
}

std::string JsonNumber(float value) { return std::isfinite(value) ? Number(value) : "null"; }

const char* StatusCode(CloneStatus status) {
    switch (status) {
        case CloneStatus::kRebuilt: return "rebuilt";
        case CloneStatus::kNoClosingBracket: return "no_closing_bracket";
        case CloneStatus::kEmptySourceName: return "empty_source_name";
        case CloneStatus::kNoSource: return "no_source";
        case CloneStatus::kNotRebuilt: return "not_rebuilt";
    }
    return "not_rebuilt";
}

std::string Reason(const CloneLine& line) {
    std::string reason;
    switch (line.status) {
        case CloneStatus::kRebuilt:
            return {};
        case CloneStatus::kNoClosingBracket:
            reason = "no \"]\" closes the source name";
            break;
        case CloneStatus::kEmptySourceName:
            reason = "the source name is empty";
            break;
        case CloneStatus::kNoSource:
            reason = "no visible object is named exactly " + TextQuoted(line.sourceName);
            if (!line.suggestion.empty()) reason += " (did you mean " + TextQuoted(line.suggestion) + "?)";
            break;
        case CloneStatus::kNotRebuilt:
            reason = "the library left it unchanged although " + TextQuoted(line.sourceName) + " exists";
            break;
    }
    if (line.nameCutShort)
        reason += "; the name is " + std::to_string(line.name.size()) + " bytes long and the library sees only its first " +
                  std::to_string(kNameBytesSeen);
    return reason;
}

}  // namespace

std::vector<CloneLine> DescribeClones(const hostsim::Document& doc, const UpdateOutcome& outcome) {
    std::vector<CloneLine> lines;
    for (int i = 0; i < doc.ObjectCount(); ++i) {
        const hostsim::Object* object = doc.GetObject(i);
        if (object == nullptr || !object->visible) continue;
        const std::string_view seen = SeenName(object->name);
        if (!HasClonePrefix(seen)) continue;
        CloneLine line;
        line.object = i;
        line.name = object->name;
        line.nameCutShort = object->name.size() > kNameBytesSeen;
        const bool rebuilt = static_cast<std::size_t>(i) < outcome.rebuilt.size() && outcome.rebuilt[i];
        if (!ParseCloneName(seen, &line.sourceName)) {
            line.status = seen.find(kSourceNameEnd, kClonePrefix.size()) == std::string_view::npos
                              ? CloneStatus::kNoClosingBracket
                              : CloneStatus::kEmptySourceName;
        } else {
            line.sourceObject = FindSource(doc, line.sourceName, false);
            if (rebuilt) {
                line.status = CloneStatus::kRebuilt;
                line.changed = static_cast<std::size_t>(i) < outcome.changed.size() && outcome.changed[i];
                MeasureRebuild(*object, line.sourceObject >= 0 ? doc.GetObject(line.sourceObject) : nullptr, line);
            } else if (line.sourceObject < 0) {
                line.status = CloneStatus::kNoSource;
                const int near = FindSource(doc, line.sourceName, true);
                if (near >= 0) line.suggestion = SeenName(doc.GetObject(near)->name);
            } else {
                line.status = CloneStatus::kNotRebuilt;
            }
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

std::string FormatTextReport(const std::vector<CloneLine>& lines, bool check) {
    std::string out;
    int rebuilt = 0;
    int changed = 0;
    for (const CloneLine& line : lines) {
        out += TextQuoted(line.name) + " (object " + std::to_string(line.object) + "): ";
        if (line.status != CloneStatus::kRebuilt) {
            out += "not rebuilt: " + Reason(line) + "\n";
            continue;
        }
        ++rebuilt;
        changed += line.changed ? 1 : 0;
        const std::string source = TextQuoted(line.sourceName) + " (object " + std::to_string(line.sourceObject) + ")";
        if (check && !line.changed) {
            out += "up to date with " + source + "\n";
            continue;
        }
        out += check ? "out of date; rebuilding from " + source + " gives " : "rebuilt from " + source + ": ";
        out += std::to_string(line.vertices) + " vertices, " + std::to_string(line.faces) + " faces";
        if (line.hasTranslation) {
            out += ", moved by (" + Number(line.translation.x) + ", " + Number(line.translation.y) + ", " +
                   Number(line.translation.z) + ")";
        }
        if (!check && !line.changed) out += "; no change";
        out += "\n";
    }
    const int notRebuilt = static_cast<int>(lines.size()) - rebuilt;
    if (check) {
        out += "check: " + std::to_string(changed) + " clone(s) out of date, " + std::to_string(rebuilt - changed) +
               " up to date, " + std::to_string(notRebuilt) + " not rebuilt\n";
    } else {
        out += std::to_string(rebuilt) + " clone(s) rebuilt (" + std::to_string(changed) + " changed), " +
               std::to_string(notRebuilt) + " not rebuilt\n";
    }
    return out;
}

std::string FormatJsonReport(const std::vector<CloneLine>& lines, bool check) {
    std::string out = "{\"mode\":";
    out += check ? "\"check\"" : "\"update\"";
    out += ",\"clones\":[";
    int rebuilt = 0;
    int changed = 0;
    for (std::size_t n = 0; n < lines.size(); ++n) {
        const CloneLine& line = lines[n];
        if (n > 0) out += ',';
        out += "\n{\"object\":" + std::to_string(line.object) + ",\"name\":" + JsonString(line.name) +
               ",\"status\":\"" + StatusCode(line.status) + "\"";
        if (!line.sourceName.empty()) out += ",\"source\":" + JsonString(line.sourceName);
        if (line.sourceObject >= 0) out += ",\"source_object\":" + std::to_string(line.sourceObject);
        if (line.status == CloneStatus::kRebuilt) {
            ++rebuilt;
            changed += line.changed ? 1 : 0;
            out += std::string(",\"changed\":") + (line.changed ? "true" : "false");
            out += ",\"vertices\":" + std::to_string(line.vertices) + ",\"faces\":" + std::to_string(line.faces);
            if (line.hasTranslation) {
                out += ",\"translation\":[" + JsonNumber(line.translation.x) + "," + JsonNumber(line.translation.y) + "," +
                       JsonNumber(line.translation.z) + "]";
            }
        } else {
            out += ",\"reason\":" + JsonString(Reason(line));
        }
        if (!line.suggestion.empty()) out += ",\"suggestion\":" + JsonString(line.suggestion);
        if (line.nameCutShort) out += ",\"name_cut_short\":true";
        out += "}";
    }
    out += "],\n\"summary\":{\"rebuilt\":" + std::to_string(rebuilt) + ",\"changed\":" + std::to_string(changed) +
           ",\"not_rebuilt\":" + std::to_string(static_cast<int>(lines.size()) - rebuilt) + "}}\n";
    return out;
}

}  // namespace vintrax::objtool
