// A hand-written reader rather than a general OBJ library: the tool has to write
// the file back with only the rebuilt clones changed, so it must keep comments,
// mtllib/g/s lines, statement order and the exact text of every untouched line,
// and it must refuse (not drop) statements it cannot carry. General loaders
// throw exactly that away. One pass over the whole text in memory, numbers parsed
// in place with std::from_chars, no allocation per line.
#include "tools/vintrax-update/obj_reader.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>
#include <map>
#include <utility>

#include "tools/vintrax-update/obj_text.h"

namespace vintrax::objtool {

ObjError::ObjError(const std::string& path, int line, const std::string& problem)
    : std::runtime_error(line > 0 ? path + ":" + std::to_string(line) + ": " + problem : path + ": " + problem),
      line_(line) {}

namespace {

// The power of ten of a decimal number's leading digit: 2 for "123.4", -3 for
// "0.00123", plus its exponent. Saturates far outside any float's range.
long long DecimalOrder(std::string_view text) {
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    const auto digit = [&](std::size_t at) { return at < text.size() && text[at] >= '0' && text[at] <= '9'; };
    long long integerDigits = 0;
    long long leadingZeros = 0;
    bool significant = false;
    for (; digit(i); ++i) {
        significant = significant || text[i] != '0';
        if (significant) ++integerDigits;
    }
    if (i < text.size() && text[i] == '.') {
        for (++i; digit(i); ++i) {
            if (!significant && text[i] == '0') ++leadingZeros;
            significant = significant || text[i] != '0';
        }
    }
    long long order = integerDigits > 0 ? integerDigits - 1 : -(leadingZeros + 1);
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        const bool negative = i < text.size() && text[i] == '-';
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
        long long exponent = 0;
        for (; digit(i); ++i) exponent = std::min(exponent * 10 + (text[i] - '0'), 1000000000LL);
        order += negative ? -exponent : exponent;
    }
    return order;
}


// Next blank-separated token; empty at the end of the statement or where a
// trailing comment begins.
std::string_view NextToken(std::string_view& rest) {
    std::size_t i = 0;
    while (i < rest.size() && IsBlank(rest[i])) ++i;
    std::size_t j = i;
    while (j < rest.size() && !IsBlank(rest[j])) ++j;
    std::string_view token = rest.substr(i, j - i);
    rest.remove_prefix(j);
    if (!token.empty() && token.front() == '#') {
        rest = {};
        return {};
    }
    return token;
}

std::string Quoted(std::string_view s) {
    std::string out = "\"";
    out.append(s);
    out += '"';
    return out;
}

// Statements a file may contain that this tool cannot carry through a rebuild.
const char* UnsupportedWhat(std::string_view keyword) {
    static const std::pair<std::string_view, const char*> kKnown[] = {
        {"l", "polyline"}, {"p", "point element"}, {"vp", "parameter-space vertex"},
        {"curv", "free-form curve"}, {"curv2", "free-form curve"}, {"surf", "free-form surface"},
        {"cstype", "free-form geometry"}, {"deg", "free-form geometry"}, {"bmat", "free-form geometry"},
        {"step", "free-form geometry"}, {"parm", "free-form geometry"}, {"trim", "free-form geometry"},
        {"hole", "free-form geometry"}, {"scrv", "free-form geometry"}, {"sp", "free-form geometry"},
        {"end", "free-form geometry"}, {"con", "free-form geometry"}, {"mg", "merging group"},
        {"usemap", "texture map"}, {"maplib", "texture map library"}, {"lod", "level of detail"},
        {"bevel", "render attribute"}, {"c_interp", "render attribute"}, {"d_interp", "render attribute"},
        {"shadow_obj", "render attribute"}, {"trace_obj", "render attribute"}, {"ctech", "render attribute"},
        {"stech", "render attribute"}, {"call", "file inclusion"}, {"csh", "shell command"},
    };
    for (const auto& [name, what] : kKnown) {
        if (name == keyword) return what;
    }
    return nullptr;
}

class Parser {
public:
    explicit Parser(ObjScene& scene) : scene_(scene), doc_(*scene.document) {}

    void Run() {
        const std::string& text = scene_.text;
        const char* data = text.data();
        const std::size_t size = text.size();
        std::size_t pos = 0;
        // A UTF-8 byte order mark stays in the text (and so in the output).
        if (size >= 3 && std::memcmp(data, "\xEF\xBB\xBF", 3) == 0) pos = 3;

        scene_.sections.push_back(Section{});
        bool newlineKnown = false;
        while (pos < size) {
            const std::size_t lineStart = pos;
            const void* nl = std::memchr(data + pos, '\n', size - pos);
            std::size_t lineEnd = nl ? static_cast<std::size_t>(static_cast<const char*>(nl) - data) : size;
            pos = nl ? lineEnd + 1 : size;
            const bool crlf = lineEnd > lineStart && data[lineEnd - 1] == '\r';
            if (crlf) --lineEnd;
            if (nl && !newlineKnown) {
                scene_.newline = crlf ? "\r\n" : "\n";
                newlineKnown = true;
            }
            ++line_;
            HandleLine(std::string_view(data + lineStart, lineEnd - lineStart), lineStart);
        }
        CloseSection(size);
        CheckForwardReferences();
    }

private:
    [[noreturn]] void Fail(const std::string& problem) const { throw ObjError(scene_.path, line_, problem); }

    void HandleLine(std::string_view s, std::size_t lineStart) {
        const std::string_view keyword = Keyword(s);
        if (keyword.empty()) return;
        const std::string_view rest = s.substr(static_cast<std::size_t>(keyword.data() - s.data()) + keyword.size());
        if (TrimBlanks(rest).ends_with('\\') || keyword.ends_with('\\'))
            Fail("a line ending in '\\' (continued on the next line) is not supported");

        if (keyword == "v") return Vertex(rest);
        if (keyword == "f") return Face(rest);
        if (keyword == "vt") return Texcoord(rest);
        if (keyword == "vn") return Normal(rest);
        if (keyword == "o") return StartObject(rest, lineStart);
        if (keyword == "usemtl") return UseMaterial(rest);
        if (keyword == "g") return SetState(TrimBlanks(rest), smoothing_);
        if (keyword == "s") return SetState(group_, SmoothingKey(rest));
        if (keyword == "mtllib") return;  // kept as text where it is
        if (const char* what = UnsupportedWhat(keyword))
            Fail("unsupported statement " + Quoted(keyword) + " (" + what + "); it cannot be carried through an update");
        Fail("unknown statement " + Quoted(keyword));
    }

    // Numbers: the nearest float to the decimal text, finite only.
    float ParseNumber(std::string_view token, const char* what) const {
        std::string_view digits = token;
        if (digits.size() > 1 && digits.front() == '+' && digits[1] != '-') digits.remove_prefix(1);
        const char* first = digits.data();
        const char* last = first + digits.size();
        float value = 0.0f;
        const auto [end, ec] = std::from_chars(first, last, value);
        if (ec == std::errc::result_out_of_range && end == last) {
            // Too small for a float: the nearest one is a zero of the same sign.
            // Too large has no nearest float. The text's decimal order tells the
            // two apart even where a double would be out of range as well.
            if (DecimalOrder(digits) >= 0) Fail(std::string(what) + " " + Quoted(token) + " is out of float range");
            return digits.front() == '-' ? -0.0f : 0.0f;
        }
        if (ec != std::errc() || end != last) Fail(std::string(what) + " " + Quoted(token) + " is not a number");
        if (!std::isfinite(value)) Fail(std::string(what) + " " + Quoted(token) + " is not a finite number");
        return value;
    }

    // Parses up to `max` numbers; returns how many there were (more than `max`
    // counts as max + 1).
    int ParseNumbers(std::string_view rest, float* out, int max, const char* what) const {
        int count = 0;
        for (std::string_view token = NextToken(rest); !token.empty(); token = NextToken(rest)) {
            if (count == max) return max + 1;
            out[count++] = ParseNumber(token, what);
        }
        return count;
    }

    void Vertex(std::string_view rest) {
        float xyz[7];
        const int count = ParseNumbers(rest, xyz, 7, "coordinate");
        if (count == 4)
            Fail("a vertex with a 4th (w) component is not supported; only x y z can be carried");
        if (count > 3)
            Fail("a vertex with more than 3 components (e.g. vertex colours) is not supported; only x y z can be carried");
        if (count < 3) Fail("a vertex needs 3 coordinates (x y z), found " + std::to_string(count));
        EnsureObject();
        if (vertexCount_ == INT_MAX) Fail("too many vertices");
        object_->AddVertex(Point3{xyz[0], xyz[1], xyz[2]});
        ++vertexCount_;
        ++scene_.sections.back().vertexCount;
    }

    void Texcoord(std::string_view rest) {
        float uvw[3];
        const int count = ParseNumbers(rest, uvw, 3, "texture coordinate");
        if (count < 1 || count > 3) Fail("a texture coordinate (vt) needs 1 to 3 numbers");
        if (scene_.texcoordCount == INT_MAX) Fail("too many texture coordinates");
        ++scene_.texcoordCount;
    }

    void Normal(std::string_view rest) {
        float xyz[3];
        if (ParseNumbers(rest, xyz, 3, "normal component") != 3) Fail("a normal (vn) needs 3 numbers");
        if (scene_.normalCount == INT_MAX) Fail("too many normals");
        ++scene_.normalCount;
    }

    // One index of a corner: returns the number and advances `at` past it.
    int ParseIndex(const char*& at, const char* end, int corner, std::string_view token, const char* what) const {
        int value = 0;
        const auto [next, ec] = std::from_chars(at, end, value);
        if (ec != std::errc() || (next != end && *next != '/'))
            Fail("face corner " + std::to_string(corner) + " " + Quoted(token) + ": the " + what + " index is not a whole number");
        if (value == 0)
            Fail("face corner " + std::to_string(corner) + " " + Quoted(token) + ": index 0 is not valid (OBJ counts from 1)");
        at = next;
        return value;
    }

    // A vt or vn index as a 0-based pool index. Positive ones may point ahead (a
    // rebuilt clone's faces use its source's pool entries, wherever the source is).
    int PoolIndex(int value, int poolSoFar, int corner, const char* what, int& maxAhead) const {
        if (value > 0) {
            if (value > poolSoFar) maxAhead = std::max(maxAhead, value);
            return value - 1;
        }
        if (value < -poolSoFar)
            Fail("face corner " + std::to_string(corner) + ": relative " + what + " index " + std::to_string(value) +
                 " reaches before the first one (only " + std::to_string(poolSoFar) + " so far)");
        return poolSoFar + value;
    }

    void Face(std::string_view rest) {
        points_.clear();
        uvs_.clear();
        normals_.clear();
        int form = -1;  // bit 0: corners carry vt, bit 1: corners carry vn
        int texAhead = 0;
        int normalAhead = 0;
        const Section& section = scene_.sections.back();
        for (std::string_view token = NextToken(rest); !token.empty(); token = NextToken(rest)) {
            const int corner = static_cast<int>(points_.size()) + 1;
            const char* at = token.data();
            const char* end = at + token.size();
            const int v = ParseIndex(at, end, corner, token, "vertex");
            int vt = 0;
            int vn = 0;
            if (at != end) {
                ++at;  // '/'
                if (at != end && *at != '/') vt = ParseIndex(at, end, corner, token, "texture coordinate");
                if (at != end) {
                    ++at;  // '/'
                    if (at == end) Fail("face corner " + std::to_string(corner) + " " + Quoted(token) + ": the normal index is missing");
                    vn = ParseIndex(at, end, corner, token, "normal");
                    if (at != end) Fail("face corner " + std::to_string(corner) + " " + Quoted(token) + " has more than three parts");
                } else if (vt == 0) {
                    Fail("face corner " + std::to_string(corner) + " " + Quoted(token) + ": the texture coordinate index is missing");
                }
            }
            const int cornerForm = (vt != 0 ? 1 : 0) | (vn != 0 ? 2 : 0);
            if (form == -1) form = cornerForm;
            if (cornerForm != form)
                Fail("face corner " + std::to_string(corner) + " " + Quoted(token) +
                     " has other parts (v, v/vt, v//vn, v/vt/vn) than the face's first corner");

            long long global = v > 0 ? static_cast<long long>(v) - 1 : static_cast<long long>(vertexCount_) + v;
            if (v > 0 && v > vertexCount_)
                Fail("face corner " + std::to_string(corner) + " refers to vertex " + std::to_string(v) + ", but only " +
                     std::to_string(vertexCount_) + " vertices come before this line");
            if (global < 0)
                Fail("face corner " + std::to_string(corner) + ": relative vertex index " + std::to_string(v) +
                     " reaches before the first vertex");
            if (global < section.firstVertex) {
                const Section& owner = OwnerOf(static_cast<int>(global));
                Fail("face corner " + std::to_string(corner) + " refers to vertex " + std::to_string(global + 1) +
                     ", which belongs to object " + Quoted(doc_.GetObject(owner.object)->name) + " (line " +
                     std::to_string(owner.firstLine) + "), not to this face's object " + Quoted(object_->name));
            }
            points_.push_back(static_cast<int>(global - section.firstVertex));
            if (vt != 0) uvs_.push_back(PoolIndex(vt, scene_.texcoordCount, corner, "texture coordinate", texAhead));
            if (vn != 0) normals_.push_back(PoolIndex(vn, scene_.normalCount, corner, "normal", normalAhead));
        }
        if (points_.size() < 3) Fail("a face needs at least 3 corners, found " + std::to_string(points_.size()));
        if (texAhead > 0) texcoordsAhead_.emplace_back(line_, texAhead);
        if (normalAhead > 0) normalsAhead_.emplace_back(line_, normalAhead);
        object_->AddFace(points_, material_, hostsim::FaceExtras{uvs_, normals_, tag_});
    }

    const Section& OwnerOf(int globalVertex) const {
        // Sections are in file order, so their firstVertex never decreases.
        for (auto it = scene_.sections.rbegin(); it != scene_.sections.rend(); ++it) {
            if (it->vertexCount > 0 && it->firstVertex <= globalVertex) return *it;
        }
        return scene_.sections.front();
    }

    void StartObject(std::string_view rest, std::size_t lineStart) {
        const std::string_view name = TrimBlanks(rest);
        if (name.find('\0') != std::string_view::npos) Fail("the object name contains a NUL byte");
        CloseSection(lineStart);
        Section next;
        next.begin = lineStart;
        next.firstLine = line_;
        next.firstVertex = vertexCount_;
        next.startMaterial = material_;
        next.startTag = tag_;
        object_ = &doc_.AddObject(std::string(name));
        next.object = doc_.ObjectCount() - 1;
        scene_.sections.push_back(next);
    }

    // Geometry before the first `o` line belongs to an object with an empty name.
    void EnsureObject() {
        if (object_ != nullptr) return;
        object_ = &doc_.AddObject(std::string());
        scene_.sections.back().object = doc_.ObjectCount() - 1;
    }

    void CloseSection(std::size_t end) {
        Section& section = scene_.sections.back();
        section.end = end;
        section.endMaterial = material_;
        section.endTag = tag_;
    }

    void UseMaterial(std::string_view rest) {
        const std::string_view name = TrimBlanks(rest);
        if (name.find('\0') != std::string_view::npos) Fail("the material name contains a NUL byte");
        // A bare `usemtl` goes back to no material: it is what the writer emits
        // when a rebuilt clone's faces have none but follow a usemtl line.
        if (name.empty()) {
            material_ = -1;
            return;
        }
        auto found = materials_.find(name);
        if (found == materials_.end()) found = materials_.emplace(std::string(name), doc_.AddMaterial(std::string(name))).first;
        material_ = found->second;
    }

    static std::string_view SmoothingKey(std::string_view rest) {
        const std::string_view key = TrimBlanks(rest);
        return key.empty() || key == "0" ? std::string_view("off") : key;
    }

    void SetState(std::string_view group, std::string_view smoothing) {
        std::pair<std::string, std::string> key{std::string(group), std::string(smoothing)};
        auto found = states_.find(key);
        if (found == states_.end()) {
            scene_.faceStates.push_back(FaceState{key.first, key.second});
            found = states_.emplace(std::move(key), static_cast<int>(scene_.faceStates.size()) - 1).first;
        }
        tag_ = found->second;
        group_ = scene_.faceStates[tag_].group;
        smoothing_ = scene_.faceStates[tag_].smoothing;
    }

    void CheckForwardReferences() const {
        for (const auto& [line, index] : texcoordsAhead_) {
            if (index > scene_.texcoordCount)
                throw ObjError(scene_.path, line, "a face refers to texture coordinate " + std::to_string(index) +
                                                      ", but the file has only " + std::to_string(scene_.texcoordCount));
        }
        for (const auto& [line, index] : normalsAhead_) {
            if (index > scene_.normalCount)
                throw ObjError(scene_.path, line, "a face refers to normal " + std::to_string(index) +
                                                      ", but the file has only " + std::to_string(scene_.normalCount));
        }
    }

    ObjScene& scene_;
    hostsim::Document& doc_;
    hostsim::Object* object_ = nullptr;
    int line_ = 0;
    int vertexCount_ = 0;
    int material_ = -1;
    int tag_ = 0;
    std::string group_;
    std::string smoothing_ = "off";
    std::map<std::string, int, std::less<>> materials_;
    std::map<std::pair<std::string, std::string>, int> states_{{{"", "off"}, 0}};
    std::vector<int> points_;
    std::vector<int> uvs_;
    std::vector<int> normals_;
    std::vector<std::pair<int, int>> texcoordsAhead_;
    std::vector<std::pair<int, int>> normalsAhead_;
};

}  // namespace

ObjScene ReadObj(std::string text, std::string path) {
    ObjScene scene;
    scene.path = std::move(path);
    scene.text = std::move(text);
    scene.document = std::make_unique<hostsim::Document>();
    scene.faceStates.push_back(FaceState{"", "off"});
    Parser(scene).Run();
    return scene;
}

}  // namespace vintrax::objtool
